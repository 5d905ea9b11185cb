// The logo: three slanted bold capitals with striped lower halves (layer one), a thin ring around
// them that draws itself letter by letter, and a spaced subtitle between two rules (layer two).
#include "makeimages.h"
#include "raster.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

static const char logoText[] = "QRV";
static const char subtitleText[] = "BRUMELT";

static const float letterCap = 360.0f;    // capital height of the letters, pixels
static const float letterMiddle = 430.0f; // canvas y of the capitals' middle
static const float letterSlant = 0.14f;
static const float letterStretch = 1.06f;
static const float letterTracking = 44.0f;
static const float ringGap = 11.0f;  // dark space between a letter and its ring
static const float ringWidth = 6.0f; // the ring's thickness
static const float subtitleCap = 30.0f;
static const float subtitleTracking = 26.0f;
static const float subtitleDrop = 150.0f; // from the letters' baseline to the subtitle's middle
static const float ruleThickness = 3.0f;
static const float ruleGap = 34.0f;

static const float pi = 3.14159265f;

struct LogoLayers {
    Canvas body, ring, subtitle, rules;
    std::vector<int8_t> owner;        // which letter a ring pixel belongs to
    float centreX[3], centreY;        // letter centres for the ring's sweep
    float left, right, top, baseline; // extent of the letters
};

// Thin dark slits across the lower part of the letters, thicker towards the baseline.
static float slitCover(float y, float top, float cap) {
    static const float at[4] = {0.60f, 0.71f, 0.81f, 0.905f};
    static const float thickness[4] = {3.0f, 5.0f, 7.0f, 9.0f};
    float cover = 0;
    for (int i = 0; i < 4; ++i) {
        const float a = top + at[i] * cap - thickness[i] * 0.5f, b = a + thickness[i];
        cover += std::max(0.0f, std::min(b, y + 1) - std::max(a, y));
    }
    return std::min(cover, 1.0f);
}

static int drawLayers(Typeface& bold, Typeface& regular, LogoLayers* l) {
    TextStyle style{100.0f, letterTracking, letterSlant, letterStretch};
    style.pixelSize = 100.0f * letterCap / capHeight(bold, style);
    const int count = int(sizeof logoText) - 1;
    float advances[3], total = 0;
    for (int i = 0; i < count; ++i) {
        advances[i] = glyphAdvance(bold, style, logoText[i], logoText[i + 1]);
        total += advances[i] + (i + 1 < count ? letterTracking : 0);
    }
    l->top = letterMiddle - letterCap * 0.5f;
    l->baseline = letterMiddle + letterCap * 0.5f;
    // The slant pushes the capitals' tops to the right; centre on their middle line instead.
    float x = std::round((float(logoWidth) - total) * 0.5f - letterSlant * letterCap * 0.5f);
    l->left = x;
    l->right = x + total + letterSlant * letterCap;
    l->centreY = letterMiddle;
    std::vector<Canvas> outer;
    Canvas inner = makeCanvas(logoWidth, logoHeight);
    for (int i = 0; i < count; ++i) {
        const char one[2] = {logoText[i], 0};
        drawText(bold, style, one, x, l->baseline, &l->body);
        drawText(bold, style, one, x, l->baseline, &inner, ringGap);
        outer.push_back(makeCanvas(logoWidth, logoHeight));
        drawText(bold, style, one, x, l->baseline, &outer.back(), ringGap + ringWidth);
        l->centreX[i] = x + advances[i] * 0.5f + letterSlant * letterCap * 0.5f;
        x += advances[i] + letterTracking;
    }
    l->owner.assign(size_t(logoWidth) * logoHeight, -1);
    for (int y = 0; y < logoHeight; ++y)
        for (int px = 0; px < logoWidth; ++px) {
            float best = 0;
            for (int i = 0; i < count; ++i)
                if (outer[size_t(i)].at(px, y) > best) {
                    best = outer[size_t(i)].at(px, y);
                    l->owner[size_t(y) * logoWidth + size_t(px)] = int8_t(i);
                }
            l->ring.at(px, y) = std::clamp(best - inner.at(px, y), 0.0f, 1.0f);
            l->body.at(px, y) *= 1.0f - slitCover(float(y), l->top, letterCap);
        }

    TextStyle sub{40.0f, subtitleTracking, 0.0f, 1.0f};
    sub.pixelSize = 40.0f * subtitleCap / capHeight(regular, sub);
    const float width = measureText(regular, sub, subtitleText);
    const float subX = std::round((float(logoWidth) - width) * 0.5f);
    const float middle = std::round(l->baseline + subtitleDrop);
    drawText(regular, sub, subtitleText, subX, middle + subtitleCap * 0.5f, &l->subtitle);
    const float y0 = middle - ruleThickness * 0.5f, y1 = middle + ruleThickness * 0.5f;
    fillRect(&l->rules, l->left, y0, subX - ruleGap, y1);
    fillRect(&l->rules, subX + width + ruleGap, y0, l->right, y1);
    return 0;
}

// Reveal order of the letters: a sweep from the lower left to the upper right whose front is
// frayed by noise, so that the letters burn in rather than wipe in.
static float bodyOrder(const LogoLayers& l, int x, int y) {
    const float across = (float(x) - l.left) / (l.right - l.left);
    const float up = (l.baseline - float(y)) / letterCap;
    const float sweep = std::clamp(0.82f * across + 0.18f * up, 0.0f, 1.0f);
    const float fray = fractalNoise(float(x) / 60.0f, float(y) / 60.0f, 7) - 0.5f;
    const float grain = valueNoise(float(x) / 5.0f, float(y) / 5.0f, 11) - 0.5f;
    return std::clamp(0.06f + 0.74f * sweep + 0.24f * fray + 0.08f * grain, 0.01f, 1.0f);
}

// Reveal order of layer two: each letter's ring is drawn clockwise from its top, one letter after
// the other; then the rules grow outwards from the subtitle while it dissolves in.
static float ringOrder(const LogoLayers& l, int x, int y) {
    const int letter = std::max(0, int(l.owner[size_t(y) * logoWidth + size_t(x)]));
    const float dx = float(x) + 0.5f - l.centreX[letter], dy = float(y) + 0.5f - l.centreY;
    float turn = std::atan2(dx, -dy) / (2 * pi);
    if (turn < 0) turn += 1;
    return 0.02f + 0.17f * float(letter) + 0.5f * turn;
}

static float subtitleOrder(const LogoLayers& l, int x, int y, bool rule) {
    if (rule) {
        const float half = (l.right - l.left) * 0.5f;
        const float out = std::fabs(float(x) - (l.left + l.right) * 0.5f) / half;
        return std::clamp(0.58f + 0.36f * out, 0.0f, 1.0f);
    }
    return std::clamp(0.6f + 0.3f * valueNoise(float(x) / 3.0f, float(y) / 3.0f, 23), 0.0f, 1.0f);
}

static uint8_t unit(float c) {
    return uint8_t(std::lround(std::clamp(c, 0.0f, 1.0f) * 255));
}

// Alpha for a lit level: the eighth root, so that the shader's eighth power gives the level back.
// One step of alpha near the top is about 3 % of brightness, which would show the letters'
// gradient as bands; an ordered dither spreads the steps into a fine, even grain.
static uint8_t alphaFor(float level, int x, int y) {
    static const uint8_t bayer[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const float threshold = (float(bayer[y & 3][x & 3]) + 0.5f) / 16.0f;
    const float a = std::floor(std::pow(level, 1.0f / 8.0f) * 255.0f + threshold);
    return uint8_t(std::clamp(a, 1.0f, 255.0f));
}

int makeLogo(const char* boldFont, const char* regularFont, Image* out) {
    Typeface bold, regular;
    if (openTypeface(boldFont, &bold)) return 1;
    if (openTypeface(regularFont, &regular)) {
        closeTypeface(&bold);
        return 1;
    }
    LogoLayers l;
    l.body = makeCanvas(logoWidth, logoHeight);
    l.ring = makeCanvas(logoWidth, logoHeight);
    l.subtitle = makeCanvas(logoWidth, logoHeight);
    l.rules = makeCanvas(logoWidth, logoHeight);
    const int result = drawLayers(bold, regular, &l);
    closeTypeface(&regular);
    closeTypeface(&bold);
    if (result) return result;

    out->width = logoWidth;
    out->height = logoHeight;
    out->firstRowIsTop = true;
    out->bgra.assign(size_t(logoWidth) * logoHeight * 4, 0);
    for (int y = 0; y < logoHeight; ++y)
        for (int x = 0; x < logoWidth; ++x) {
            // Brightness falls a little towards the baseline, like light from above.
            const float shade =
                std::clamp(1.0f - 0.25f * (float(y) - l.top) / letterCap, 0.7f, 1.0f);
            const float body = l.body.at(x, y) * shade;
            const float ring = l.ring.at(x, y);
            const float sub = l.subtitle.at(x, y) * 0.9f, rule = l.rules.at(x, y) * 0.75f;
            const float lit = std::max({body, ring, sub, rule});
            if (lit <= 0.5f / 255.0f) continue;
            uint8_t* px = &out->bgra[(size_t(y) * logoWidth + size_t(x)) * 4];
            if (body > 0) px[2] = std::max<uint8_t>(1, unit(bodyOrder(l, x, y)));
            if (ring > 0)
                px[1] = std::max<uint8_t>(1, unit(ringOrder(l, x, y)));
            else if (sub > 0 || rule > 0)
                px[1] = std::max<uint8_t>(1, unit(subtitleOrder(l, x, y, sub <= 0)));
            px[0] = 0;
            px[3] = alphaFor(lit, x, y);
        }
    return 0;
}
