# The maker's public keys: data/update-keys/*.pub, copied into the folder
# UpdateKeys beside the executables. The programs trust the signatures of
# these keys, and of no others, on Live Update's definition files; packaging
# installs the folder beside the programs. The private keys are the maker's
# and never in the repository.
file(GLOB QUELLON_UPDATE_KEY_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/update-keys/*.pub)
if(NOT QUELLON_UPDATE_KEY_SOURCES)
    message(FATAL_ERROR "data/update-keys holds no public key (*.pub)")
endif()
set(QUELLON_UPDATE_KEYS_DIR ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/UpdateKeys)
set(QUELLON_UPDATE_KEYS)
foreach(_key IN LISTS QUELLON_UPDATE_KEY_SOURCES)
    get_filename_component(_name ${_key} NAME)
    add_custom_command(
        OUTPUT ${QUELLON_UPDATE_KEYS_DIR}/${_name}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QUELLON_UPDATE_KEYS_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy ${_key} ${QUELLON_UPDATE_KEYS_DIR}/${_name}
        DEPENDS ${_key}
        COMMENT "Copying the update key ${_name} to UpdateKeys"
        VERBATIM)
    list(APPEND QUELLON_UPDATE_KEYS ${QUELLON_UPDATE_KEYS_DIR}/${_name})
endforeach()
add_custom_target(update_keys ALL DEPENDS ${QUELLON_UPDATE_KEYS})
