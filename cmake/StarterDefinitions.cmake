# The starter definition set: the plain files in data/definitions are encoded
# by quellon-cli itself into the folder of the executables, where the program
# looks for them. Editing a plain file re-encodes it on the next build.
set(QUELLON_STARTER_DEFINITIONS FileDefinition RegistryDefinition ExeDefinition BlockedCookies)

set(_quellon_definition_outputs)
foreach(_name IN LISTS QUELLON_STARTER_DEFINITIONS)
    set(_src ${CMAKE_SOURCE_DIR}/data/definitions/${_name}.txt)
    set(_dst ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${_name}.dat)
    add_custom_command(
        OUTPUT ${_dst}
        COMMAND $<TARGET_FILE:quellon-cli> encode ${_src} --output ${_dst}
        DEPENDS ${_src} quellon-cli
        COMMENT "Encoding ${_name}.dat"
        VERBATIM)
    list(APPEND _quellon_definition_outputs ${_dst})
endforeach()

add_custom_target(starter_definitions ALL DEPENDS ${_quellon_definition_outputs})

install(FILES ${_quellon_definition_outputs} DESTINATION lib/quellon-pro)

unset(_src)
unset(_dst)
unset(_name)
unset(_quellon_definition_outputs)
