# The starter definition set: the plain files in data/definitions are encoded
# by quellon-cli itself into the folder of the executables, where the program
# looks for them. Editing a plain file re-encodes it on the next build.
set(QUELLON_STARTER_DEFINITIONS FileDefinition RegistryDefinition ExeDefinition BlockedCookies)

set(_quellon_definition_outputs)
foreach(_name IN LISTS QUELLON_STARTER_DEFINITIONS)
    set(_src ${CMAKE_SOURCE_DIR}/data/definitions/${_name}.txt)
    set(_dst ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${_name}.dat)
    if(CMAKE_CROSSCOMPILING)
        # The cross-built program cannot run here: the same encoding in CMake.
        set(_encode ${CMAKE_COMMAND} -DIN=${_src} -DOUT=${_dst}
            -P ${CMAKE_SOURCE_DIR}/cmake/EncodeDefinitions.cmake)
        set(_encoder ${CMAKE_SOURCE_DIR}/cmake/EncodeDefinitions.cmake)
    else()
        set(_encode $<TARGET_FILE:quellon-cli> encode ${_src} --output ${_dst})
        set(_encoder quellon-cli)
    endif()
    add_custom_command(
        OUTPUT ${_dst}
        COMMAND ${_encode}
        DEPENDS ${_src} ${_encoder}
        COMMENT "Encoding ${_name}.dat"
        VERBATIM)
    list(APPEND _quellon_definition_outputs ${_dst})
endforeach()

add_custom_target(starter_definitions ALL DEPENDS ${_quellon_definition_outputs})

# Installed by cmake/Packaging.cmake.
set(QUELLON_STARTER_DEFINITION_FILES ${_quellon_definition_outputs})

unset(_src)
unset(_encode)
unset(_encoder)
unset(_dst)
unset(_name)
unset(_quellon_definition_outputs)
