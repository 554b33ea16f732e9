# Controllers of playlist: part of the player (hub + controllers).
target_sources(telbo_player PRIVATE Collections.cpp ListFileCommands.cpp FileAdder.cpp ListEditor.cpp)
