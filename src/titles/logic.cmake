# Pure title rules: the title template, the scrolling title's step, the tag editor's overlay.
add_library(telbo_titles_logic STATIC
    ${CMAKE_CURRENT_LIST_DIR}/TitleTemplate.h
    ${CMAKE_CURRENT_LIST_DIR}/TitleTemplate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScrollStep.h
    ${CMAKE_CURRENT_LIST_DIR}/ScrollStep.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TagOverlay.h
    ${CMAKE_CURRENT_LIST_DIR}/TagOverlay.cpp)
target_include_directories(telbo_titles_logic PUBLIC ${PROJECT_SOURCE_DIR}/src)
# telbo_decoder_api brings TagRecord and links no Qt.
target_link_libraries(telbo_titles_logic PUBLIC Qt6::Core telbo_decoder_api)
