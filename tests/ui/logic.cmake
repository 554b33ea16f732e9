add_executable(test_ui_logic
    ${CMAKE_CURRENT_LIST_DIR}/SymbolLayoutTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PanelClampTest.cpp)
target_link_libraries(test_ui_logic PRIVATE telbo_ui_logic GTest::gtest_main)
gtest_discover_tests(test_ui_logic)
