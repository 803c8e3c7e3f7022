# cmake -DCLANG=<clang++> -DSOURCE=<BREVAK's sources> -DINCLUDES=<Qt's include folders> -P check_syntax.cmake
# Reads every C++ file of the macOS platform seam with clang++ -fsyntax-only, as for macOS, against Qt
# and the stand-in SDK declarations in sdk/: C++ mistakes show here before a Mac sees them.
file(GLOB sources ${SOURCE}/platform/macos/*.cpp)
set(flags -fsyntax-only -std=c++20 -fPIC -Wall -Wextra -Werror -D__APPLE__ -D__MACH__
    -I${SOURCE}/tests/platform/macos/sdk -I${SOURCE}/platform -I${SOURCE}/platform/macos)
# Qt Widgets' usage requirements name /usr/include (for OpenGL); as -isystem it would hide the C library's
# headers from the C++ library's wrappers.
list(REMOVE_ITEM INCLUDES /usr/include)
foreach(folder IN LISTS INCLUDES)
    list(APPEND flags -isystem ${folder})
endforeach()
set(failed "")
foreach(source IN LISTS sources)
    execute_process(COMMAND ${CLANG} ${flags} ${source} RESULT_VARIABLE result)
    get_filename_component(name ${source} NAME)
    if(result EQUAL 0)
        message("ok ${name}")
    else()
        list(APPEND failed ${name})
    endif()
endforeach()
list(LENGTH sources count)
if(count EQUAL 0 OR failed)
    message(FATAL_ERROR "Not read without errors: ${failed} (of ${count} files)")
endif()
