# Controllers of titles: part of the player (hub + controllers).
target_sources(telbo_player PRIVATE TitleBuilder.cpp TitleScroller.cpp TagEditor.cpp)
