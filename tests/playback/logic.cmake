add_executable(test_playback_logic
    ${CMAKE_CURRENT_LIST_DIR}/RandomIndexTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EqualizerPresetsTest.cpp)
target_link_libraries(test_playback_logic PRIVATE telbo_playback_logic GTest::gtest_main)
gtest_discover_tests(test_playback_logic)
