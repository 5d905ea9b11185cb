# brumelt_add_each_subdirectory()
# Adds every folder beside the calling CMakeLists.txt that has a CMakeLists.txt of its own, so a
# new tool, test suite or benchmark needs no edit elsewhere.
function(brumelt_add_each_subdirectory)
  file(GLOB entries LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(dir ${entries})
    if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
