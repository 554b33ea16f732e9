# Window tests of titles: the title line, the scroller, the tag view and the tag editor.
telbo_add_gui_test(test_titles_gui
    ${CMAKE_CURRENT_LIST_DIR}/TitleBuilderGuiTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TitleScrollerGuiTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TagEditorGuiTest.cpp)
target_include_directories(test_titles_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR})
