# Window tests of playback: transport, play order, decode options and equalizer.
telbo_add_gui_test(test_playback_gui
    ${CMAKE_CURRENT_LIST_DIR}/TransportTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlayOrderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EqualizerPanelDecodeTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReplayGainPlayerTest.cpp)
target_include_directories(test_playback_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR})
