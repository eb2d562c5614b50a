# quellon_library(NAME DIR folder DEPS libs...): a static library of every .cpp in the folder.
function(quellon_library name)
    cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${ARG_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# quellon_test(NAME SOURCES... DEPS libs...): one GoogleTest program registered with CTest.
function(quellon_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
    if(CMAKE_CROSSCOMPILING)
        # Run whole under the emulator (Wine), without the tests for Linux only.
        add_test(NAME ${name}
            COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh ${CMAKE_CROSSCOMPILING_EMULATOR}
                $<TARGET_FILE:${name}> --gtest_filter=-*LinuxOnly*)
        set_tests_properties(${name} PROPERTIES TIMEOUT 600
            ENVIRONMENT "QUELLON_BIN=${CMAKE_BINARY_DIR}/bin")
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
            PROPERTIES ENVIRONMENT "QUELLON_BIN=${CMAKE_BINARY_DIR}/bin")
    endif()
endfunction()
