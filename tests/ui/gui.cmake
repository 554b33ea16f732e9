# Window behaviour of ui, one executable; a new test file is one more line here.
telbo_add_gui_test(test_ui_gui
    ${CMAKE_CURRENT_LIST_DIR}/ShellFixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowModesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DraggingTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LayoutTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KeyboardTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListMarksTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextLineTest.cpp
)
