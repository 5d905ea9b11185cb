#include "audio/music.h"

#include <cstdio>

static const int defaultDevice = -1;
static const int outputFrequency = 44100;

int initMusicDevice(void* window) {
    return audioInitDevice(defaultDevice, outputFrequency, 0, window);
}

MusicStream openMusic(const char* path) { return audioCreateFileStream(path, 0, 0, 0); }

void startMusic(MusicStream stream) {
    audioStartOutput();
    audioPlay(stream, 0);
}

double musicSeconds(MusicStream stream) {
    return audioBytesToSeconds(stream, audioBytePosition(stream));
}
