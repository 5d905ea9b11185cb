// The layout of an MPEG layer III file, for decoders that take one frame at a time: where each
// audio frame lies in the file's bytes, and the gapless window the encoder's info frame gives.
//
// mp3ScanFrames skips ID3v2 tags, finds the first frame whose successor confirms it (so stray
// sync bytes in a tag or in garbage are not taken for music), then walks frame to frame. A
// damaged stretch is skipped up to the next confirmed frame; a frame cut off by the end of the
// file is left out. Frames must keep the first frame's version, sample rate and channel count.
// A first frame carrying a "Xing"/"Info" tag is not music and is not listed; its LAME part gives
// the encoder delay and padding. Reads only inside [bytes, bytes + size).
//
// mp3GaplessWindow says which samples of a decoder's output (the listed frames decoded one after
// the other from the first) are the music: skip the first `skip`, keep `length`.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct Mp3FrameSpan {
    uint32_t offset; // from the start of the file
    uint32_t bytes;  // the whole frame, header included
};

struct Mp3Layout {
    int32_t sampleRate = 0;
    int32_t channels = 0;             // 1 or 2
    int32_t samplesPerFrame = 0;      // 1152 (MPEG 1) or 576 (MPEG 2 and 2.5)
    int32_t firstBitrateKbps = 0;     // of the first audio frame
    std::vector<Mp3FrameSpan> frames; // audio frames in file order, the info frame excluded
    int64_t taggedFrames = -1;        // audio frame count the info tag states, -1 without one
    int32_t encoderDelay = -1;        // samples, from the LAME tag; -1 without one
    int32_t encoderPadding = -1;
};

struct Mp3GaplessWindow {
    int64_t skip;   // decoder output samples before the music
    int64_t length; // music samples after them
};

// Fills *layout from the file's bytes; null on success, else a short problem text (static).
const char* mp3ScanFrames(const uint8_t* bytes, size_t size, Mp3Layout* layout);

// The music within a decoder's output, given the decoder's own delay in samples (529 for the
// usual polyphase synthesis). Without a LAME tag nothing is trimmed.
Mp3GaplessWindow mp3GaplessWindow(const Mp3Layout& layout, int32_t decoderDelay);
