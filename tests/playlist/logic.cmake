add_executable(test_playlist_logic
    ${CMAKE_CURRENT_LIST_DIR}/ListFileFormatTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SelectionTest.cpp)
target_link_libraries(test_playlist_logic PRIVATE telbo_playlist_logic telbo_core_logic GTest::gtest_main)
gtest_discover_tests(test_playlist_logic)
