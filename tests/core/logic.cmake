# Tests of the pure core logic; no display, no sound, files only in temporary folders.
add_executable(test_core_logic
    ${CMAKE_CURRENT_LIST_DIR}/NumberTextTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PathNamesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TimeTextTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SessionFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsDamageTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SlotListTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AtomicFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CoverArtCacheTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowPlacementTest.cpp
)
target_link_libraries(test_core_logic PRIVATE telbo_core_logic GTest::gtest_main)
gtest_discover_tests(test_core_logic DISCOVERY_TIMEOUT 30)
