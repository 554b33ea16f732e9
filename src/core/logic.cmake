# Pure logic of core: the settings files, atomic saving, window placement, path names, time
# texts. QtCore only.
add_library(telbo_core_logic STATIC
    ${CMAKE_CURRENT_LIST_DIR}/AtomicFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CoverArtCache.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NumberText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PathNames.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SessionFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SlotList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TimeText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowPlacement.cpp
)
target_include_directories(telbo_core_logic PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(telbo_core_logic PUBLIC Qt6::Core telbo_decoder_api PRIVATE telbo_files)
