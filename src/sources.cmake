# The core's source lists, one place for every platform's build (src/CMakeLists.txt on Linux,
# cmake/Windows.cmake, cmake/Web.cmake). Paths are relative to src/.
set(brumelt_shader_names vertex scene glow final) # render/shaders/NAME.glsl
set(brumelt_base_sources base/log.cpp base/text_file.cpp base/text_lines.cpp)
set(brumelt_tracks_sources tracks/tracks.cpp)
set(brumelt_tga_sources render/tga.cpp)
set(brumelt_render_sources render/content.cpp render/resources.cpp)
set(brumelt_audio_sources audio/audio_output.cpp audio/music.cpp audio/play_clock.cpp)
set(brumelt_app_sources app/demo.cpp app/settings.cpp app/setup_dialog.cpp)

# brumelt_src_paths(VAR LIST...): the lists' files as absolute paths, in VAR.
function(brumelt_src_paths var)
  set(paths)
  foreach(list ${ARGN})
    foreach(file ${${list}})
      list(APPEND paths ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${file})
    endforeach()
  endforeach()
  set(${var} ${paths} PARENT_SCOPE)
endfunction()
