# Window tests of titles: the title line, the scroller, the tag view and the tag editor.
telbo_add_gui_test(test_titles_gui
    ${CMAKE_CURRENT_LIST_DIR}/TitleBuilderGuiTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TitleScrollerGuiTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TagEditorGuiTest.cpp)
target_include_directories(test_titles_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR})

# With the real engine: tags written through the editor, read back fresh, audio untouched.
if(TARGET telbo_engine AND TARGET telbo_mp3fixture)
    telbo_add_gui_test(test_titles_engine ${CMAKE_CURRENT_LIST_DIR}/TagEditorEngineTest.cpp)
    target_link_libraries(test_titles_engine PRIVATE telbo_engine telbo_tags telbo_mp3fixture PkgConfig::MPG123)
endif()
