// MP3 files made at test time: a tone written as WAV and encoded with lame, plus libmpg123's own
// decode of a file for comparison.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Writes a stereo 16-bit WAV of a sine tone at 44.1 kHz; returns its sample frames.
size_t writeToneWav(const std::string& path, double seconds, double frequency);

// Encodes a WAV file to MP3 with lame, with extra lame options (a rate, mono); true on success.
bool encodeMp3(const std::string& wavPath, const std::string& mp3Path, const char* options = "");

// Decodes an MP3 file with libmpg123 to stereo 16-bit PCM (gapless) at `rate` Hz, resampled
// when the file has another rate, as bytes.
std::vector<uint8_t> decodeMp3(const std::string& path, long rate = 44100);
