# The engine's open and decode of any bytes, seeded with short MP3s that the build makes.
if(TARGET telbo_engine AND TARGET telbo_mp3fixture)
    telbo_add_fuzzer(fuzz_engine_decode ${CMAKE_CURRENT_LIST_DIR}/engine_decode.cpp)
    target_link_libraries(fuzz_engine_decode PRIVATE telbo_engine)
    add_executable(engine_decode_seeds ${CMAKE_CURRENT_LIST_DIR}/engine_decode_seeds.cpp)
    target_link_libraries(engine_decode_seeds PRIVATE telbo_mp3fixture PkgConfig::SNDFILE)
    set(seeds ${CMAKE_CURRENT_BINARY_DIR}/corpus/engine_decode)
    add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/engine_decode_seeds.stamp
        COMMAND engine_decode_seeds ${seeds}
        COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_CURRENT_BINARY_DIR}/engine_decode_seeds.stamp
        DEPENDS engine_decode_seeds)
    add_custom_target(fuzz_engine_decode_corpus
        DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/engine_decode_seeds.stamp)
    add_dependencies(telbo_fuzzers fuzz_engine_decode_corpus)
endif()
