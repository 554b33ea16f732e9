# Pure settings rules: panel texts and steps, panel alignment, the sleep-timer count.
add_library(telbo_settings_logic STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ConfigValues.h
    ${CMAKE_CURRENT_LIST_DIR}/ConfigValues.cpp)
target_include_directories(telbo_settings_logic PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(telbo_settings_logic PUBLIC Qt6::Core)
