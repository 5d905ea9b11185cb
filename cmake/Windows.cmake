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
include(${src}/sources.cmake)

# Shaders embedded exactly as in the Linux build.
brumelt_embed_shaders()

# The Win32 backends: window and WGL context, GL loader, dialog, display modes, files, stderr.
brumelt_src_paths(base_sources brumelt_base_sources)
add_library(brumelt_platform_win32 STATIC
  ${base_sources}
  ${src}/platform/win32/console_win32.cpp
  ${src}/platform/win32/dialog_box_win32.cpp
  ${src}/platform/win32/display_modes_win32.cpp
  ${src}/platform/win32/file_win32.cpp
  ${src}/platform/win32/gl_loader_win32.cpp
  ${src}/platform/win32/window_win32.cpp)
target_include_directories(brumelt_platform_win32 PUBLIC ${src} ${CMAKE_BINARY_DIR}/generated)
target_compile_definitions(brumelt_platform_win32 PUBLIC NOMINMAX)
target_link_libraries(brumelt_platform_win32 PUBLIC opengl32 gdi32 user32)

# The layers, from the same lists as the Linux build.
brumelt_src_paths(render_sources brumelt_tracks_sources brumelt_tga_sources brumelt_render_sources)
add_library(brumelt_render STATIC ${render_sources})
add_dependencies(brumelt_render brumelt_shaders)
target_link_libraries(brumelt_render PUBLIC brumelt_platform_win32)

# The audio device and MP3 decoder on Windows' own APIs (waveOut, the Audio Compression Manager),
# the decoder standing on the shared MP3 frame walk.
brumelt_src_paths(audio_sources brumelt_audio_sources)
add_library(brumelt_audio STATIC
  ${audio_sources}
  ${src}/platform/mp3_frames.cpp
  ${src}/platform/win32/audio_device_waveout.cpp
  ${src}/platform/win32/mp3_decoder_acm.cpp)
target_link_libraries(brumelt_audio PUBLIC brumelt_platform_win32 winmm msacm32)

brumelt_src_paths(app_sources brumelt_app_sources)
add_library(brumelt_app STATIC ${app_sources})
target_link_libraries(brumelt_app PUBLIC brumelt_render brumelt_audio)
target_compile_definitions(brumelt_app PRIVATE $<$<NOT:$<CONFIG:Release>>:BRUMELT_GL_CHECKS>)

# The resource script: the setup dialog's template (app/resources.cpp is its Linux twin).
set(brumelt_resources ${src}/platform/win32/brumelt.rc)

# The demo: a GUI-subsystem program (no console window of its own).
add_executable(brumelt WIN32 ${src}/app/main.cpp ${brumelt_resources})
target_link_libraries(brumelt PRIVATE brumelt_app)
set_target_properties(brumelt PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${BRUMELT_DEMO_DIR})

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

# The audio backends' own check program.
add_subdirectory(${PROJECT_SOURCE_DIR}/tests/windows/audio_check tests/windows/audio_check)

# --- Tests under Wine ------------------------------------------------------------------------
set(wine_test ${PROJECT_SOURCE_DIR}/tests/windows/wine_test.sh)
get_filename_component(linux_build_dir ${BRUMELT_LINUX_DEMO_DIR} DIRECTORY)
function(brumelt_wine_test name)
  add_test(NAME wine_${name} COMMAND bash ${wine_test} ${name} ${CMAKE_BINARY_DIR} ${linux_build_dir})
  set_tests_properties(wine_${name} PROPERTIES LABELS "wine;x11" RESOURCE_LOCK wine_display
                       TIMEOUT 300)
endfunction()
brumelt_wine_test(dialog_check)
foreach(case dialog_escape run_window_size fullscreen close_box music_missing no_sound_server
        damaged_images damaged_tracks)
  brumelt_wine_test(${case})
endforeach()
brumelt_wine_test(frame_equal)

# --- Tests of the x86 build (label wine32) ---------------------------------------------------
if(CMAKE_SYSTEM_PROCESSOR STREQUAL x86)
  include(${PROJECT_SOURCE_DIR}/tests/windows/wine32_tests.cmake)
endif()
