#include "formats/mp3_frames.h"

#include <algorithm>
#include <cstring>

struct FrameHeader {
    int version; // the header's two version bits: 3 MPEG 1, 2 MPEG 2, 0 MPEG 2.5
    int rateIndex;
    int sampleRate;
    int channels;
    int bitrateKbps;
    uint32_t bytes;
    int samplesPerFrame;
    int sideInfoBytes;
    bool crc;
};

static const int bitratesMpeg1[15] = {0,   32,  40,  48,  56,  64,  80, 96,
                                      112, 128, 160, 192, 224, 256, 320};
static const int bitratesMpeg2[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
static const int sampleRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

static uint32_t bigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// Decodes the four header bytes at p; false for anything but a layer III frame of known size
// (free-format frames have no size in the header and are not accepted).
static bool parseHeader(const uint8_t* p, FrameHeader* h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    int version = (p[1] >> 3) & 3;
    int layer = (p[1] >> 1) & 3;
    int bitrateIndex = p[2] >> 4;
    int rateIndex = (p[2] >> 2) & 3;
    int emphasis = p[3] & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3 ||
        emphasis == 2)
        return false;
    bool mpeg1 = version == 3;
    h->version = version;
    h->rateIndex = rateIndex;
    h->sampleRate = sampleRates[version][rateIndex];
    h->channels = (p[3] >> 6) == 3 ? 1 : 2;
    h->bitrateKbps = mpeg1 ? bitratesMpeg1[bitrateIndex] : bitratesMpeg2[bitrateIndex];
    int padding = (p[2] >> 1) & 1;
    h->bytes = uint32_t((mpeg1 ? 144 : 72) * h->bitrateKbps * 1000 / h->sampleRate + padding);
    h->samplesPerFrame = mpeg1 ? 1152 : 576;
    h->sideInfoBytes = mpeg1 ? (h->channels == 1 ? 17 : 32) : (h->channels == 1 ? 9 : 17);
    h->crc = (p[1] & 1) == 0;
    return true;
}

static bool sameStream(const FrameHeader& a, const FrameHeader& b) {
    return a.version == b.version && a.rateIndex == b.rateIndex && a.channels == b.channels;
}

// A whole frame at `at` (of the same stream as `like`, when given).
static bool frameAt(const uint8_t* bytes, size_t size, size_t at, const FrameHeader* like,
                    FrameHeader* h) {
    if (at > size || size - at < 4 || !parseHeader(bytes + at, h)) return false;
    if (like && !sameStream(*like, *h)) return false;
    return h->bytes <= size - at;
}

// A whole frame at `at` that the next one confirms: it ends the file, or a frame of the same
// stream starts right after it. One valid-looking header alone is too easily found in noise.
static bool confirmedFrameAt(const uint8_t* bytes, size_t size, size_t at, const FrameHeader* like,
                             FrameHeader* h) {
    if (!frameAt(bytes, size, at, like, h)) return false;
    size_t next = at + h->bytes;
    if (next == size) return true;
    FrameHeader following;
    if (size - next < 4 || !parseHeader(bytes + next, &following)) return false;
    return sameStream(*h, following);
}

static size_t findConfirmedFrame(const uint8_t* bytes, size_t size, size_t from,
                                 const FrameHeader* like, FrameHeader* h) {
    for (size_t at = from; at < size; ++at)
        if (bytes[at] == 0xFF && confirmedFrameAt(bytes, size, at, like, h)) return at;
    return size;
}

// ID3v2 tags (there may be several, one after the other) before the first frame.
static size_t skipId3v2(const uint8_t* bytes, size_t size) {
    size_t at = 0;
    while (size - at >= 10 && std::memcmp(bytes + at, "ID3", 3) == 0) {
        const uint8_t* s = bytes + at + 6;
        if ((s[0] | s[1] | s[2] | s[3]) & 0x80) break; // not a synchsafe size: not a tag
        size_t length = 10 + (size_t(s[0]) << 21 | size_t(s[1]) << 14 | size_t(s[2]) << 7 | s[3]);
        if (bytes[at + 5] & 0x10) length += 10; // footer
        if (length > size - at) return size;
        at += length;
    }
    return at;
}

// The "Xing"/"Info" tag of a first frame, with the LAME extension after it when present. True
// when the frame carries the tag (and so holds no music).
static bool readInfoTag(const uint8_t* frame, const FrameHeader& h, Mp3Layout* layout) {
    size_t at = 4 + (h.crc ? 2 : 0) + size_t(h.sideInfoBytes);
    size_t end = h.bytes;
    if (end < at + 8) return false;
    if (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0)
        return false;
    uint32_t flags = bigEndian32(frame + at + 4);
    at += 8;
    if (flags & 1) {
        if (end < at + 4) return true;
        layout->taggedFrames = bigEndian32(frame + at);
        at += 4;
    }
    at += (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
    // The LAME extension: a nine-character encoder name, then at byte 21 the encoder delay and
    // the padding, twelve bits each. Encoders that write it name themselves "LAME" or, for
    // ffmpeg's muxer and encoder, "Lavf"/"Lavc".
    if (end < at + 24) return true;
    const uint8_t* lame = frame + at;
    if (std::memcmp(lame, "LAME", 4) != 0 && std::memcmp(lame, "Lavf", 4) != 0 &&
        std::memcmp(lame, "Lavc", 4) != 0)
        return true;
    layout->encoderDelay = int32_t(lame[21]) << 4 | lame[22] >> 4;
    layout->encoderPadding = int32_t(lame[22] & 0x0F) << 8 | lame[23];
    return true;
}

const char* mp3ScanFrames(const uint8_t* bytes, size_t size, Mp3Layout* layout) {
    *layout = Mp3Layout{};
    if (size > UINT32_MAX) return "too large (4 GiB or more)";
    FrameHeader first;
    size_t at = findConfirmedFrame(bytes, size, skipId3v2(bytes, size), nullptr, &first);
    if (at == size) return "no MPEG layer III frame found";
    layout->sampleRate = first.sampleRate;
    layout->channels = first.channels;
    layout->samplesPerFrame = first.samplesPerFrame;
    layout->firstBitrateKbps = first.bitrateKbps;
    if (readInfoTag(bytes + at, first, layout)) at += first.bytes;
    bool firstAudio = true;
    while (at < size) {
        FrameHeader h;
        if (!frameAt(bytes, size, at, &first, &h)) {
            // Damage, an end tag, or a frame cut short: go on only where frames resume.
            at = findConfirmedFrame(bytes, size, at + 1, &first, &h);
            if (at == size) break;
        }
        if (firstAudio) layout->firstBitrateKbps = h.bitrateKbps;
        firstAudio = false;
        layout->frames.push_back({uint32_t(at), h.bytes});
        at += h.bytes;
    }
    return nullptr;
}

Mp3GaplessWindow mp3GaplessWindow(const Mp3Layout& layout, int32_t decoderDelay) {
    int64_t decoded = int64_t(layout.frames.size()) * layout.samplesPerFrame;
    if (layout.encoderDelay < 0) return {0, decoded};
    int64_t stated =
        layout.taggedFrames >= 0 ? layout.taggedFrames * layout.samplesPerFrame : decoded;
    int64_t skip = std::min<int64_t>(layout.encoderDelay + int64_t(decoderDelay), decoded);
    int64_t end = std::min(stated - layout.encoderPadding + decoderDelay, decoded);
    return {skip, std::max<int64_t>(0, end - skip)};
}
