// The greetings image: sixteen strips of centred names in the bands the scene shader reads.
#include "makeimages.h"
#include "raster.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

static const GreetStrip showGreetings[greetsStrips] = {
    {{"GREETINGS TO"}, true},
    {{"MOTHLAMP", "VELVET OSCILLATOR"}, false},
    {{"GLASS HERON", "OKTOPLEX", "SALT & SIGNAL"}, false},
    {{"TINFOIL CATHEDRAL"}, false},
    {{"NORDLICHT BAKERY", "CHROMAGNOLIA"}, false},
    {{"LOW ORBIT LIBRARY", "PAPER KRAKEN"}, false},
    {{"HALFTONE HARES", "QUARTZ BALLET", "FIZZBUOY"}, false},
    {{"DUSTBIN PROPHETS"}, false},
    {{"BRASS AXOLOTL", "TERMINAL MARZIPAN"}, false},
    {{"ZINC ORCHESTRA", "KELP MACHINE", "WOBBLECORE"}, false},
    {{"SEVEN SLOW TRAINS"}, false},
    {{"STATIC PELICANS", "RASTER GARDENERS"}, false},
    {{"CARDBOARD COMETS", "MOONBAKERS", "SLEEPY VECTOR"}, false},
    {{"ULTRAMARINE DOGS", "TAPE LOOP TURTLES"}, false},
    {{"MILLIPEDE MONO", "HOLLOW BELL SOCIETY"}, false},
    {{"SODIUM SAINTS", "AND YOU"}, false},
};

const GreetStrip* defaultGreetings() {
    return showGreetings;
}

void greetsBand(int strip, double* tLow, double* tHigh) {
    *tLow = 1.0 - 0.8 / 16.0 - strip / 16.1;
    *tHigh = 1.0 - 0.2 / 16.0 - strip / 16.1;
}

// Texels kept empty inside each band edge: the shader repeats the band's edge rows over the rest
// of the screen, and linear filtering reads one texel beyond them.
static const float bandMargin = 3.0f;
// Space left free at the image's left and right ends.
static const float sideMargin = 48.0f;

// Names in the bold face, separated by small diamonds; the header in the regular face, widely
// spaced, between two rules.
static const TextStyle nameStyle{55.0f, 2.0f, 0.0f, 1.0f};
static const TextStyle headerStyle{44.0f, 14.0f, 0.0f, 1.0f};
static const float separatorGap = 30.0f;  // from a name to the diamond's centre
static const float separatorSize = 8.0f;  // the diamond's half-diagonal
static const float separatorLevel = 0.8f; // the diamond's grey
static const float ruleLength = 150.0f;
static const float ruleGap = 36.0f;

static int stripNameCount(const GreetStrip& strip) {
    int n = 0;
    while (n < 3 && strip.names[n])
        ++n;
    return n;
}

// Draws one strip centred horizontally with its capitals centred on `middle` (canvas y).
static int drawStrip(Typeface& bold, Typeface& regular, const GreetStrip& strip, int index,
                     float middle, Canvas* canvas) {
    const int count = stripNameCount(strip);
    if (strip.header) {
        const float width = measureText(regular, headerStyle, strip.names[0]);
        const float x = std::round((float(canvas->width) - width) * 0.5f);
        const float cap = capHeight(regular, headerStyle);
        drawText(regular, headerStyle, strip.names[0], x, std::round(middle + cap * 0.5f), canvas);
        // Rules two pixels thick on the capitals' middle line.
        const float y = std::round(middle) - 1.0f;
        fillRect(canvas, x - ruleGap - ruleLength, y, x - ruleGap, y + 2.0f);
        fillRect(canvas, x + width + ruleGap, y, x + width + ruleGap + ruleLength, y + 2.0f);
        return 0;
    }
    float widths[3] = {0, 0, 0};
    float total = 0;
    for (int i = 0; i < count; ++i) {
        widths[i] = measureText(bold, nameStyle, strip.names[i]);
        total += widths[i] + (i ? 2 * separatorGap : 0);
    }
    if (total > float(canvas->width) - 2 * sideMargin) {
        std::fprintf(stderr, "makeimages: greetings strip %d is %.0f pixels wide, more than %.0f\n",
                     index, total, float(canvas->width) - 2 * sideMargin);
        return 1;
    }
    const float cap = capHeight(bold, nameStyle);
    const float baseline = std::round(middle + cap * 0.5f);
    float x = std::round((float(canvas->width) - total) * 0.5f);
    for (int i = 0; i < count; ++i) {
        if (i) {
            fillDiamond(canvas, x + separatorGap, baseline - cap * 0.5f, separatorSize,
                        separatorLevel);
            x += 2 * separatorGap;
        }
        drawText(bold, nameStyle, strip.names[i], x, baseline, canvas);
        x += widths[i];
    }
    return 0;
}

int makeGreetings(const char* boldFont, const char* regularFont, const GreetStrip* strips,
                  Image* out) {
    Typeface bold, regular;
    if (openTypeface(boldFont, &bold)) return 1;
    if (openTypeface(regularFont, &regular)) {
        closeTypeface(&bold);
        return 1;
    }
    // The canvas runs from the top of the picture down: canvas y / height = 1 - t.
    Canvas canvas = makeCanvas(greetsWidth, greetsHeight);
    const float h = float(greetsHeight);
    int result = 0;
    for (int k = 0; k < greetsStrips && result == 0; ++k) {
        double tLow, tHigh;
        greetsBand(k, &tLow, &tHigh);
        const float middle = float((1.0 - (tLow + tHigh) * 0.5) * h);
        result = drawStrip(bold, regular, strips[k], k, middle, &canvas);
    }
    closeTypeface(&regular);
    closeTypeface(&bold);
    if (result) return result;

    // Every inked row must lie inside some band, clear of its edges.
    for (int y = 0; y < canvas.height; ++y) {
        const float* row = &canvas.cover[size_t(y) * size_t(canvas.width)];
        if (std::none_of(row, row + canvas.width, [](float c) { return c > 0; })) continue;
        const float top = float(y), bottom = float(y + 1);
        bool inside = false;
        for (int k = 0; k < greetsStrips && !inside; ++k) {
            double tLow, tHigh;
            greetsBand(k, &tLow, &tHigh);
            inside = top >= float((1.0 - tHigh) * h) + bandMargin &&
                     bottom <= float((1.0 - tLow) * h) - bandMargin;
        }
        if (!inside) {
            std::fprintf(stderr, "makeimages: greetings text reaches row %d, outside its band\n",
                         y);
            return 1;
        }
    }

    out->width = greetsWidth;
    out->height = greetsHeight;
    out->firstRowIsTop = false;
    out->bgra.assign(size_t(greetsWidth) * greetsHeight * 4, 0);
    for (int y = 0; y < canvas.height; ++y) {
        uint8_t* dst = &out->bgra[size_t(canvas.height - 1 - y) * canvas.width * 4];
        for (int x = 0; x < canvas.width; ++x, dst += 4) {
            const uint8_t c = uint8_t(std::lround(std::clamp(canvas.at(x, y), 0.0f, 1.0f) * 255));
            dst[0] = dst[1] = dst[2] = c;
            dst[3] = 255;
        }
    }
    return 0;
}
