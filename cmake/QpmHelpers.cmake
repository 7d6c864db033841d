# qpm_test_dir(<name> [GUI] LIBS <libs...>)
# Builds every *.cpp of the calling folder into one GoogleTest program <name>
# (output in the build tree, not the program folder) and registers its tests
# with CTest. Each test runs with a private HOME, XDG folders and registry root
# so no test touches the developer's own files. GUI: the program's main is
# tests/support/GuiTestMain.cpp, which creates the one QApplication (offscreen).
function(qpm_test_dir name)
    cmake_parse_arguments(ARG "GUI" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT sources)
        return()
    endif()
    if(ARG_GUI)
        find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
        add_executable(${name} ${sources} ${PROJECT_SOURCE_DIR}/tests/support/GuiTestMain.cpp)
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Widgets Qt6::Test GTest::gtest GTest::gmock)
    else()
        add_executable(${name} ${sources})
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    endif()
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_compile_definitions(${name} PRIVATE
        QPM_BIN_DIR="${QPM_BIN_DIR}"
        QPM_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        QPM_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data")
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QPM_TEST=1")
endfunction()
