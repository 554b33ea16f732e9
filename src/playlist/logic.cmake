# Pure playlist rules: list files, dialog and command-line selections.
add_library(telbo_playlist_logic STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ListFileFormat.h
    ${CMAKE_CURRENT_LIST_DIR}/ListFileFormat.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Selection.h
    ${CMAKE_CURRENT_LIST_DIR}/Selection.cpp)
target_include_directories(telbo_playlist_logic PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(telbo_playlist_logic PUBLIC Qt6::Core telbo_core_logic)
