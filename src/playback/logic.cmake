# Pure playback rules: shuffle index, equalizer presets.
add_library(telbo_playback_logic STATIC
    ${CMAKE_CURRENT_LIST_DIR}/RandomIndex.h
    ${CMAKE_CURRENT_LIST_DIR}/RandomIndex.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EqualizerPresets.h
    ${CMAKE_CURRENT_LIST_DIR}/EqualizerPresets.cpp)
target_include_directories(telbo_playback_logic PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(telbo_playback_logic PUBLIC Qt6::Core)
