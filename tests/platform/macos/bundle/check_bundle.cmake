# cmake -DSOURCE=<BREVAK's sources> -DBINARY=<a scratch folder> -P check_bundle.cmake
# Configures the probe project as for macOS and checks the bundle, its Info.plist, the installation
# steps (deployment, SVG plug-ins, web pages' plug-in, signature with the entitlements) and the disk
# image. Prints each failure and fails at the end.
file(REMOVE_RECURSE ${BINARY})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE}/tests/platform/macos/bundle -B ${BINARY}
    -DBREVAK_SOURCE_DIR=${SOURCE} ${EXTRA} RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "The probe project does not configure")
endif()

set(failures 0)
function(expect file pattern)
    file(READ ${BINARY}/${file} text)
    string(REGEX MATCH "${pattern}" found "${text}")
    if(NOT found)
        message("FAIL ${file} lacks ${pattern}")
        math(EXPR failures "${failures} + 1")
        set(failures ${failures} PARENT_SCOPE)
    endif()
endfunction()

expect(bundle.txt "bundle=ON\nicon=Resources\n")
foreach(entry IN ITEMS "CFBundleExecutable</key>[ \t\n]*<string>BREVAK<"
        "CFBundleIdentifier</key>[ \t\n]*<string>com.mac.brevak<"
        "CFBundleIconFile</key>[ \t\n]*<string>BREVAK.icns<"
        "CFBundleShortVersionString</key>[ \t\n]*<string>1.2.3<"
        "LSMinimumSystemVersion</key>[ \t\n]*<string>12.0<"
        "NSAppleEventsUsageDescription</key>[ \t\n]*<string>[^<]+<")
    expect(Info.plist "${entry}")
endforeach()
expect(cmake_install.cmake "BREVAK_MACDEPLOYQT \"/qt/macdeployqt\"")
expect(cmake_install.cmake "BREVAK_WEBPAGES_PLUGIN \"brevak_webpages.so\"")
expect(cmake_install.cmake "imageformats=/qt/QSvgPlugin;iconengines=/qt/QSvgIconPlugin")
expect(cmake_install.cmake "BREVAK_CODESIGN_IDENTITY \"${IDENTITY}\"")
expect(cmake_install.cmake "BREVAK_ENTITLEMENTS \"[^\"]*/packaging/macos/${ENTITLEMENTS}\"")
expect(cmake_install.cmake "BrevakMacDeploy.cmake")
expect(CPackConfig.cmake "CPACK_GENERATOR \"DragNDrop\"")
expect(CPackConfig.cmake "CPACK_PACKAGE_FILE_NAME \"BREVAK-1.2.3\"")
if(failures GREATER 0)
    message(FATAL_ERROR "${failures} failures")
endif()
message("BREVAK.app as configured for macOS: bundle, Info.plist, deployment, signature and disk image as expected")
