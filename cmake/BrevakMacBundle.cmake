# BREVAK.app on macOS: the bundle around the program, its installation with everything it needs, its
# signature and the disk image.
#
# brevak_macos_bundle(<program target> PLUGIN <web pages' plug-in target>)
#   Makes the program BREVAK.app (Info.plist, icon) and installs it: `cmake --install` copies the
#   bundle, puts Qt into it with macdeployqt (the SVG image and icon plug-ins, the web pages' plug-in
#   and Qt WebEngine's helper process included) and signs it for the hardened runtime with
#   BREVAK_CODESIGN_IDENTITY. CPack then makes BREVAK-<version>.dmg.

set(BREVAK_CODESIGN_IDENTITY "-" CACHE STRING "Identity that signs the installed BREVAK.app (- signs ad hoc)")

function(brevak_macos_bundle target)
    cmake_parse_arguments(B "" "PLUGIN" "" ${ARGN})
    set(packaging ${PROJECT_SOURCE_DIR}/packaging/macos)

    target_sources(${target} PRIVATE ${packaging}/BREVAK.icns)
    set_source_files_properties(${packaging}/BREVAK.icns PROPERTIES MACOSX_PACKAGE_LOCATION Resources)
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME BREVAK
        MACOSX_BUNDLE ON
        MACOSX_BUNDLE_INFO_PLIST ${packaging}/Info.plist.in
        MACOSX_BUNDLE_ICON_FILE BREVAK.icns
        MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION}
        MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION})

    # Without a team, library validation would refuse the bundled Qt: an ad hoc signature takes the
    # entitlements that allow it.
    if(BREVAK_CODESIGN_IDENTITY STREQUAL "-")
        set(entitlements ${packaging}/BREVAK-adhoc.entitlements)
    else()
        set(entitlements ${packaging}/BREVAK.entitlements)
    endif()
    if(NOT TARGET Qt6::QSvgPlugin OR NOT TARGET Qt6::QSvgIconPlugin)
        message(FATAL_ERROR "BREVAK.app needs Qt's SVG image and icon plug-ins (the Qt SVG module)")
    endif()
    if(TARGET Qt6::macdeployqt)
        set(macdeployqt $<TARGET_FILE:Qt6::macdeployqt>)
    else()
        find_program(BREVAK_MACDEPLOYQT macdeployqt HINTS ${QT6_INSTALL_PREFIX}/bin REQUIRED)
        set(macdeployqt ${BREVAK_MACDEPLOYQT})
    endif()

    install(TARGETS ${target} BUNDLE DESTINATION .)
    install(CODE "
        set(BREVAK_APP \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/BREVAK.app\")
        set(BREVAK_MACDEPLOYQT \"${macdeployqt}\")
        set(BREVAK_WEBPAGES_PLUGIN \"$<TARGET_FILE_NAME:${B_PLUGIN}>\")
        set(BREVAK_SVG_PLUGINS \"imageformats=$<TARGET_FILE:Qt6::QSvgPlugin>;iconengines=$<TARGET_FILE:Qt6::QSvgIconPlugin>\")
        set(BREVAK_CODESIGN_IDENTITY \"${BREVAK_CODESIGN_IDENTITY}\")
        set(BREVAK_ENTITLEMENTS \"${entitlements}\")
        set(BREVAK_HELPER_ENTITLEMENTS \"${packaging}/QtWebEngineProcess.entitlements\")
        include(\"${CMAKE_CURRENT_FUNCTION_LIST_DIR}/BrevakMacDeploy.cmake\")")

    set(CPACK_GENERATOR DragNDrop PARENT_SCOPE)
    set(CPACK_PACKAGE_NAME BREVAK PARENT_SCOPE)
    set(CPACK_PACKAGE_FILE_NAME BREVAK-${PROJECT_VERSION} PARENT_SCOPE)
    set(CPACK_DMG_VOLUME_NAME BREVAK PARENT_SCOPE)
    set(CPACK_DMG_FORMAT UDZO PARENT_SCOPE)
endfunction()
