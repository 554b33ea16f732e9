# Controllers of core: part of the player (hub + controllers).
target_sources(telbo_player PRIVATE Lifecycle.cpp Remote.h Remote.cpp Session.cpp StateRestore.cpp)
