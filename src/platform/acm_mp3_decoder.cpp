// MP3 decoding with the Audio Compression Manager's MPEG layer III codec, which every Windows has.
//
// The codec only turns frames into PCM: it knows nothing of tags, and it is not gapless. So the
// file is read whole and laid out frame by frame first (mp3_frames.h); the codec is fed the
// audio frames only (never the info frame), and of what it puts out the encoder delay plus the
// synthesis delay at the start and the padding at the end are cut away, which gives the frames
// that were encoded. The codec works at the file's own rate and channel count: a mono file is
// spread to both channels here, and the output stays at the file's rate whatever rate is asked
// for. Converting it here would put a resampler of ours (or the system's PCM converter, which is
// crude and not length-exact under Wine) between the codec and the device; opening the device at
// the music's rate leaves that to the system's mixer, which converts every stream to the
// hardware's rate anyway.
#include "formats/mp3_frames.h"
#include "platform/file.h"
#include "platform/mp3_decoder.h"

#include <windows.h>
// The codec's headers need windows.h first.
#include <mmreg.h>
#include <msacm.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

// Samples the layer III synthesis filter bank puts out before the first encoded one (measured
// with Wine's codec; real Windows may differ by a few samples, which sync cannot hear).
static const int32_t synthesisDelay = 529;

// Input staging: two of the largest frames (MPEG 1, 320 kbit/s, 32 kHz: 1441 bytes) with room to
// spare, for codecs that keep part of what they are given for the next call.
static const DWORD stagingBytes = 8192;

struct Mp3Decoder {
    FileBytes file{}; // the whole MP3, mapped
    Mp3Layout layout;
    Mp3GaplessWindow window{};
    HACMSTREAM stream = nullptr;
    ACMSTREAMHEADER header{};
    std::vector<uint8_t> staging;
    std::vector<uint8_t> output; // the codec's PCM at the file's channel count
    DWORD stagedBytes = 0;
    size_t nextFrame = 0;       // layout.frames index of the next frame to hand to the codec
    bool started = false;       // the codec has had its first call
    bool flushed = false;       // the codec has had its closing call
    bool ended = false;         // the music is over, or the codec failed
    int64_t codecSamples = 0;   // samples the codec has put out since the first frame
    std::vector<int16_t> ready; // music decoded and not yet read, stereo
    size_t readyAt = 0;         // samples (not frames) of `ready` already read
    int64_t position = 0;       // music frame the next mp3Read starts at

    Mp3Decoder() = default;
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;
    ~Mp3Decoder() { fileRelease(file); } // every way out gives the mapping back
};

static char problemText[256];

static const char* problem(const char* format, ...) __attribute__((format(printf, 1, 2)));
static const char* problem(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(problemText, sizeof problemText, format, arguments);
    va_end(arguments);
    return problemText;
}

static void closeCodec(Mp3Decoder* d) {
    if (!d->stream) return;
    d->header.cbSrcLength = stagingBytes;
    d->header.cbDstLength = DWORD(d->output.size());
    acmStreamUnprepareHeader(d->stream, &d->header, 0);
    acmStreamClose(d->stream, 0);
    d->stream = nullptr;
}

// Opens the codec and rewinds to the first frame; 0 on success, else the ACM error.
static MMRESULT openCodec(Mp3Decoder* d) {
    closeCodec(d);
    const Mp3Layout& layout = d->layout;
    MPEGLAYER3WAVEFORMAT mp3{};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = WORD(layout.channels);
    mp3.wfx.nSamplesPerSec = DWORD(layout.sampleRate);
    mp3.wfx.nAvgBytesPerSec = DWORD(layout.firstBitrateKbps) * 1000 / 8;
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    mp3.nBlockSize = WORD(layout.frames.front().bytes);
    mp3.nFramesPerBlock = 1;
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = WORD(layout.channels);
    pcm.nSamplesPerSec = DWORD(layout.sampleRate);
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = WORD(2 * layout.channels);
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
    MMRESULT result = acmStreamOpen(&d->stream, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, 0);
    if (result != 0) {
        d->stream = nullptr;
        return result;
    }
    DWORD outputBytes = 0;
    if (acmStreamSize(d->stream, stagingBytes, &outputBytes, ACM_STREAMSIZEF_SOURCE) != 0 ||
        outputBytes < 4 * 1152 * 2)
        outputBytes = 4 * 1152 * 2 * 8; // a few frames' worth whatever the codec says
    d->staging.assign(stagingBytes, 0);
    d->output.assign(outputBytes, 0);
    d->header = ACMSTREAMHEADER{};
    d->header.cbStruct = sizeof d->header;
    d->header.pbSrc = d->staging.data();
    d->header.cbSrcLength = stagingBytes;
    d->header.pbDst = d->output.data();
    d->header.cbDstLength = outputBytes;
    result = acmStreamPrepareHeader(d->stream, &d->header, 0);
    if (result != 0) {
        acmStreamClose(d->stream, 0);
        d->stream = nullptr;
        return result;
    }
    d->stagedBytes = 0;
    d->nextFrame = 0;
    d->started = d->flushed = d->ended = false;
    d->codecSamples = 0;
    d->ready.clear();
    d->readyAt = 0;
    d->position = 0;
    return 0;
}

// Keeps the part of the codec's output that lies in the gapless window, as stereo.
static void keepMusic(Mp3Decoder* d, const int16_t* samples, int64_t count) {
    int channels = d->layout.channels;
    int64_t from = std::max<int64_t>(0, d->window.skip - d->codecSamples);
    int64_t to = std::min<int64_t>(count, d->window.skip + d->window.length - d->codecSamples);
    for (int64_t i = from; i < to; ++i) {
        d->ready.push_back(samples[i * channels]);
        d->ready.push_back(samples[i * channels + channels - 1]);
    }
    d->codecSamples += count;
}

// Runs the codec until some music is ready or there is none left.
static void decodeMore(Mp3Decoder* d) {
    d->ready.clear();
    d->readyAt = 0;
    while (d->ready.empty() && !d->ended) {
        if (d->codecSamples >= d->window.skip + d->window.length) break;
        DWORD flags = d->started ? 0 : ACM_STREAMCONVERTF_START;
        if (d->nextFrame < d->layout.frames.size()) {
            const Mp3FrameSpan& frame = d->layout.frames[d->nextFrame++];
            // A codec that keeps taking nothing would make the staging overflow: give up.
            if (frame.bytes > stagingBytes - d->stagedBytes) break;
            std::memcpy(d->staging.data() + d->stagedBytes, d->file.bytes + frame.offset,
                        frame.bytes);
            d->stagedBytes += frame.bytes;
        } else if (!d->flushed) {
            flags |= ACM_STREAMCONVERTF_END; // hand over what the codec still holds
            d->flushed = true;
        } else {
            break;
        }
        d->started = true;
        d->header.cbSrcLength = d->stagedBytes;
        d->header.cbDstLength = DWORD(d->output.size());
        d->header.cbSrcLengthUsed = d->header.cbDstLengthUsed = 0;
        if (acmStreamConvert(d->stream, &d->header, flags) != 0) break;
        DWORD used = std::min(d->header.cbSrcLengthUsed, d->stagedBytes);
        std::memmove(d->staging.data(), d->staging.data() + used, d->stagedBytes - used);
        d->stagedBytes -= used;
        DWORD bytes = std::min(d->header.cbDstLengthUsed, DWORD(d->output.size()));
        keepMusic(d, reinterpret_cast<const int16_t*>(d->output.data()),
                  bytes / (2 * d->layout.channels));
    }
    if (d->ready.empty()) d->ended = true;
}

Mp3Decoder* mp3Open(const char* path, int32_t, const char** problemOut) {
    const char* ignored = nullptr;
    const char** why = problemOut ? problemOut : &ignored;
    Mp3Decoder* d = new Mp3Decoder;
    d->file = fileMapWhole(path, why);
    if (!d->file.bytes) {
        delete d;
        return nullptr;
    }
    const char* layoutProblem = mp3ScanFrames(d->file.bytes, d->file.size, &d->layout);
    if (!layoutProblem && d->layout.frames.empty()) layoutProblem = "no MPEG audio frame found";
    if (layoutProblem) {
        *why = problem("not a playable MP3 file: %s", layoutProblem);
        delete d;
        return nullptr;
    }
    d->window = mp3GaplessWindow(d->layout, synthesisDelay);
    if (MMRESULT error = openCodec(d)) {
        *why = problem("no MP3 codec in the Audio Compression Manager (error %u)", unsigned(error));
        delete d;
        return nullptr;
    }
    return d;
}

int32_t mp3Rate(const Mp3Decoder* decoder) {
    return decoder->layout.sampleRate;
}

int32_t mp3Channels(const Mp3Decoder*) {
    return 2;
}

int64_t mp3LengthFrames(const Mp3Decoder* decoder) {
    return decoder->window.length;
}

int32_t mp3Read(Mp3Decoder* d, int16_t* out, int32_t frameCount) {
    int32_t written = 0;
    while (written < frameCount) {
        if (d->readyAt == d->ready.size()) {
            if (d->ended) break;
            decodeMore(d);
            continue;
        }
        size_t frames =
            std::min<size_t>((d->ready.size() - d->readyAt) / 2, size_t(frameCount - written));
        std::memcpy(out + 2 * written, d->ready.data() + d->readyAt, frames * 2 * sizeof(int16_t));
        d->readyAt += frames * 2;
        written += int32_t(frames);
    }
    d->position += written;
    return written;
}

int mp3Seek(Mp3Decoder* d, int64_t frame) {
    if (frame < 0) return 0;
    frame = std::min(frame, d->window.length);
    // The codec keeps state from frame to frame (the bit reservoir, the filter bank), so it
    // cannot start anywhere: going back starts again from the first frame, and either way the
    // music up to `frame` is decoded and dropped, which keeps the position sample-exact.
    if (frame < d->position && openCodec(d) != 0) {
        d->ended = true;
        return 0;
    }
    while (d->position < frame) {
        if (d->readyAt == d->ready.size()) {
            if (d->ended) break;
            decodeMore(d);
            continue;
        }
        int64_t frames =
            std::min<int64_t>(int64_t(d->ready.size() - d->readyAt) / 2, frame - d->position);
        d->readyAt += size_t(frames) * 2;
        d->position += frames;
    }
    return 1;
}

void mp3Close(Mp3Decoder* decoder) {
    if (!decoder) return;
    closeCodec(decoder);
    delete decoder;
}
