// makeimages: the two pictures the demo reads at run time, drawn with FreeType at build time.
//
// greets.tga holds sixteen strips of greetings stacked in one tall image, each placed where the
// scene shader reads it: strip k fills the middle 60 % of a band one sixteenth of the image high,
// the bands spaced 1/16.1 of the height, strip 0 at the t = 1 end (the last stored rows). The
// shader reads rows from the first stored row up as screen rows from the bottom up, so the file
// is stored bottom-up like an ordinary TGA. Only red counts (grey level and opacity at once); it
// is exactly 0 everywhere but the text, so the rows the shader repeats above and below the strip
// stay empty.
//
// qrv.tga is the full-screen logo, stored top-down (first stored row = top of the screen). Alpha
// is coverage, kept as the eighth root of the linear coverage so that the shader's eighth power
// gives smooth edges back; red orders the reveal of the letters (layer one), green that of the
// outline ring and the subtitle (layer two); each is exactly 0 where its layer must stay dark.
//
// Both are uncompressed 32-bit true-colour TGA files, pixels stored blue, green, red, alpha.
//
// The preview functions sample an image the way the scene shader does (bilinear, clamped to the
// edge, t = 0 at the first stored row) so the pictures can be judged without a GPU.
#pragma once
#include <cstdint>
#include <vector>

// One picture in file order: bgra holds width x height pixels of B, G, R, A, row 0 first.
struct Image {
    int width = 0;
    int height = 0;
    bool firstRowIsTop = false; // recorded in the TGA descriptor's origin bit
    std::vector<uint8_t> bgra;
};

// One greetings strip: up to three names, centred and separated by small diamonds. A header
// strip is set in the lighter, widely spaced style between two rules.
struct GreetStrip {
    const char* names[3];
    bool header;
};

inline constexpr int greetsStrips = 16;
// The width maps onto the screen's width; a band's middle 60 % (0.6/16 of the height) maps onto
// 0.075 of the screen's height. At 1920 x 1080 a texel is one screen pixel when the band is 81
// rows high: 81 x 16 / 0.6 = 2160.
inline constexpr int greetsWidth = 1920;
inline constexpr int greetsHeight = 2160;
inline constexpr int logoWidth = 1920;
inline constexpr int logoHeight = 1080;

// The show's sixteen strips.
const GreetStrip* defaultGreetings();

// Texture coordinates t of strip k's band edges (tLow at the bottom of the text on screen).
void greetsBand(int strip, double* tLow, double* tHigh);

// Draws sixteen strips into a greetsWidth x greetsHeight image. Returns 0, or 1 after one line on
// stderr when a font cannot be used or a strip does not fit its band.
int makeGreetings(const char* boldFont, const char* regularFont, const GreetStrip* strips,
                  Image* out);

// Draws the logo into a logoWidth x logoHeight image. Returns 0, or 1 after one line on stderr.
int makeLogo(const char* boldFont, const char* regularFont, Image* out);

// Writes an uncompressed 32-bit TGA. Returns 0, or 1 after one line on stderr.
int writeTga(const char* path, const Image& image);

// Reads a TGA file as formats/tga.h reads it (an image ID or colour map is skipped). Returns 0, or
// 1 after one line on stderr naming the file and the problem, with *out empty.
int readTga(const char* path, Image* out);

// A texture read as the shader makes it: bilinear between texel centres, clamped to the edge,
// t = 0 at the first stored row; channel 0..3 = red, green, blue, alpha; result in [0, 1].
float sampleImage(const Image& image, float s, float t, int channel);

// The shader's strip selector: texture coordinates (u, t) for screen coordinates (s, v), with v =
// 0 at the top of the screen.
void greetsUV(float progress, float s, float v, float* u, float* t);

// The logo's grey contribution (0..2) at screen coordinates (s, v) for a reveal progress.
float logoGrey(const Image& logo, float progress, float s, float v);

// Screen pictures, RGB 8 bits, rows from the top: the greetings overlay at full opacity over a
// dark gradient, and the logo over black.
std::vector<uint8_t> previewGreetings(const Image& greets, float progress, int width, int height);
std::vector<uint8_t> previewLogo(const Image& logo, float progress, int width, int height);

// Writes a binary PPM. Returns 0, or 1 after one line on stderr.
int writePpm(const char* path, int width, int height, const std::vector<uint8_t>& rgb);
