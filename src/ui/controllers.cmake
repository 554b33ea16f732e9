# Controllers of ui: part of the player (hub + controllers).
target_sources(telbo_player PRIVATE WindowModes.cpp ContextMenu.cpp Dragging.cpp Telbo.cpp Twips.cpp Label.cpp TextLine.cpp OptionButton.cpp Panel.cpp ListBox.cpp Fonts.cpp Layout.cpp LayoutBuilder.cpp ScrollBar.cpp)
