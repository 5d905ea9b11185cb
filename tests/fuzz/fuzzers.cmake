# libFuzzer targets, built only in a clang configuration with -DBRUMELT_FUZZ=ON
# (see dev.sh fuzz). Each target is tests/fuzz/fuzz_NAME.cpp with its seed corpus in
# tests/fuzz/corpus/NAME/; targets that need more than brumelt_core name the libraries in
# tests/fuzz/fuzz_NAME.libs (one CMake target a line).
file(GLOB fuzz_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/fuzz_*.cpp)
foreach(source ${fuzz_sources})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  set(libs brumelt_core)
  string(REGEX REPLACE "\\.cpp$" ".libs" libs_file ${source})
  if(EXISTS ${libs_file})
    file(STRINGS ${libs_file} extra_libs REGEX "^[A-Za-z0-9_:]+$")
    list(APPEND libs ${extra_libs})
  endif()
  target_link_libraries(${name} PRIVATE ${libs})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endforeach()
