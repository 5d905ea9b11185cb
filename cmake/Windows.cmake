# The Windows build (cross-compiled with cmake/toolchains/mingw-*.cmake): brumelt.exe from the core
# sources and the Win32 backends in src/platform/win32/, its test programs, and the Wine tests.
# The content pipeline (images, music, track files) stays in the Linux build: the demo folder gets
# assets/ and tracks/ copied from the Linux build's demo folder (BRUMELT_LINUX_DEMO_DIR).
enable_language(RC)
enable_testing()
include(${PROJECT_SOURCE_DIR}/cmake/EmbedText.cmake)

set(BRUMELT_LINUX_DEMO_DIR ${PROJECT_SOURCE_DIR}/build/demo CACHE PATH
    "The Linux build's demo folder, whose assets/ and tracks/ the Windows demo folder copies")
set(BRUMELT_DEMO_DIR ${CMAKE_BINARY_DIR}/demo)
file(MAKE_DIRECTORY ${BRUMELT_DEMO_DIR})

set(src ${PROJECT_SOURCE_DIR}/src)

# Shaders embedded exactly as in the Linux build.
set(shader_headers)
foreach(name vertex scene glow final)
  set(header ${CMAKE_BINARY_DIR}/generated/shaders/${name}.glsl.h)
  brumelt_embed_text(${header} ${name}_glsl ${src}/render/shaders/${name}.glsl)
  list(APPEND shader_headers ${header})
endforeach()
add_custom_target(brumelt_shaders DEPENDS ${shader_headers})

# The Win32 backends: window and WGL context, GL loader, dialog, display modes, files, stderr.
add_library(brumelt_platform_win32 STATIC
  ${src}/base/log.cpp
  ${src}/platform/win32/console_win32.cpp
  ${src}/platform/win32/dialog_box_win32.cpp
  ${src}/platform/win32/display_modes_win32.cpp
  ${src}/platform/win32/file_win32.cpp
  ${src}/platform/win32/gl_loader_win32.cpp
  ${src}/platform/win32/window_win32.cpp)
target_include_directories(brumelt_platform_win32 PUBLIC ${src} ${CMAKE_BINARY_DIR}/generated)
target_compile_definitions(brumelt_platform_win32 PUBLIC NOMINMAX)
target_link_libraries(brumelt_platform_win32 PUBLIC opengl32 gdi32 user32)

# The layers below the app, as in src/CMakeLists.txt.
add_library(brumelt_render STATIC
  ${src}/tracks/tracks.cpp ${src}/render/tga.cpp ${src}/render/content.cpp
  ${src}/render/resources.cpp)
add_dependencies(brumelt_render brumelt_shaders)
target_link_libraries(brumelt_render PUBLIC brumelt_platform_win32)

# The resource script: the setup dialog's template (app/resources.cpp is its Linux twin).
set(brumelt_resources ${src}/platform/win32/brumelt.rc)

# The audio device and MP3 decoder on Windows' own APIs; the demo is built once they are there.
set(win32_audio_sources
  ${src}/platform/win32/audio_device_waveout.cpp
  ${src}/platform/win32/mp3_decoder_acm.cpp)
set(have_win32_audio TRUE)
foreach(file ${win32_audio_sources})
  if(NOT EXISTS ${file})
    set(have_win32_audio FALSE)
  endif()
endforeach()
if(EXISTS ${src}/platform/mp3_frames.cpp) # the MP3 frame walk the ACM decoder stands on
  list(APPEND win32_audio_sources ${src}/platform/mp3_frames.cpp)
endif()

if(have_win32_audio)
  add_library(brumelt_audio STATIC
    ${src}/audio/audio_output.cpp ${src}/audio/music.cpp ${src}/audio/play_clock.cpp
    ${win32_audio_sources})
  target_link_libraries(brumelt_audio PUBLIC brumelt_platform_win32 winmm msacm32)

  add_library(brumelt_app STATIC
    ${src}/app/demo.cpp ${src}/app/settings.cpp ${src}/app/setup_dialog.cpp)
  target_link_libraries(brumelt_app PUBLIC brumelt_render brumelt_audio)
  target_compile_definitions(brumelt_app PRIVATE $<$<NOT:$<CONFIG:Release>>:BRUMELT_GL_CHECKS>)

  # The demo: a GUI-subsystem program (no console window of its own).
  add_executable(brumelt WIN32 ${src}/app/main.cpp ${brumelt_resources})
  target_link_libraries(brumelt PRIVATE brumelt_app)
  set_target_properties(brumelt PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${BRUMELT_DEMO_DIR})
else()
  message(STATUS "Windows audio backends not present yet: brumelt.exe is not built")
endif()

# --- Test programs (console subsystem, run under Wine) ---------------------------------------

# One frame at a track row, written raw, for comparing with the Linux build's frame.
add_executable(brumelt-frame-dump ${PROJECT_SOURCE_DIR}/tests/windows/frame_dump.cpp)
target_link_libraries(brumelt-frame-dump PRIVATE brumelt_render)

# The data files come from the Linux build, which makes them.
add_custom_target(brumelt_win_demo_data ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${BRUMELT_LINUX_DEMO_DIR}/assets
          ${BRUMELT_DEMO_DIR}/assets
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${BRUMELT_LINUX_DEMO_DIR}/tracks
          ${BRUMELT_DEMO_DIR}/tracks
  COMMENT "Copying assets/ and tracks/ from ${BRUMELT_LINUX_DEMO_DIR}"
  VERBATIM)

# The setup dialog's procedure on the real resource and the system's dialog manager.
add_executable(brumelt-dialog-check
  ${PROJECT_SOURCE_DIR}/tests/windows/dialog_check.cpp ${src}/app/setup_dialog.cpp
  ${brumelt_resources})
target_link_libraries(brumelt-dialog-check PRIVATE brumelt_platform_win32)

# The audio backends' own check program, when the tree has it.
if(EXISTS ${PROJECT_SOURCE_DIR}/tests/windows/audio_check/CMakeLists.txt)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/windows/audio_check tests/windows/audio_check)
endif()

# --- Tests under Wine ------------------------------------------------------------------------
set(wine_test ${PROJECT_SOURCE_DIR}/tests/windows/wine_test.sh)
get_filename_component(linux_build_dir ${BRUMELT_LINUX_DEMO_DIR} DIRECTORY)
function(brumelt_wine_test name)
  add_test(NAME wine_${name} COMMAND bash ${wine_test} ${name} ${CMAKE_BINARY_DIR} ${linux_build_dir})
  set_tests_properties(wine_${name} PROPERTIES LABELS "wine;x11" RESOURCE_LOCK wine_display
                       TIMEOUT 300)
endfunction()
brumelt_wine_test(dialog_check)
if(have_win32_audio)
  foreach(case dialog_escape run_window_size fullscreen close_box music_missing damaged_images
          damaged_tracks)
    brumelt_wine_test(${case})
  endforeach()
endif()
brumelt_wine_test(frame_equal)
