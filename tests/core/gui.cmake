telbo_add_gui_test(test_core_gui
    ${CMAKE_CURRENT_LIST_DIR}/StartupTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RestoreTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SessionTest.cpp)
