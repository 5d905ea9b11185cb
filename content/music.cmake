# assets/music.mp3: a click track at the music's tempo, encoded with lame.
find_program(LAME_EXECUTABLE lame REQUIRED)
set(music_wav ${CMAKE_CURRENT_BINARY_DIR}/music.wav)
set(music_mp3 ${BRUMELT_DEMO_DIR}/assets/music.mp3)
add_custom_command(
  OUTPUT ${music_mp3}
  COMMAND clicktrack ${music_wav} 160 165
  COMMAND ${LAME_EXECUTABLE} --quiet -b 192 ${music_wav} ${music_mp3}
  DEPENDS clicktrack
  COMMENT "Making assets/music.mp3"
  VERBATIM)
add_custom_target(demo_music DEPENDS ${music_mp3})
add_dependencies(demo demo_music)
