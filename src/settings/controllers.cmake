# Controllers of settings: part of the player (hub + controllers).
target_sources(telbo_player PRIVATE SettingsPanel.cpp SleepTimer.cpp PowerOffDialog.cpp)
