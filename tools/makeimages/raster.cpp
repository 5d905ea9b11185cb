#include "raster.h"

#include FT_GLYPH_H
#include FT_STROKER_H
#include <algorithm>
#include <cmath>
#include <cstdio>

Canvas makeCanvas(int width, int height) {
    Canvas c;
    c.width = width;
    c.height = height;
    c.cover.assign(size_t(width) * size_t(height), 0.0f);
    return c;
}

int openTypeface(const char* path, Typeface* out) {
    if (FT_Init_FreeType(&out->library)) {
        std::fprintf(stderr, "makeimages: FreeType cannot be initialised\n");
        return 1;
    }
    if (FT_New_Face(out->library, path, 0, &out->face)) {
        std::fprintf(stderr, "makeimages: %s: not a font FreeType can open\n", path);
        FT_Done_FreeType(out->library);
        out->library = nullptr;
        return 1;
    }
    return 0;
}

void closeTypeface(Typeface* face) {
    if (face->face) FT_Done_Face(face->face);
    if (face->library) FT_Done_FreeType(face->library);
    face->face = nullptr;
    face->library = nullptr;
}

// Sets size and shear for the style, with the pen's fractional x as the transform's offset so that
// glyphs land at sub-pixel positions.
static void applyStyle(Typeface& face, const TextStyle& style, float penFraction) {
    FT_Set_Char_Size(face.face, 0, FT_F26Dot6(std::lround(style.pixelSize * 64)), 72, 72);
    FT_Matrix m;
    m.xx = FT_Fixed(std::lround(style.stretch * 65536));
    m.xy = FT_Fixed(std::lround(style.slant * 65536));
    m.yx = 0;
    m.yy = 0x10000;
    FT_Vector delta{FT_Pos(std::lround(penFraction * 64)), 0};
    FT_Set_Transform(face.face, &m, &delta);
}

static bool loadGlyph(Typeface& face, char c) {
    const FT_UInt index = FT_Get_Char_Index(face.face, FT_ULong(uint8_t(c)));
    // Shapes are kept exact (no hinting); crispness comes from whole-pixel vertical metrics.
    return FT_Load_Glyph(face.face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0;
}

float glyphAdvance(Typeface& face, const TextStyle& style, char c, char next) {
    applyStyle(face, style, 0);
    if (!loadGlyph(face, c)) return 0;
    float advance = float(face.face->glyph->advance.x) / 64.0f;
    if (next && FT_HAS_KERNING(face.face)) {
        FT_Vector k{0, 0};
        FT_Get_Kerning(face.face, FT_Get_Char_Index(face.face, FT_ULong(uint8_t(c))),
                       FT_Get_Char_Index(face.face, FT_ULong(uint8_t(next))), FT_KERNING_UNFITTED,
                       &k);
        advance += float(k.x) / 64.0f * style.stretch;
    }
    return advance;
}

float measureText(Typeface& face, const TextStyle& style, const char* text) {
    float width = 0;
    for (const char* p = text; *p; ++p) {
        width += glyphAdvance(face, style, p[0], p[1]);
        if (p[1]) width += style.tracking;
    }
    return width;
}

float capHeight(Typeface& face, const TextStyle& style) {
    applyStyle(face, style, 0);
    if (!loadGlyph(face, 'H')) return 0;
    FT_BBox box;
    FT_Outline_Get_CBox(&face.face->glyph->outline, &box);
    return float(box.yMax - box.yMin) / 64.0f;
}

static void blitBitmap(const FT_Bitmap& bitmap, int left, int top, Canvas* canvas) {
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int y = top + int(row);
        if (y < 0 || y >= canvas->height) continue;
        const uint8_t* src = bitmap.buffer + ptrdiff_t(row) * bitmap.pitch;
        for (unsigned col = 0; col < bitmap.width; ++col) {
            const int x = left + int(col);
            if (x < 0 || x >= canvas->width || !src[col]) continue;
            float& dst = canvas->at(x, y);
            dst = std::max(dst, float(src[col]) / 255.0f);
        }
    }
}

// Renders the loaded glyph, grown by `grow` pixels when positive, into the canvas with its origin
// at (originX, baseline).
static void renderLoaded(Typeface& face, float grow, int originX, int baseline, Canvas* canvas) {
    FT_Glyph glyph = nullptr;
    if (FT_Get_Glyph(face.face->glyph, &glyph)) return;
    if (grow > 0) {
        FT_Glyph body = nullptr;
        FT_Glyph_Copy(glyph, &body);
        FT_Stroker stroker = nullptr;
        FT_Stroker_New(face.library, &stroker);
        FT_Stroker_Set(stroker, FT_Fixed(std::lround(grow * 64)), FT_STROKER_LINECAP_ROUND,
                       FT_STROKER_LINEJOIN_ROUND, 0);
        FT_Glyph_Stroke(&glyph, stroker, 1);
        FT_Stroker_Done(stroker);
        if (body && FT_Glyph_To_Bitmap(&body, FT_RENDER_MODE_NORMAL, nullptr, 1) == 0) {
            auto* bm = reinterpret_cast<FT_BitmapGlyph>(body);
            blitBitmap(bm->bitmap, originX + bm->left, baseline - bm->top, canvas);
        }
        if (body) FT_Done_Glyph(body);
    }
    if (FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, nullptr, 1) == 0) {
        auto* bm = reinterpret_cast<FT_BitmapGlyph>(glyph);
        blitBitmap(bm->bitmap, originX + bm->left, baseline - bm->top, canvas);
    }
    FT_Done_Glyph(glyph);
}

void drawText(Typeface& face, const TextStyle& style, const char* text, float x, float baseline,
              Canvas* canvas, float grow) {
    const int base = int(std::lround(baseline));
    float pen = x;
    for (const char* p = text; *p; ++p) {
        const float advance = glyphAdvance(face, style, p[0], p[1]);
        const float whole = std::floor(pen);
        applyStyle(face, style, pen - whole);
        if (*p != ' ' && loadGlyph(face, *p)) renderLoaded(face, grow, int(whole), base, canvas);
        pen += advance + style.tracking;
    }
}

// Length of [a, b] that lies within the pixel [i, i + 1].
static float overlap(float a, float b, int i) {
    return std::max(0.0f, std::min(b, float(i + 1)) - std::max(a, float(i)));
}

void fillRect(Canvas* canvas, float x0, float y0, float x1, float y1, float level) {
    const int ya = std::max(0, int(std::floor(y0))),
              yb = std::min(canvas->height, int(std::ceil(y1)));
    const int xa = std::max(0, int(std::floor(x0))),
              xb = std::min(canvas->width, int(std::ceil(x1)));
    for (int y = ya; y < yb; ++y) {
        const float cy = overlap(y0, y1, y);
        for (int x = xa; x < xb; ++x) {
            float& dst = canvas->at(x, y);
            dst = std::max(dst, level * cy * overlap(x0, x1, x));
        }
    }
}

void fillDiamond(Canvas* canvas, float cx, float cy, float r, float level) {
    // 4 x 4 samples per pixel are plenty for a shape a dozen pixels across.
    const int ya = std::max(0, int(cy - r) - 1), yb = std::min(canvas->height, int(cy + r) + 2);
    const int xa = std::max(0, int(cx - r) - 1), xb = std::min(canvas->width, int(cx + r) + 2);
    for (int y = ya; y < yb; ++y)
        for (int x = xa; x < xb; ++x) {
            int inside = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const float px = float(x) + (float(sx) + 0.5f) / 4 - cx;
                    const float py = float(y) + (float(sy) + 0.5f) / 4 - cy;
                    inside += std::fabs(px) + std::fabs(py) <= r;
                }
            float& dst = canvas->at(x, y);
            dst = std::max(dst, level * float(inside) / 16.0f);
        }
}

static uint32_t scramble(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

static float lattice(int x, int y, uint32_t seed) {
    return float(scramble(uint32_t(x) * 0x9e3779b1U ^ scramble(uint32_t(y) + seed)) >> 8) /
           16777216.0f;
}

float valueNoise(float x, float y, uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    float u = x - fx, v = y - fy;
    u = u * u * (3 - 2 * u);
    v = v * v * (3 - 2 * v);
    const float a = lattice(ix, iy, seed), b = lattice(ix + 1, iy, seed);
    const float c = lattice(ix, iy + 1, seed), d = lattice(ix + 1, iy + 1, seed);
    return (a + (b - a) * u) + ((c + (d - c) * u) - (a + (b - a) * u)) * v;
}

float fractalNoise(float x, float y, uint32_t seed) {
    return 0.55f * valueNoise(x, y, seed) + 0.3f * valueNoise(2.03f * x, 2.03f * y, seed + 1) +
           0.15f * valueNoise(4.1f * x, 4.1f * y, seed + 2);
}
