// The demo's content as the frame driver sees it: what is created at the two attach points of
// start-up, and what one frame draws.
//
// A Content record holds everything one renderer needs: the target size, where the images and
// the track files live, the GL objects, the track set and the uniform locations. The demo, the
// capture tool, the studio, the tests and the benchmarks each make their own. Every function
// here needs the GL context current on the calling thread (except makeContent / openTracks).
#pragma once
#include "platform/gl.h"
#include "render/resources.h"
#include "render/uniform_bindings.h"

#include <cstdint>

struct TrackSet;
struct Track;

struct Content {
    int32_t width, height; // of the window and of both render targets
    char assetsDir[256];   // folder of greets.tga and qrv.tga, no trailing separator
    char trackPrefix[256]; // track files are PREFIX_NAME.track

    GLuint greetsTex, qrvTex;
    ShaderProgram sceneProgram, glowProgram, finalProgram;
    RenderTarget sceneTarget; // the scene pass draws here, the glow pass reads it
    RenderTarget glowTarget;  // the glow pass draws here, the final pass reads it

    TrackSet* trackSet;
    Track* tracks[uniformTrackSlotCount];        // by track slot; null before openTracks
    GLint locations[uniformBindingCount];        // by binding row; -1 where the program lacks it
    GLint samplerLocations[samplerBindingCount]; // by sampler row
};

// A record for a width x height target reading from assetsDir and trackPrefix (each copied;
// longer than 255 characters is refused). Creates nothing in GL. Null on a bad argument.
Content* makeContent(int32_t width, int32_t height, const char* assetsDir, const char* trackPrefix);

// Creates the textures, shader programs and render targets, then draws one priming frame.
void loadContent(Content& content);

// Gives both render targets width x height, remaking them when the size changed (the record's
// width and height follow). Leaves framebuffer 0 bound; the viewport is the caller's.
void sizeTargets(Content& content, int32_t width, int32_t height);

// For a context that was lost and restored: makes every GL object anew as loadContent does (the
// old names died with the context), at the record's size. The tracks stay as they are.
void reloadContent(Content& content);

// Opens the track set and fetches its tracks; 0 on success, non-zero when the track set cannot be
// created.
int openTracks(Content& content);

// Draws one frame at the given track row into the bound window's back buffer.
void renderFrame(Content& content, double row);

// Frees the record and closes its track set; null is allowed. GL objects are left to their
// context, which takes them along when it goes (the demo itself keeps its content to the end).
void releaseContent(Content* content);
