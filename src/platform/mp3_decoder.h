// An MP3 file decoded to signed 16-bit interleaved stereo PCM, at a chosen rate where the
// backend converts rates (libmpg123), else at the file's own rate (the Audio Compression
// Manager, whose caller then runs the output device at that rate): mp3Rate says which.
//
// Decoding is gapless: the encoder's delay and padding (from the file's LAME tag) are not part of
// the output, so the frames decoded are the frames that were encoded. A file that is cut short
// decodes as far as it goes. Nothing is printed: failures come back as a problem text.
#pragma once
#include <cstdint>

struct Mp3Decoder;

// Opens the file at path for decoding, stereo, at `rate` Hz or at the file's own rate. Returns
// null and sets *problem to a short description (valid until the next call) when the file is
// missing, unreadable or not MP3.
Mp3Decoder* mp3Open(const char* path, int32_t rate, const char** problem);

// The output rate in frames a second (what mp3Open was asked for, or the file's), and the
// channel count (always 2).
int32_t mp3Rate(const Mp3Decoder* decoder);
int32_t mp3Channels(const Mp3Decoder* decoder);

// The length in frames when the file tells it before decoding, else -1.
int64_t mp3LengthFrames(const Mp3Decoder* decoder);

// Decodes up to frameCount frames into out; returns the frames written, 0 at the end of the
// music or at a frame that cannot be decoded.
int32_t mp3Read(Mp3Decoder* decoder, int16_t* out, int32_t frameCount);

// Moves so that the next mp3Read starts at output frame `frame` (0 = the first frame of the
// music); past the end it stops at the end. Non-zero on success.
int mp3Seek(Mp3Decoder* decoder, int64_t frame);

// Closes the file and frees the decoder; null is allowed.
void mp3Close(Mp3Decoder* decoder);
