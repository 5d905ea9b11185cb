// Drawing helpers shared by the greetings and the logo: a coverage canvas and FreeType text set
// into it. Internal to makeimages.
#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H
#include <cstdint>
#include <vector>

// Coverage 0..1 per pixel, rows from the top. Drawing composites with max, so overlapping shapes
// form their union.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<float> cover;
    float& at(int x, int y) { return cover[size_t(y) * size_t(width) + size_t(x)]; }
    float at(int x, int y) const { return cover[size_t(y) * size_t(width) + size_t(x)]; }
};

Canvas makeCanvas(int width, int height);

struct Typeface {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

// How a run of text is set. slant shears the glyphs to the right (x += slant * height above the
// baseline); stretch widens them; tracking adds pixels after every glyph.
struct TextStyle {
    float pixelSize = 32;
    float tracking = 0;
    float slant = 0;
    float stretch = 1;
};

// Opens a font file; 0 on success, 1 after one line on stderr.
int openTypeface(const char* path, Typeface* out);
void closeTypeface(Typeface* face);

// Advance width of a run in pixels, kerning and tracking included (trailing tracking excluded).
float measureText(Typeface& face, const TextStyle& style, const char* text);

// Height of the capital H's ink in pixels.
float capHeight(Typeface& face, const TextStyle& style);

// Draws a run with its pen starting at (x, baseline); with grow > 0 every glyph is drawn grown by
// that many pixels (outline stroked with round joins, united with the glyph).
void drawText(Typeface& face, const TextStyle& style, const char* text, float x, float baseline,
              Canvas* canvas, float grow = 0);

// Advance of one glyph followed by the kerning towards the next character (0 for none).
float glyphAdvance(Typeface& face, const TextStyle& style, char c, char next);

// Filled axis-aligned rectangle with anti-aliased edges (coordinates in pixels, y down).
void fillRect(Canvas* canvas, float x0, float y0, float x1, float y1, float level = 1);

// Filled diamond (square turned 45 degrees) centred at (cx, cy) with half-diagonal r.
void fillDiamond(Canvas* canvas, float cx, float cy, float r, float level = 1);

// Deterministic smooth value noise in [0, 1), and three octaves of it.
float valueNoise(float x, float y, uint32_t seed);
float fractalNoise(float x, float y, uint32_t seed);
