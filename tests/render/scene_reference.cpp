#include "scene_reference.h"

#include "gl_test_context.h"

#include <algorithm>
#include <cmath>

namespace {

struct Vec3 {
    float x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
float length(Vec3 a) {
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}
Vec3 normalize(Vec3 a) {
    return a * (1.0f / length(a));
}
float dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float mix(float a, float b, float t) {
    return a + (b - a) * t;
}
Vec3 mix(Vec3 a, Vec3 b, float t) {
    return a + (b - a) * t;
}
float fract(float x) {
    return x - std::floor(x);
}
float mod(float x, float y) {
    return x - y * std::floor(x / y);
}
float clamp(float x, float lo, float hi) {
    return std::min(std::max(x, lo), hi);
}
float fade(float t) {
    return t * t * (3.0f - 2.0f * t);
}
float sign(float x) {
    return x > 0.0f ? 1.0f : (x < 0.0f ? -1.0f : 0.0f);
}

Vec3 rotateX(Vec3 v, float a) {
    return {v.x, v.y * std::cos(a) - v.z * std::sin(a), v.y * std::sin(a) + v.z * std::cos(a)};
}
Vec3 rotateY(Vec3 v, float a) {
    return {v.z * std::sin(a) + v.x * std::cos(a), v.y, v.z * std::cos(a) - v.x * std::sin(a)};
}
Vec3 rotateZ(Vec3 v, float a) {
    return {v.x * std::cos(a) - v.y * std::sin(a), v.x * std::sin(a) + v.y * std::cos(a), v.z};
}

float hash(float n) {
    return fract(std::sin(n) * 43758.5453f);
}

float noise(Vec3 x) {
    Vec3 lattice = {std::floor(x.x), std::floor(x.y), std::floor(x.z)};
    Vec3 f = {fade(fract(x.x)), fade(fract(x.y)), fade(fract(x.z))};
    float n = lattice.x + 57.0f * lattice.y + 113.0f * lattice.z;
    float near =
        mix(mix(hash(n), hash(n + 1.0f), f.x), mix(hash(n + 57.0f), hash(n + 58.0f), f.x), f.y);
    float far = mix(mix(hash(n + 113.0f), hash(n + 114.0f), f.x),
                    mix(hash(n + 170.0f), hash(n + 171.0f), f.x), f.y);
    return mix(near, far, f.z);
}

float boxDistance(Vec3 p, Vec3 halfExtents) {
    Vec3 d = Vec3{std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)} - halfExtents;
    Vec3 outside = {std::max(d.x, 0.0f), std::max(d.y, 0.0f), std::max(d.z, 0.0f)};
    return std::min(std::max(std::max(d.x, d.y), d.z), 0.0f) + length(outside);
}

Vec3 bend(Vec3 p) {
    return {p.x * std::cos(p.x) + p.y * std::sin(p.x), -p.x * std::sin(p.x) + p.y * std::cos(p.x),
            p.z};
}

float sceneDistance(const SceneParams& u, Vec3 p) {
    float bassColumn = std::floor(std::fabs(0.5f * p.x));
    p = mix(p, bend(p), 0.1f * u.bend);
    Vec3 swapped = {p.z, p.y, p.x};
    swapped = mix(swapped, bend(swapped), 0.01f * u.bend);
    p.z = swapped.x;
    p.y = swapped.y;

    Vec3 local = {mod(p.x, 2.0f) - 1.0f, p.y, mod(p.z, 2.0f) - 1.0f};
    float cellX = std::floor(std::fabs(0.5f * p.x));
    float cellZ = std::floor(std::fabs(0.5f * p.z));
    float cellHeight = 2.0f * noise({cellX, 0.0f, cellZ});
    float growth = u.bass / (1.0f + bassColumn);
    float X = u.boxSize[0];
    float H = u.boxSize[1] + growth * growth + cellHeight * u.buildingHeight;
    float Z = u.boxSize[2];
    float w = u.lineWidth;
    float outer = boxDistance(local, {X, H, Z});
    float cutY = boxDistance(local, {X - w, H + w, Z - w});
    float cutX = boxDistance(local, {X + w, H - w, Z - w});
    float cutZ = boxDistance(local, {X - w, H - w, Z + w});
    float frame = std::max(std::max(std::max(outer, -cutY), -cutX), -cutZ);

    Vec3 centre = {u.boulePos[0], 0.0f, u.boulePos[1] - u.time};
    float ball = 1e30f;
    for (float angle : {0.3925f, 1.1775f, 1.9625f, 2.7475f}) {
        Vec3 q = rotateY(p - centre, angle);
        float hoop = std::max(length(q) - 0.6f, -(std::sqrt(q.x * q.x + q.y * q.y) - 0.599f));
        ball = std::min(ball, hoop);
    }
    return std::min(frame, ball);
}

Vec3 skyColour(const SceneParams& u, Vec3 d) {
    float d1 = dot(normalize({d.x, d.y, 0.0f}), normalize({u.skyPos, 1.0f, 0.0f}));
    float streak = sign(d1) * std::pow(std::fabs(d1), 256.0f);
    float stars = clamp(std::pow(1.02f * noise(d * 128.0f), 256.0f), 0.0f, 1.0f);
    Vec3 gradient = Vec3{0.1f, 0.3f, 0.5f} * std::fabs(d.y) * (0.6f + 0.4f * streak) *
                    (0.3f + 0.7f * u.skyEnergy);
    return gradient + Vec3{0.5f * stars, 0.5f * stars, 0.5f * stars};
}

// Returns the coverage of the first hit, 0 without one.
float march(const SceneParams& u, Vec3 origin, Vec3 direction) {
    Vec3 p = origin;
    for (int i = 0; i < 192; ++i) {
        float dist = sceneDistance(u, p);
        if (dist < 0.001f) return 1.0f / (1.0f + std::fabs(p.z - origin.z + 1.0f) / 5.0f);
        p = p + direction * dist * 0.8f;
        if (length(p - origin) > 50.0f) break;
    }
    return 0.0f;
}

void sample(const Image& image, float s, float t, float out[4]) {
    sampleLinear(image.rgba, image.width, image.height, s, t, out);
}

// The logo's grey for a sample: falls as the reveal values rise, grows with the alpha.
float logoGrey(float progress, float r, float g, float a) {
    float e1 = clamp(4.0f * progress, 0.0f, 1.2f);
    float e2 = clamp(2.0f * (progress + 0.25f) - 1.0f, 0.0f, 1.2f);
    float layer1 = fade(clamp((e1 - r) / 0.07f, 0, 1)) * std::pow(a * sign(r), 8.0f);
    float layer2 = fade(clamp((e2 - g) / 0.07f, 0, 1)) * std::pow(a * sign(g), 8.0f);
    return layer1 + layer2;
}

} // namespace

void referenceScene(const SceneParams& u, const Image& greets, const Image& qrv, float vx, float vy,
                    float low[3], float high[3]) {
    Vec3 origin = {u.camPos[0], 2.0f + u.camPos[1], 3.0f - u.time + u.camPos[2]};
    float radius = std::sqrt(vx * vx + vy * vy);
    Vec3 direction = normalize({1.6f * vx, vy, -1.0f + mix(-0.5f, radius, u.fisheye)});
    direction = rotateZ(rotateY(rotateX(direction, u.camRot[0]), u.camRot[1]), u.camRot[2]);

    Vec3 bassColour = mix(Vec3{1, 1, 1}, Vec3{0.1f, 0.6f, 1.0f}, 1.0f - std::fabs(vx));
    float coverage = march(u, origin, direction);
    Vec3 tint = mix(Vec3{1, 1, 1}, bassColour, std::pow(u.bass, 1.333f));
    Vec3 geometry = {clamp(tint.x, 0, 1), clamp(tint.y, 0, 1), clamp(tint.z, 0, 1)};
    Vec3 colour = mix(skyColour(u, direction), geometry, coverage);
    float flash = clamp(0.5f * u.bass, 0.0f, 1.0f);
    colour = colour + Vec3{flash, flash, flash};

    // A GPU filters 8-bit texels with limited precision, and the logo's steep edges and the
    // alpha's 8th power magnify that; so the overlays are evaluated over samples one step
    // either side, giving the range of colours a correct stage may produce.
    const float slack = 1.0f / 255.0f;
    float s = 0.5f * vx + 0.5f;
    float v = 1.0f - (0.5f * vy + 0.5f);
    float strip = std::floor(16.0f * mod(u.greetsProgress, 1.0f));
    float band = clamp(8.0f * (v - 0.45f), 0.2f, 0.8f);
    float texel[4];
    sample(greets, fract(s + strip), 1.0f - (band / 16.0f + std::floor(s + strip) / 16.1f), texel);
    Vec3 lowest = {1e30f, 1e30f, 1e30f}, highest = {-1e30f, -1e30f, -1e30f};
    for (float offset : {-slack, 0.0f, slack}) {
        float g = texel[0] == 0.0f ? 0.0f : std::max(texel[0] + offset, 0.0f);
        Vec3 greeted = colour + (Vec3{g, g, g} - colour) * g * u.greetsOpacity;
        lowest = {std::min(lowest.x, greeted.x), std::min(lowest.y, greeted.y),
                  std::min(lowest.z, greeted.z)};
        highest = {std::max(highest.x, greeted.x), std::max(highest.y, greeted.y),
                   std::max(highest.z, greeted.z)};
    }

    float vignette = 1.0f - 0.5f * radius;
    sample(qrv, s, v, texel);
    auto nudge = [&](float x, float by) { return x == 0.0f ? 0.0f : clamp(x + by, 0.0f, 1.0f); };
    float dimmest = 1e30f, brightest = -1e30f;
    for (float byR : {-slack, 0.0f, slack}) {
        for (float byG : {-slack, 0.0f, slack}) {
            for (float byA : {-slack, 0.0f, slack}) {
                float grey = logoGrey(u.qrvProgress, nudge(texel[0], byR), nudge(texel[1], byG),
                                      nudge(texel[3], byA));
                dimmest = std::min(dimmest, grey);
                brightest = std::max(brightest, grey);
            }
        }
    }
    float keep = 1.0f - u.fadeToBlack;
    low[0] = (lowest.x * vignette + dimmest) * keep;
    low[1] = (lowest.y * vignette + dimmest) * keep;
    low[2] = (lowest.z * vignette + dimmest) * keep;
    high[0] = (highest.x * vignette + brightest) * keep;
    high[1] = (highest.y * vignette + brightest) * keep;
    high[2] = (highest.z * vignette + brightest) * keep;
}
