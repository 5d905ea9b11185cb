// Audio output: one MP3 stream played on the default output device (or, for the studio, music
// already in memory).
//
// Built on the output device (platform/audio_device.h), whose thread pulls PCM that is decoded as
// the music plays (platform/mp3_decoder.h), and on the play clock (audio/play_clock.h). The
// operations mirror what the music module needs of a sound library: initialise a device, make a
// stream from a file, start output, play, and report the play position in bytes of decoded PCM
// together with its conversion to seconds; the studio also seeks and pauses.
//
// The position counts the music actually handed to the device, less what the device still holds
// in its buffers, so it follows what is heard. It never decreases, except to where a seek or a
// restart puts it; between two device callbacks it advances smoothly with a monotonic clock,
// never past the end of the buffer being played. Decoding is gapless: encoder delay and padding
// are not counted. Once the music has ended the position stays at its end.
//
// Failures print one line on stderr prefixed "brumelt: audio:" and return 0.
#pragma once
#include <cstdint>

using AudioStream = uint32_t; // 0 means no stream

// Opens the system's default output device at `frequency` Hz (stereo, 16 bit) with output paused.
// `device` -1 means the default device. Returns non-zero on success. The device runs at the
// stream's rate: a file stream from a decoder that keeps the file's own rate (the Windows one)
// reopens it at that rate.
int audioInitDevice(int device, int frequency, uint32_t flags);

// Makes a stream that decodes the MP3 file at `path`; offset 0 and length 0 mean the whole file.
// Returns 0 when the file is missing, unreadable or not MP3, or when the device cannot be moved
// to the music's rate.
AudioStream audioCreateFileStream(const char* path, uint64_t offset, uint64_t length,
                                  uint32_t flags);

// Makes a stream of frameCount frames of interleaved 16-bit stereo at `rate` Hz, copied, in place
// of any stream before it. Returns 0 (after one line) when the rate is not the device's.
AudioStream audioCreateMemoryStream(const int16_t* frames, int64_t frameCount, int32_t rate);

// Starts the device's output; non-zero on success.
int audioStartOutput();

// Plays the stream from its beginning when `restart` is non-zero; otherwise from where it is (its
// beginning, or where a seek put it), or goes on when it was paused. Non-zero on success.
int audioPlay(AudioStream stream, int restart);

// Moves the stream to byte `bytes` of its decoded PCM (whole frames; past the end means the end):
// the position reads that at once and the music goes on from there. Non-zero on success.
int audioSeek(AudioStream stream, uint64_t bytes);

// Pauses (the position holds, the device plays silence) or goes on from the held position.
// Non-zero on success.
int audioPause(AudioStream stream, int paused);

// Bytes of decoded PCM heard so far; on failure the last good position (0 before any).
uint64_t audioBytePosition(AudioStream stream);

// Converts a byte position of the stream into seconds from the stream's own format (-1 with no
// stream), and seconds into a byte position of whole frames (0 with no stream).
double audioBytesToSeconds(AudioStream stream, uint64_t bytes);
uint64_t audioSecondsToBytes(AudioStream stream, double seconds);

// Closes the stream and the device (for tests and tools; the demo leaves it to process exit).
void audioShutdown();
