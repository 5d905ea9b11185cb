# libFuzzer targets, built only in a clang configuration with -DBRUMELT_FUZZ=ON (see dev.sh fuzz).
# Each target is tests/fuzz/fuzz_NAME.cpp with its seed corpus in tests/fuzz/corpus/NAME/, linked
# with the one library whose input handling it exercises.
function(brumelt_add_fuzzer name library)
  add_executable(${name} ${CMAKE_CURRENT_LIST_DIR}/${name}.cpp)
  target_link_libraries(${name} PRIVATE ${library})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()

brumelt_add_fuzzer(fuzz_tga brumelt_formats)
brumelt_add_fuzzer(fuzz_mp3_frames brumelt_formats)
brumelt_add_fuzzer(fuzz_track_loader brumelt_tracks)
brumelt_add_fuzzer(fuzz_trackc_parser trackc_lib)
brumelt_add_fuzzer(fuzz_score_parser synth_lib)
brumelt_add_fuzzer(fuzz_choreo choreo_lib)
