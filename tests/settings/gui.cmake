telbo_add_gui_test(test_settings_gui
    ${CMAKE_CURRENT_LIST_DIR}/SettingsPanelTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SleepTimerTest.cpp)
