# brumelt_layer(NAME SOURCES file... [LIBS library...])
# One layer of the system (or one seam's backend): a static library of those sources that links
# exactly the libraries named, and a link check that proves it. The check is a program holding
# every object of the library (whole archive) and nothing else but those libraries, so a file
# that calls into a layer or seam its library does not link leaves an undefined symbol and fails
# the build, on every platform.
function(brumelt_layer name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${arg_SOURCES})
  target_link_libraries(${name} PUBLIC ${arg_LIBS})
  if(BRUMELT_FUZZ)
    return()
  endif()
  set(check link_check_${name})
  add_executable(${check} ${PROJECT_SOURCE_DIR}/cmake/link_check.cpp)
  target_link_options(${check} PRIVATE "LINKER:--whole-archive" $<TARGET_FILE:${name}>
                      "LINKER:--no-whole-archive" ${BRUMELT_WEB_LINK_OPTIONS})
  target_link_libraries(${check} PRIVATE ${name})
  set_target_properties(${check} PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                            ${CMAKE_BINARY_DIR}/link_checks)
  if(EMSCRIPTEN)
    # Without this the browser's linker drops the unreachable objects first, and their unresolved
    # calls with them.
    target_link_options(${check} PRIVATE "LINKER:--no-gc-sections")
    set_target_properties(${check} PROPERTIES SUFFIX .js)
  endif()
endfunction()
