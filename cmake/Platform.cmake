# What each platform's build needs before the tree is configured: the system libraries the
# backends link (Linux), the resource compiler (Windows), the browser's link options (web), and
# where the demo folder is assembled.
#
# BRUMELT_DEMO_DIR: the self-contained demo folder (the program with assets/ and tracks/ beside
# it; the browser's servable site). BRUMELT_LINUX_DEMO_DIR: for the cross builds, the Linux build's
# demo folder, whose assets/ and tracks/ they take (the content is made on Linux only).

if(BRUMELT_PLATFORM STREQUAL "linux")
  find_package(OpenGL REQUIRED)
  find_package(glfw3 REQUIRED)
  find_package(GLEW REQUIRED)
  find_package(SDL2 REQUIRED)
  find_package(Freetype REQUIRED)
  find_package(X11 REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MPG123 REQUIRED IMPORTED_TARGET libmpg123)
  pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
  # Dear ImGui as Debian packs it, for the studio's overlay: one library with its backends, glyphs
  # packed by stb.
  pkg_check_modules(IMGUI REQUIRED IMPORTED_TARGET imgui stb)
  set(BRUMELT_DEMO_DIR ${CMAKE_BINARY_DIR}/demo)
  file(MAKE_DIRECTORY ${BRUMELT_DEMO_DIR}/assets ${BRUMELT_DEMO_DIR}/tracks)
  return()
endif()

set(BRUMELT_LINUX_DEMO_DIR ${PROJECT_SOURCE_DIR}/build/demo CACHE PATH
    "The Linux build's demo folder, whose assets/ and tracks/ this build's demo folder takes")

if(BRUMELT_PLATFORM STREQUAL "windows")
  enable_language(RC)
  set(BRUMELT_DEMO_DIR ${CMAKE_BINARY_DIR}/demo)
  file(MAKE_DIRECTORY ${BRUMELT_DEMO_DIR})
  # windows.h without its min/max macros, everywhere.
  add_compile_definitions(NOMINMAX)
  return()
endif()

# The browser (Debian's Emscripten, WebGL 1). Only Emscripten's own JS libraries are used (HTML5
# API, WebGL): its ports download at build time and would fail offline.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(BRUMELT_DEMO_DIR ${CMAKE_BINARY_DIR}/site)
file(MAKE_DIRECTORY ${BRUMELT_DEMO_DIR}/assets)
# Optimised links run Emscripten's JS optimiser under node, which needs the acorn parser: Debian
# ships it in /usr/share/nodejs, where a node from elsewhere does not look.
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(BRUMELT_WEB_LINK_OPTIONS
  -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB
  -sENVIRONMENT=web -sEXIT_RUNTIME=0
  "-sEXPORTED_RUNTIME_METHODS=[\"FS\",\"HEAPU8\"]" -sFORCE_FILESYSTEM=1)
