# Pure window rules: symbol-button layout, panel placement after a drag, the tooltip texts.
add_library(telbo_ui_logic STATIC
    ${CMAKE_CURRENT_LIST_DIR}/SymbolLayout.h
    ${CMAKE_CURRENT_LIST_DIR}/SymbolLayout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PanelClamp.h
    ${CMAKE_CURRENT_LIST_DIR}/PanelClamp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ToolTips.h
    ${CMAKE_CURRENT_LIST_DIR}/ToolTips.cpp)
target_include_directories(telbo_ui_logic PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(telbo_ui_logic PUBLIC Qt6::Core)
