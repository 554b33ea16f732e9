add_executable(test_titles_logic
    ${CMAKE_CURRENT_LIST_DIR}/TitleTemplateTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScrollStepTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TagOverlayTest.cpp)
target_link_libraries(test_titles_logic PRIVATE telbo_titles_logic GTest::gtest_main)
gtest_discover_tests(test_titles_logic)
