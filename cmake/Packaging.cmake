# What `cmake --install` puts where, and the packages CPack makes from it:
#   Linux:   cpack -G DEB     (build/quellon-pro_<version>_<arch>.deb)
#   Windows: cpack -G NSIS    (build-win/quellon-pro-<version>-win64.exe, from
#                              the cross build, with Debian's makensis)
# Included last from CMakeLists.txt, once every program's target exists.
#
# Linux layout under the prefix (/usr for the package):
#   lib/quellon-pro/          the programs, the starter definitions, Installed.txt
#                             and the help files (Help.html, and Help.chm
#                             when the build has one)
#   lib/quellon-pro/UpdateKeys/
#                             the maker's public keys, which Live Update trusts
#   bin/                      links to the two programs
#   share/applications/, share/metainfo/, share/icons/hicolor/
#                             the menu entry, its description and the icon
#   share/man/man1/, share/bash-completion/completions/
#   lib/systemd/user/         quellon-watch.service (not enabled)
# Windows layout: everything in the program folder the installer asks for
# (Program Files\Quellon Pro).
#
# Installed.txt tells an installed program to keep each user's definitions,
# exclusions, quarantine and report in the user's own folder
# (app::ChooseHome); the build folder's programs keep them beside themselves.

set(QUELLON_APP_ID example.quellon.QuellonPro)
set(QUELLON_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
if(WIN32)
    set(QUELLON_PROGRAM_DIR .)
else()
    set(QUELLON_PROGRAM_DIR lib/quellon-pro)
endif()
set(QUELLON_USER_UNIT_DIR lib/systemd/user CACHE STRING
    "Where the systemd user unit is installed, relative to the prefix")
# Files that other parts of the build make for the program folder; each is
# installed beside the programs when it is there (the help files, which the
# program looks for beside itself, and the Windows restart companion).
set(QUELLON_OPTIONAL_PROGRAM_FILES
    ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Help.chm
    ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Help.html
    ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/mshelp.chm)
if(WIN32 AND NOT TARGET AppRestart)
    list(APPEND QUELLON_OPTIONAL_PROGRAM_FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/AppRestart.exe)
endif()

# The icon: packaging/icons/quellon-pro.svg is the one drawing. The build
# renders the PNG sizes of the icon theme from it; the window embeds the
# same PNGs, and the Windows build packs some into an .ico.
find_program(QUELLON_RSVG_CONVERT rsvg-convert)
set(QUELLON_ICON_SVG ${QUELLON_PACKAGING_DIR}/icons/quellon-pro.svg)
set(QUELLON_ICON_SIZES 16 22 24 32 48 64 128 256)
set(QUELLON_ICON_DIR ${CMAKE_BINARY_DIR}/icons/hicolor)
set(QUELLON_ICON_PNGS)
if(QUELLON_RSVG_CONVERT)
    foreach(_size IN LISTS QUELLON_ICON_SIZES)
        set(_png ${QUELLON_ICON_DIR}/${_size}x${_size}/apps/quellon-pro.png)
        add_custom_command(
            OUTPUT ${_png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${QUELLON_ICON_DIR}/${_size}x${_size}/apps
            COMMAND ${QUELLON_RSVG_CONVERT} --width ${_size} --height ${_size}
                --output ${_png} ${QUELLON_ICON_SVG}
            DEPENDS ${QUELLON_ICON_SVG}
            COMMENT "Rendering the ${_size}x${_size} icon"
            VERBATIM)
        list(APPEND QUELLON_ICON_PNGS ${_png})
    endforeach()
    add_custom_target(quellon_icons ALL DEPENDS ${QUELLON_ICON_PNGS})
elseif(TARGET quellon_gui_qt OR WIN32)
    message(FATAL_ERROR "rsvg-convert (Debian's librsvg2-bin) renders the program's icon")
endif()

if(TARGET quellon_gui_qt)
    # The window, its tray icon and the menu entry show the same pictures.
    qt_add_resources(quellon_gui_qt quellon_app_icon
        PREFIX /icons
        BASE ${QUELLON_ICON_DIR}
        FILES ${QUELLON_ICON_PNGS})
endif()

# The programs and the starter definitions.
install(TARGETS quellon-cli RUNTIME DESTINATION ${QUELLON_PROGRAM_DIR})
if(TARGET quellon-pro)
    install(TARGETS quellon-pro RUNTIME DESTINATION ${QUELLON_PROGRAM_DIR})
endif()
if(TARGET AppRestart)
    install(TARGETS AppRestart RUNTIME DESTINATION ${QUELLON_PROGRAM_DIR})
endif()
install(FILES ${QUELLON_STARTER_DEFINITION_FILES} ${QUELLON_PACKAGING_DIR}/Installed.txt
    DESTINATION ${QUELLON_PROGRAM_DIR})
install(FILES ${QUELLON_OPTIONAL_PROGRAM_FILES} DESTINATION ${QUELLON_PROGRAM_DIR} OPTIONAL)
install(FILES ${QUELLON_UPDATE_KEY_SOURCES} DESTINATION ${QUELLON_PROGRAM_DIR}/UpdateKeys)

# The release date of the newest release in the metainfo file dates the
# manual pages.
file(STRINGS ${QUELLON_PACKAGING_DIR}/${QUELLON_APP_ID}.metainfo.xml _release
    REGEX "<release version=" LIMIT_COUNT 1)
string(REGEX REPLACE ".*date=\"([0-9-]+)\".*" "\\1" QUELLON_MAN_DATE "${_release}")

if(NOT WIN32)
    # bin/: links to the programs, which find their definitions beside their
    # real selves.
    set(_links quellon-cli)
    if(TARGET quellon-pro)
        list(APPEND _links quellon-pro)
    endif()
    install(CODE "
        set(_bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
        file(MAKE_DIRECTORY \"\${_bin}\")
        foreach(_name ${_links})
            file(CREATE_LINK ../${QUELLON_PROGRAM_DIR}/\${_name} \"\${_bin}/\${_name}\" SYMBOLIC)
            message(STATUS \"Installing: \${_bin}/\${_name} -> ../${QUELLON_PROGRAM_DIR}/\${_name}\")
        endforeach()")

    # The manual pages, compressed as Debian keeps them.
    find_program(QUELLON_GZIP gzip REQUIRED)
    set(_pages quellon-cli)
    if(TARGET quellon-pro)
        list(APPEND _pages quellon-pro)
    endif()
    set(_man_outputs)
    foreach(_page IN LISTS _pages)
        configure_file(${QUELLON_PACKAGING_DIR}/man/${_page}.1.in ${CMAKE_BINARY_DIR}/man/${_page}.1 @ONLY)
        add_custom_command(
            OUTPUT ${CMAKE_BINARY_DIR}/man/${_page}.1.gz
            COMMAND ${QUELLON_GZIP} -9nkf ${CMAKE_BINARY_DIR}/man/${_page}.1
            DEPENDS ${CMAKE_BINARY_DIR}/man/${_page}.1
            COMMENT "Compressing the manual page ${_page}(1)"
            VERBATIM)
        list(APPEND _man_outputs ${CMAKE_BINARY_DIR}/man/${_page}.1.gz)
    endforeach()
    add_custom_target(quellon_man_pages ALL DEPENDS ${_man_outputs})
    install(FILES ${_man_outputs} DESTINATION share/man/man1)

    install(FILES ${QUELLON_PACKAGING_DIR}/completion/quellon-cli
        DESTINATION share/bash-completion/completions)
    if(TARGET quellon-pro)
        # bash-completion loads a command's completion from the file of its name.
        install(FILES ${QUELLON_PACKAGING_DIR}/completion/quellon-cli
            DESTINATION share/bash-completion/completions RENAME quellon-pro)
        install(FILES ${QUELLON_PACKAGING_DIR}/${QUELLON_APP_ID}.desktop
            DESTINATION share/applications)
        install(FILES ${QUELLON_PACKAGING_DIR}/${QUELLON_APP_ID}.metainfo.xml
            DESTINATION share/metainfo)
        install(FILES ${QUELLON_ICON_SVG} DESTINATION share/icons/hicolor/scalable/apps)
        foreach(_size IN LISTS QUELLON_ICON_SIZES)
            install(FILES ${QUELLON_ICON_DIR}/${_size}x${_size}/apps/quellon-pro.png
                DESTINATION share/icons/hicolor/${_size}x${_size}/apps)
        endforeach()
    endif()

    # The user unit names the installed quellon-cli, wherever the prefix is.
    file(READ ${QUELLON_PACKAGING_DIR}/systemd/quellon-watch.service.in _unit)
    install(CODE "
        set(_unit [==[${_unit}]==])
        string(REPLACE \"@QUELLON_UNIT_CLI@\" \"\${CMAKE_INSTALL_PREFIX}/bin/quellon-cli\" _unit \"\${_unit}\")
        set(_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${QUELLON_USER_UNIT_DIR}\")
        file(MAKE_DIRECTORY \"\${_dir}\")
        file(WRITE \"\${_dir}/quellon-watch.service\" \"\${_unit}\")
        message(STATUS \"Installing: \${_dir}/quellon-watch.service\")")
else()
    # The Windows icon, from the same renders, for the program, the
    # installer and the Start-menu entries.
    find_program(QUELLON_ICOTOOL icotool REQUIRED)
    set(QUELLON_ICO ${CMAKE_BINARY_DIR}/icons/quellon-pro.ico)
    # The small sizes as bitmaps, 256 as PNG, as Windows keeps them.
    set(_ico_pngs)
    foreach(_size 16 24 32 48 64)
        list(APPEND _ico_pngs ${QUELLON_ICON_DIR}/${_size}x${_size}/apps/quellon-pro.png)
    endforeach()
    set(_png ${QUELLON_ICON_DIR}/256x256/apps/quellon-pro.png)
    add_custom_command(
        OUTPUT ${QUELLON_ICO}
        COMMAND ${QUELLON_ICOTOOL} --create --output ${QUELLON_ICO} ${_ico_pngs} --raw=${_png}
        DEPENDS ${_ico_pngs} ${_png}
        COMMENT "Packing quellon-pro.ico"
        VERBATIM)
    add_custom_target(quellon_ico ALL DEPENDS ${QUELLON_ICO})
    install(FILES ${QUELLON_ICO} DESTINATION ${QUELLON_PROGRAM_DIR})

    enable_language(RC)
    configure_file(${QUELLON_PACKAGING_DIR}/windows/quellon-cli.rc.in
        ${CMAKE_BINARY_DIR}/quellon-cli.rc @ONLY)
    target_sources(quellon-cli PRIVATE ${CMAKE_BINARY_DIR}/quellon-cli.rc)
    set_source_files_properties(${CMAKE_BINARY_DIR}/quellon-cli.rc PROPERTIES
        OBJECT_DEPENDS ${QUELLON_ICO})
    if(TARGET quellon-pro)
        # The window program: the same icon (the window classes and the tray
        # load it by its id) and its manifest (common controls 6, DPI).
        configure_file(${CMAKE_SOURCE_DIR}/src/gui/win32/quellon-pro.rc.in
            ${CMAKE_BINARY_DIR}/quellon-pro.rc @ONLY)
        target_sources(quellon-pro PRIVATE ${CMAKE_BINARY_DIR}/quellon-pro.rc)
        set_source_files_properties(${CMAKE_BINARY_DIR}/quellon-pro.rc PROPERTIES
            OBJECT_DEPENDS "${QUELLON_ICO};${CMAKE_SOURCE_DIR}/src/gui/win32/quellon-pro.manifest;${CMAKE_SOURCE_DIR}/src/gui/win32/resources.h")
    endif()
    configure_file(${QUELLON_PACKAGING_DIR}/windows/Notice.txt
        ${CMAKE_BINARY_DIR}/packaging/Notice.txt @ONLY)
endif()

# CPack: the Debian package and the Windows installer.
set(CPACK_PACKAGE_NAME quellon-pro)
set(CPACK_PACKAGE_VENDOR "Quellon Software")
set(CPACK_PACKAGE_CONTACT "Quellon Software <support@quellon.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quellon.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find and remove spyware and adware")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Quellon Pro")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Quellon Pro")
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_STRIP_FILES ON)
if(WIN32)
    set(CPACK_GENERATOR NSIS)
    set(CPACK_PACKAGE_FILE_NAME quellon-pro-${PROJECT_VERSION}-win64)
    set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_BINARY_DIR}/packaging/Notice.txt)
    set(CPACK_NSIS_PACKAGE_NAME "Quellon Pro")
    set(CPACK_NSIS_DISPLAY_NAME "Quellon Pro")
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    set(CPACK_NSIS_MUI_ICON ${QUELLON_ICO})
    set(CPACK_NSIS_MUI_UNIICON ${QUELLON_ICO})
    if(TARGET quellon-pro)
        set(CPACK_NSIS_INSTALLED_ICON_NAME quellon-pro.exe)
    else()
        set(CPACK_NSIS_INSTALLED_ICON_NAME quellon-cli.exe)
    endif()
    set(CPACK_NSIS_URL_INFO_ABOUT "https://quellon.example/")
    set(CPACK_NSIS_HELP_LINK "https://quellon.example/help/")
    set(CPACK_NSIS_CONTACT "support@quellon.example")
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
    set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
    # A 64-bit installer, like the programs it installs (it runs where only
    # 64-bit Windows programs run, such as a Wine without 32-bit support).
    set(CPACK_NSIS_DEFINES "Target amd64-unicode")
    file(READ ${QUELLON_PACKAGING_DIR}/windows/create-icons.nsh CPACK_NSIS_CREATE_ICONS_EXTRA)
    file(READ ${QUELLON_PACKAGING_DIR}/windows/delete-icons.nsh CPACK_NSIS_DELETE_ICONS_EXTRA)
    # A running copy ends before its files are replaced or removed.
    file(READ ${QUELLON_PACKAGING_DIR}/windows/end-program.nsh CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS)
    file(READ ${QUELLON_PACKAGING_DIR}/windows/uninstall-extra.nsh _uninstall_extra)
    set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "${CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS}${_uninstall_extra}")
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # The libraries come from the programs themselves; Qt's platform
    # plugins are loaded at run time, so they are named here.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    if(TARGET quellon-pro)
        set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
    endif()
    # The desktop's opener shows the quarantine folder and the help file.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine")
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "Quellon Pro scans a Windows machine for traces of spyware and adware:
running programs, registry entries, cookies and known files. It removes
what it finds, keeping a copy of every deleted file in its quarantine.
On Linux it looks at a Wine prefix or another Windows machine laid out on
disk the way Wine lays out a prefix. The package holds the window
program, quellon-pro, and the command-line program, quellon-cli.")
endif()
include(CPack)

unset(_release)
unset(_links)
unset(_pages)
unset(_page)
unset(_man_outputs)
unset(_unit)
unset(_size)
unset(_png)
unset(_ico_pngs)
unset(_uninstall_extra)
