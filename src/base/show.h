// The show's fixed facts, shared by the demo, its tools, the benchmarks and the tests.
#pragma once

// The music's tempo and its grid: 165 beats a minute, 8 rows a beat, 4 beats a bar.
inline constexpr float showTempoBpm = 165.0f;
inline constexpr int showRowsPerBeat = 8;
inline constexpr int showBeatsPerBar = 4;
inline constexpr int showRowsPerBar = showRowsPerBeat * showBeatsPerBar;
// Track rows per second of music: 165 / 60 x 8.
inline constexpr double showRowsPerSecond = double(showTempoBpm) / 60.0 * showRowsPerBeat;

// Seconds from the window library's start after which the demo ends.
inline constexpr double showLengthSeconds = 157.0;

// The music's output rate, in frames a second.
inline constexpr int showAudioRate = 44100;

// Data files, relative to the demo's folder.
inline constexpr const char* showMusicPath = "assets/music.mp3";
inline constexpr const char* showAssetsDir = "assets";
inline constexpr const char* showGreetsImage = "greets.tga";
inline constexpr const char* showLogoImage = "qrv.tga";
inline constexpr const char* showTrackPrefix = "./tracks/sync";

// What the viewer reads.
inline constexpr const char* showWindowTitle = "QRV at Solvance 2014";
inline constexpr const char* showDialogTitle = "QRV :: Brumelt";

// The row of the still that stands for the show in the party release (brumelt.png): the logo,
// fully revealed, over the city in "climax".
inline constexpr int showPartyStillRow = 2350;
