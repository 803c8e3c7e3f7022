# Run by `cmake --install` (and CPack) on macOS, after BREVAK.app has been copied to BREVAK_APP: puts
# Qt into the bundle and signs it. Every step that fails stops the installation with its reason.

function(brevak_run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "BREVAK.app: `${command}` failed (${result})")
    endif()
endfunction()

set(plugins "${BREVAK_APP}/Contents/PlugIns")
if(NOT EXISTS "${plugins}/${BREVAK_WEBPAGES_PLUGIN}")
    message(FATAL_ERROR "BREVAK.app: the web pages' plug-in ${plugins}/${BREVAK_WEBPAGES_PLUGIN} is missing")
endif()

# macdeployqt adds the SVG plug-ins only to a program that links Qt SVG; BREVAK's icons are SVG files
# read through them. Given as executables, they bring Qt SVG along; so does the web pages' plug-in
# bring Qt WebEngine (with its helper process and resources).
set(executables "-executable=${plugins}/${BREVAK_WEBPAGES_PLUGIN}")
foreach(entry IN LISTS BREVAK_SVG_PLUGINS)
    string(REPLACE "=" ";" entry "${entry}")
    list(GET entry 0 folder)
    list(GET entry 1 plugin)
    file(COPY "${plugin}" DESTINATION "${plugins}/${folder}")
    get_filename_component(name "${plugin}" NAME)
    list(APPEND executables "-executable=${plugins}/${folder}/${name}")
endforeach()
# -no-strip: the web pages' plug-in is bound to the symbols the program exports.
brevak_run("${BREVAK_MACDEPLOYQT}" "${BREVAK_APP}" -always-overwrite -no-strip ${executables})

file(GLOB helpers LIST_DIRECTORIES true
    "${BREVAK_APP}/Contents/Frameworks/QtWebEngineCore.framework/Versions/*/Helpers/QtWebEngineProcess.app")
if(NOT helpers)
    message(FATAL_ERROR "BREVAK.app: Qt WebEngine's helper process QtWebEngineProcess.app was not deployed")
endif()

# Everything first, with BREVAK's entitlements; then, inside out, the helper process with its own
# (--deep gave it BREVAK's), its framework and the bundle again, so that each seal covers the new
# signature inside it.
set(sign codesign --force --options runtime --sign "${BREVAK_CODESIGN_IDENTITY}")
brevak_run(${sign} --deep --entitlements "${BREVAK_ENTITLEMENTS}" "${BREVAK_APP}")
list(GET helpers 0 helper)
brevak_run(${sign} --entitlements "${BREVAK_HELPER_ENTITLEMENTS}" "${helper}")
brevak_run(${sign} "${BREVAK_APP}/Contents/Frameworks/QtWebEngineCore.framework")
brevak_run(${sign} --entitlements "${BREVAK_ENTITLEMENTS}" "${BREVAK_APP}")
brevak_run(codesign --verify --deep --strict "${BREVAK_APP}")
message(STATUS "BREVAK.app: deployed and signed (${BREVAK_CODESIGN_IDENTITY})")
