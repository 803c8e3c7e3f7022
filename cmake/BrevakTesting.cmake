# brevak_add_test(NAME <name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>]
#                 [ENVIRONMENT <VAR=value...>] [TIMEOUT <seconds>])
#
# Builds one Qt Test executable and registers it with CTest. Every test runs on the offscreen platform,
# and its default simulated Mac is a folder of its own in the build tree, so a test that forgets to
# make a temporary one still never shares state with another test or the developer's own.
function(brevak_add_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;BREVAK_SIMULATED_ROOT=${CMAKE_BINARY_DIR}/test-roots/${T_NAME};${T_ENVIRONMENT}")
endfunction()
