# tracks/sync_*.track: the choreography. choreo resolves content/show.tracks against the music's
# events (section starts, kicks) and adds the pulses that follow the hits; trackc compiles the
# result into one file per track.
set(show_events ${CMAKE_BINARY_DIR}/content/music-events.txt)

set(show_source ${CMAKE_CURRENT_SOURCE_DIR}/show.tracks)
set(show_generated ${CMAKE_CURRENT_BINARY_DIR}/show-generated.tracks)
set(show_stamp ${CMAKE_CURRENT_BINARY_DIR}/show-tracks.stamp)
add_custom_command(
  OUTPUT ${show_stamp}
  BYPRODUCTS ${show_generated}
  COMMAND choreo ${show_source} ${show_events} ${show_generated}
  COMMAND trackc build ${show_generated} --prefix ${BRUMELT_DEMO_DIR}/tracks/sync
  COMMAND ${CMAKE_COMMAND} -E touch ${show_stamp}
  DEPENDS choreo trackc ${show_source} ${show_events} music_events
  COMMENT "Making tracks/sync_*.track from the show and the music's events"
  VERBATIM)
add_custom_target(show_tracks DEPENDS ${show_stamp})
set_property(GLOBAL PROPERTY BRUMELT_SHOW_EVENTS_FILE ${show_events})
add_dependencies(demo show_tracks)
