# The browser build (Emscripten, WebGL 1), included by the top-level CMakeLists.txt when the
# toolchain is Emscripten's; nothing else of the tree is configured then.
#
#   emcmake cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release \
#       -DBRUMELT_WEB_CONTENT_DIR=$PWD/build/demo
#   cmake --build build-web
#
# The servable folder is build-web/site: the page, brumelt.js + brumelt.wasm, the packed images
# and tracks (brumelt-data.json + brumelt-data.pack) and assets/music.mp3. The content is made
# by the Linux build; BRUMELT_WEB_CONTENT_DIR names its demo folder (assets/ and tracks/).
# Only Emscripten's own JS libraries are used (HTML5 API, WebGL): its ports download at build
# time and would fail offline.

set(BRUMELT_WEB_CONTENT_DIR ${CMAKE_SOURCE_DIR}/build/demo
    CACHE PATH "Demo folder of the Linux build, whose assets/ and tracks/ the page serves")
set(BRUMELT_WEB_SITE_DIR ${CMAKE_BINARY_DIR}/site)
file(MAKE_DIRECTORY ${BRUMELT_WEB_SITE_DIR}/assets)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
include(${CMAKE_SOURCE_DIR}/cmake/EmbedText.cmake)

# Optimised links run Emscripten's JS optimiser under node, which needs the acorn parser:
# Debian ships it in /usr/share/nodejs, where a node from elsewhere does not look.
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)

set(web_src ${CMAKE_SOURCE_DIR}/src)
set(web_dir ${web_src}/platform/web)
include(${web_src}/sources.cmake)

# The desktop shaders as GLSL ES 1.00, embedded under the same header names and symbols as on
# the desktop, so the render code includes them unchanged.
set(web_shader_headers)
set(web_shader_texts)
foreach(name ${brumelt_shader_names})
  if(name STREQUAL "vertex")
    set(stage vertex)
  else()
    set(stage fragment)
  endif()
  set(input ${web_src}/render/shaders/${name}.glsl)
  set(es_text ${CMAKE_BINARY_DIR}/generated/shaders-es/${name}.glsl)
  set(header ${CMAKE_BINARY_DIR}/generated/shaders/${name}.glsl.h)
  add_custom_command(
    OUTPUT ${es_text}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${es_text} -DSTAGE=${stage}
            -P ${CMAKE_SOURCE_DIR}/cmake/GlslEsScript.cmake
    DEPENDS ${input} ${CMAKE_SOURCE_DIR}/cmake/GlslEsScript.cmake
    COMMENT "Converting ${name}.glsl to GLSL ES 1.00"
    VERBATIM)
  brumelt_embed_text(${header} ${name}_glsl ${es_text})
  list(APPEND web_shader_headers ${header})
  list(APPEND web_shader_texts ${es_text})
endforeach()
add_custom_target(brumelt_web_shaders DEPENDS ${web_shader_headers})

set(web_link_options
  -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB
  -sENVIRONMENT=web -sEXIT_RUNTIME=0
  "-sEXPORTED_RUNTIME_METHODS=[\"FS\",\"HEAPU8\"]" -sFORCE_FILESYSTEM=1)

# The demo: the core's tracks and render layers, the file code on the in-memory file system, and
# the browser's window, GL and music backends under the page's own entry point.
brumelt_src_paths(web_core_sources brumelt_base_sources brumelt_tracks_sources brumelt_tga_sources
                  brumelt_render_sources)
list(APPEND web_core_sources
  ${web_src}/platform/file_posix.cpp
  ${web_dir}/window_web.cpp
  ${web_dir}/gl_loader_web.cpp
  ${web_dir}/music_web.cpp
  ${web_dir}/main_web.cpp)
add_executable(brumelt ${web_core_sources})
add_dependencies(brumelt brumelt_web_shaders)
target_include_directories(brumelt PRIVATE ${web_src} ${CMAKE_BINARY_DIR}/generated)
target_link_options(brumelt PRIVATE ${web_link_options}
  "-sEXPORTED_FUNCTIONS=[\"_brumeltStart\",\"_brumeltStill\",\"_brumeltStillPixels\",\"_brumeltBenchFrames\",\"_malloc\",\"_free\"]")
set_target_properties(brumelt PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${BRUMELT_WEB_SITE_DIR})

# The page, copied beside the script.
set(web_page_files index.html page.js page.css)
set(web_page_outputs)
foreach(file ${web_page_files})
  add_custom_command(
    OUTPUT ${BRUMELT_WEB_SITE_DIR}/${file}
    COMMAND ${CMAKE_COMMAND} -E copy ${web_dir}/page/${file} ${BRUMELT_WEB_SITE_DIR}/${file}
    DEPENDS ${web_dir}/page/${file}
    VERBATIM)
  list(APPEND web_page_outputs ${BRUMELT_WEB_SITE_DIR}/${file})
endforeach()

# Images and tracks in one gzip-compressed pack that the page unpacks into the in-memory file
# system; the music stays a plain file for the <audio> element, fetched only when the show runs.
file(GLOB web_track_files CONFIGURE_DEPENDS ${BRUMELT_WEB_CONTENT_DIR}/tracks/*.track)
set(web_packed_files
  ${BRUMELT_WEB_CONTENT_DIR}/assets/greets.tga
  ${BRUMELT_WEB_CONTENT_DIR}/assets/qrv.tga
  ${web_track_files})
add_custom_command(
  OUTPUT ${BRUMELT_WEB_SITE_DIR}/brumelt-data.json ${BRUMELT_WEB_SITE_DIR}/brumelt-data.pack
  COMMAND ${Python3_EXECUTABLE} ${web_dir}/pack_assets.py ${BRUMELT_WEB_CONTENT_DIR}
          ${BRUMELT_WEB_SITE_DIR}/brumelt-data assets/greets.tga assets/qrv.tga tracks
  DEPENDS ${web_packed_files} ${web_dir}/pack_assets.py
  COMMENT "Packing the images and tracks for the page"
  VERBATIM)
add_custom_command(
  OUTPUT ${BRUMELT_WEB_SITE_DIR}/assets/music.mp3
  COMMAND ${CMAKE_COMMAND} -E copy ${BRUMELT_WEB_CONTENT_DIR}/assets/music.mp3
          ${BRUMELT_WEB_SITE_DIR}/assets/music.mp3
  DEPENDS ${BRUMELT_WEB_CONTENT_DIR}/assets/music.mp3
  VERBATIM)
add_custom_target(brumelt_web_site ALL
  DEPENDS ${web_page_outputs} ${BRUMELT_WEB_SITE_DIR}/brumelt-data.json
          ${BRUMELT_WEB_SITE_DIR}/assets/music.mp3)
add_dependencies(brumelt_web_site brumelt)

# A WebGL program that only compiles and links the converted shaders and reports each result,
# so a shader the browser rejects is named on its own.
add_executable(shader_check ${CMAKE_SOURCE_DIR}/tests/web/shader_check.cpp)
add_dependencies(shader_check brumelt_web_shaders)
target_include_directories(shader_check PRIVATE ${web_src} ${CMAKE_BINARY_DIR}/generated)
target_link_options(shader_check PRIVATE ${web_link_options})
set_target_properties(shader_check PROPERTIES SUFFIX .js
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-site)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/test-site/shader_check.html
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/tests/web/shader_check.html
          ${CMAKE_BINARY_DIR}/test-site/shader_check.html
  DEPENDS ${CMAKE_SOURCE_DIR}/tests/web/shader_check.html
  VERBATIM)
add_custom_target(brumelt_web_test_site ALL DEPENDS ${CMAKE_BINARY_DIR}/test-site/shader_check.html)
add_dependencies(brumelt_web_test_site shader_check)
