# Controllers of playback: part of the player (hub + controllers).
target_sources(telbo_player PRIVATE Transport.cpp ReplayGainScan.cpp PlayOrder.cpp DecodeOptionsControl.cpp
                                    EqualizerPanel.cpp)
