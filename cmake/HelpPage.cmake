# The help page: kept as HTML in data/help and copied next to the
# executables as Help.html, the name the program opens when its folder has
# no Help.chm (on Linux always). Packaging takes it from there.
set(QUELLON_HELP_SOURCE ${CMAKE_SOURCE_DIR}/data/help/quellon-pro-help.html)
set(QUELLON_HELP_PAGE ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Help.html)
add_custom_command(
    OUTPUT ${QUELLON_HELP_PAGE}
    COMMAND ${CMAKE_COMMAND} -E copy ${QUELLON_HELP_SOURCE} ${QUELLON_HELP_PAGE}
    DEPENDS ${QUELLON_HELP_SOURCE}
    COMMENT "Copying the help page to Help.html"
    VERBATIM)
add_custom_target(help_page ALL DEPENDS ${QUELLON_HELP_PAGE})
