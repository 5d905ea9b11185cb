// The MP3 frame layout must never read outside the bytes it is given, and every frame it lists
// must lie whole inside them, in order, with a gapless window inside the decoded frames.
#include "formats/mp3_frames.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Mp3Layout layout;
    if (mp3ScanFrames(data, size, &layout) != nullptr) return 0;
    uint64_t previousEnd = 0;
    for (const Mp3FrameSpan& frame : layout.frames) {
        if (frame.offset < previousEnd || uint64_t(frame.offset) + frame.bytes > size) std::abort();
        if (data[frame.offset] != 0xff) std::abort();
        previousEnd = frame.offset + frame.bytes;
    }
    Mp3GaplessWindow window = mp3GaplessWindow(layout, 529);
    int64_t decoded = int64_t(layout.frames.size()) * layout.samplesPerFrame;
    if (window.skip < 0 || window.length < 0 || window.skip + window.length > decoded) std::abort();
    return 0;
}
