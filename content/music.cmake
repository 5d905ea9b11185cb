# assets/music.mp3 and the music's event file, both made from content/music.score by the
# synthesizer in tools/synth. The MP3 carries an encoder-delay tag, so gapless decoders give
# sample 0 of the score at time 0.
find_program(LAME_EXECUTABLE lame REQUIRED)
set(music_score ${CMAKE_CURRENT_SOURCE_DIR}/music.score)
set(music_wav ${CMAKE_CURRENT_BINARY_DIR}/music.wav)
set(music_mp3 ${BRUMELT_DEMO_DIR}/assets/music.mp3)
set(music_events ${CMAKE_CURRENT_BINARY_DIR}/music-events.txt)
add_custom_command(
  OUTPUT ${music_wav}
  COMMAND synth ${music_score} --wav ${music_wav}
  DEPENDS synth ${music_score}
  COMMENT "Rendering the music score"
  VERBATIM)
add_custom_command(
  OUTPUT ${music_mp3}
  COMMAND ${LAME_EXECUTABLE} --quiet -b 192 ${music_wav} ${music_mp3}
  DEPENDS ${music_wav}
  COMMENT "Making assets/music.mp3"
  VERBATIM)
add_custom_command(
  OUTPUT ${music_events}
  COMMAND synth ${music_score} --events ${music_events}
  DEPENDS synth ${music_score}
  COMMENT "Writing the music's event file"
  VERBATIM)
add_custom_target(demo_music DEPENDS ${music_mp3})
add_custom_target(music_events DEPENDS ${music_events})
add_dependencies(demo demo_music music_events)
