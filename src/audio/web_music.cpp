// The music operations on the web: the browser plays the MP3 through the page's <audio> element
// (Module.music), and its play position is the clock. The page points the element at the file
// and lets it load inside the user's click (which is what allows sound to start later); by the
// time openMusic is called it has either loaded enough to play through or failed, so every
// answer here is immediate.
//
// currentTime of an <audio> element follows the audio actually played and decodes gaplessly
// (the encoder delay is skipped), as the desktop's stream does; musicSeconds still never lets
// it go backwards, so the row never decreases within a show.
#include "audio/music.h"

#include "base/log.h"

#include <emscripten/emscripten.h>

// clang-format off
EM_JS(int, pageHasMusicElement, (), {
    return (Module.music && typeof Module.music.play === "function") ? 1 : 0;
});

// Writes why the element cannot play the file at `path` into `out` (empty when it can).
EM_JS(void, pageMusicProblem, (const char* path, char* out, int size), {
    const audio = Module.music;
    const wanted = UTF8ToString(path);
    let problem = "";
    if (!audio.src || !decodeURI(audio.src).endsWith(wanted)) {
        problem = "the page has not loaded it";
    } else if (audio.error) {
        const kinds = {
            1: "loading was aborted",
            2: "a network error stopped the download",
            3: "it cannot be decoded",
            4: "it is missing, or not an MP3 file the browser can play",
        };
        problem = (kinds[audio.error.code] || "it cannot be played") +
                  (audio.error.message ? " (" + audio.error.message + ")" : "");
    } else if (!(audio.duration > 0) || !isFinite(audio.duration)) {
        problem = "it holds no playable sound";
    }
    stringToUTF8(problem, out, size);
});

EM_JS(void, pagePlayMusic, (), {
    const audio = Module.music;
    audio.currentTime = 0;
    const started = audio.play();
    if (started) {
        started.catch((error) => Module.printErr("brumelt: audio: cannot start playing: " + error.message));
    }
});

EM_JS(double, pageMusicSeconds, (), { return Module.music.currentTime; });

EM_JS(void, pageSeekMusic, (double seconds), {
    Module.music.currentTime = Math.max(0, Math.min(seconds, Module.music.duration || 0));
});

EM_JS(void, pagePauseMusic, (int paused), {
    if (paused) {
        Module.music.pause();
    } else {
        const going = Module.music.play();
        if (going) going.catch(() => {});
    }
});
// clang-format on

static double lastSeconds;

int initMusicDevice() {
    if (pageHasMusicElement()) return 1;
    logMessage("audio", "the page has no <audio> element to play the music");
    return 0;
}

MusicStream openMusic(const char* path) {
    char problem[256];
    pageMusicProblem(path, problem, int(sizeof problem));
    if (problem[0] == '\0') return 1;
    logMessage("audio", "%s: %s", path, problem);
    return 0;
}

// The page's show always starts from the beginning: "Watch again" plays the music anew.
void startMusic(MusicStream) {
    lastSeconds = 0.0;
    pagePlayMusic();
}

double musicSeconds(MusicStream) {
    double seconds = pageMusicSeconds();
    if (seconds > lastSeconds) lastSeconds = seconds;
    return lastSeconds;
}

int musicSeek(MusicStream, double seconds) {
    pageSeekMusic(seconds);
    lastSeconds = pageMusicSeconds(); // a seek back is the one way the clock may go back
    return 1;
}

int musicPause(MusicStream, bool paused) {
    pagePauseMusic(paused ? 1 : 0);
    return 1;
}
