#include "audio/music.h"
#include "base/show.h"

static const int defaultDevice = -1;

int initMusicDevice() {
    return audioInitDevice(defaultDevice, showAudioRate, 0);
}

MusicStream openMusic(const char* path) {
    return audioCreateFileStream(path, 0, 0, 0);
}

MusicStream openMusicSamples(const int16_t* frames, int64_t frameCount) {
    return audioCreateMemoryStream(frames, frameCount, showAudioRate);
}

void startMusic(MusicStream stream) {
    audioStartOutput();
    audioPlay(stream, 0);
}

double musicSeconds(MusicStream stream) {
    return audioBytesToSeconds(stream, audioBytePosition(stream));
}

int musicSeek(MusicStream stream, double seconds) {
    return audioSeek(stream, audioSecondsToBytes(stream, seconds));
}

int musicPause(MusicStream stream, bool paused) {
    return audioPause(stream, paused ? 1 : 0);
}
