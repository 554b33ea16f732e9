# Tag read + write + check on a copy, against arbitrary bytes. Seeds are made by the build:
# fuzz/corpus/tag_io in the build folder.
telbo_add_fuzzer(fuzz_tag_io ${CMAKE_CURRENT_LIST_DIR}/tag_io.cpp)
target_link_libraries(fuzz_tag_io PRIVATE telbo_tags)
if(TARGET telbo_mp3fixture AND TARGET telbo_audiofixture)
    add_executable(telbo_tag_seeds ${CMAKE_CURRENT_LIST_DIR}/tag_io_seeds.cpp)
    target_link_libraries(telbo_tag_seeds PRIVATE telbo_mp3fixture telbo_audiofixture)
    set(seeds ${CMAKE_CURRENT_BINARY_DIR}/corpus/tag_io)
    add_custom_command(OUTPUT ${seeds}/bare.mp3
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:telbo_tag_seeds> ${seeds}
        DEPENDS telbo_tag_seeds COMMENT "Seeds of fuzz_tag_io")
    add_custom_target(fuzz_tag_io_corpus DEPENDS ${seeds}/bare.mp3)
    add_dependencies(telbo_fuzzers fuzz_tag_io_corpus)
endif()
