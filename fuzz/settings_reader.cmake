# Settings reader against arbitrary bytes. Seeds: fuzz/corpus/settings/.
telbo_add_fuzzer(fuzz_settings_reader ${CMAKE_CURRENT_LIST_DIR}/settings_reader.cpp)
target_link_libraries(fuzz_settings_reader PRIVATE telbo_core_logic)
