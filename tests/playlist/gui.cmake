telbo_add_gui_test(test_playlist_gui
    ${CMAKE_CURRENT_LIST_DIR}/ListEditingGuiTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListFileCommandsGuiTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileAdderGuiTest.cpp)
