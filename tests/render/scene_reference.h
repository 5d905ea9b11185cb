// A CPU model of the scene stage, written from the formulas of the picture rather than from the
// shader text, at single precision, so that rendered pixels can be checked against it.
#pragma once
#include <cstdint>
#include <vector>

struct SceneParams {
    float time = 4.0f;
    float bass = 0.0f;
    float bend = 0.0f;
    float boxSize[3] = {0.5f, 0.7f, 0.5f};
    float lineWidth = 0.06f;
    float camRot[3] = {-0.25f, 0.15f, 0.0f};
    float camPos[3] = {0.3f, 0.0f, 0.0f};
    float skyPos = 0.2f;
    float skyEnergy = 0.6f;
    float buildingHeight = 0.0f;
    float greetsOpacity = 0.0f;
    float greetsProgress = 0.0f;
    float fisheye = 0.0f;
    float qrvProgress = 0.0f;
    float fadeToBlack = 0.0f;
    float boulePos[2] = {0.2f, -3.0f};
};

// An image as the picture sees it: true R, G, B, A bytes, first stored row first.
struct Image {
    int width = 1;
    int height = 1;
    std::vector<uint8_t> rgba = std::vector<uint8_t>(4, 0);
};

// The range of colours (before 8-bit storage) the pixel whose vertex position is (vx, vy) may
// take: the image samples are allowed one 8-bit step of filtering error, which the logo's steep
// edges magnify. Without images in play, low and high coincide.
void referenceScene(const SceneParams& u, const Image& greets, const Image& qrv, float vx, float vy,
                    float low[3], float high[3]);
