# The x86 build's tests (CTest label wine32), part of the x86 Windows build. They are cases of
# tests/windows/wine_test.sh, run the way scripts/i386-root.sh chooses: plain wine where the
# kernel runs 32-bit code and i386 Wine is installed, else i386 Wine in an i386 root of its own,
# with qemu-user emulating the CPU where the kernel runs no 32-bit code. Under emulation a frame
# at 320 x 180 costs seconds and a start of Wine about ten, so each case is one or two starts:
# the dialog, the window of the chosen size with its frames, the ways out, two image damages in
# one run and the frame equality with Linux. wine32_prefix makes the root and the prefix (about
# a minute and a half the first time, then nothing) before the cases.
set(wine_test ${PROJECT_SOURCE_DIR}/tests/windows/wine_test.sh)
get_filename_component(wine32_linux_build ${BRUMELT_LINUX_DEMO_DIR} DIRECTORY)

function(brumelt_wine32_test name)
  add_test(NAME wine32_${name}
           COMMAND bash ${wine_test} ${name} ${CMAKE_BINARY_DIR} ${wine32_linux_build})
  set_tests_properties(wine32_${name} PROPERTIES LABELS "wine32;x11" RESOURCE_LOCK wine32
                       FIXTURES_REQUIRED wine32_prefix TIMEOUT 900)
endfunction()

add_test(NAME wine32_prefix COMMAND bash ${wine_test} prefix ${CMAKE_BINARY_DIR})
set_tests_properties(wine32_prefix PROPERTIES LABELS "wine32;x11" RESOURCE_LOCK wine32
                     FIXTURES_SETUP wine32_prefix TIMEOUT 1200)
foreach(case dialog_escape dialog_check run_window_size music_missing no_sound_server
        damaged_images frame_equal)
  brumelt_wine32_test(${case})
endforeach()
# Both images damaged in one start, each in a way that reaches the size arithmetic, which is
# 32-bit here: a size past 2 GiB and a file shorter than its header.
set_tests_properties(wine32_damaged_images PROPERTIES ENVIRONMENT
                     "BRUMELT_WINE_IMAGE_DAMAGES=huge/truncated")
