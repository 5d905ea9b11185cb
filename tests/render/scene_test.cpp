// The scene stage drawn with llvmpipe and compared with the CPU model of the picture.
#include "gl_test_context.h"
#include "render/resources.h"
#include "scene_reference.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

static const int width = 128;
static const int height = 72;

// Draws the scene stage with the given uniforms and images into a fresh target; returns its
// pixels, bottom row first.
static std::vector<uint8_t> renderScene(const SceneParams& u, const Image& greets,
                                        const Image& qrv) {
    // Built afresh each time: every test opens its own context, which shares nothing.
    ShaderProgram program = buildProgram(passShaderSource(framePassScene));
    // Uploaded the way image files are: stored B, G, R, A bytes as the texture's R, G, B, A.
    auto upload = [](const Image& image) {
        std::vector<uint8_t> stored(image.rgba.size());
        for (size_t i = 0; i + 3 < stored.size(); i += 4) {
            stored[i] = image.rgba[i + 2];
            stored[i + 1] = image.rgba[i + 1];
            stored[i + 2] = image.rgba[i];
            stored[i + 3] = image.rgba[i + 3];
        }
        return makeTexture(image.width, image.height, stored);
    };
    GLuint greetsTexture = upload(greets);
    GLuint qrvTexture = upload(qrv);
    RenderTarget target = createRenderTarget(width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glUseProgram(program);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, greetsTexture);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, qrvTexture);
    auto at = [program](const char* name) { return glGetUniformLocation(program, name); };
    glUniform1i(at("uGreetsTexture"), 0);
    glUniform1i(at("uQRVTexture"), 1);
    glUniform1f(at("time"), u.time);
    glUniform1f(at("uBass"), u.bass);
    glUniform1f(at("uBend"), u.bend);
    glUniform3f(at("uBoxSize"), u.boxSize[0], u.boxSize[1], u.boxSize[2]);
    glUniform1f(at("uLineWidth"), u.lineWidth);
    glUniform3f(at("uCamRot"), u.camRot[0], u.camRot[1], u.camRot[2]);
    glUniform3f(at("uCamPos"), u.camPos[0], u.camPos[1], u.camPos[2]);
    glUniform1f(at("uSkyPos"), u.skyPos);
    glUniform1f(at("uSkyEnergy"), u.skyEnergy);
    glUniform1f(at("uBuildingHeight"), u.buildingHeight);
    glUniform1f(at("uGreetsOpacity"), u.greetsOpacity);
    glUniform1f(at("uGreetsProgress"), u.greetsProgress);
    glUniform1f(at("uFisheye"), u.fisheye);
    glUniform1f(at("uQRVProgress"), u.qrvProgress);
    glUniform1f(at("uFadeToBlack"), u.fadeToBlack);
    glUniform2f(at("uBoulePos"), u.boulePos[0], u.boulePos[1]);
    drawFullScreenRect();
    glUseProgram(0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return readTexture(target.colourTexture, width, height);
}

static float vertexX(int x) {
    return (2.0f * float(x) + 1.0f) / float(width) - 1.0f;
}
static float vertexY(int y) {
    return (2.0f * float(y) + 1.0f) / float(height) - 1.0f;
}

static const uint8_t* pixelAt(const std::vector<uint8_t>& pixels, int x, int y) {
    return &pixels[(size_t(y) * width + x) * 4];
}

// Smooth images, so that the filtering of the GPU and of the model agree closely.
static Image smoothGreets() {
    Image image;
    image.width = 48;
    image.height = 161;
    image.rgba.resize(size_t(image.width) * image.height * 4);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            uint8_t* p = &image.rgba[(size_t(y) * image.width + x) * 4];
            p[0] = uint8_t(127.5f + 127.0f * std::sin(0.13f * x + 0.09f * y));
            p[1] = uint8_t(x * 5);
            p[2] = uint8_t(y);
            p[3] = 255;
        }
    }
    return image;
}

static Image smoothLogo() {
    Image image;
    image.width = 32;
    image.height = 18;
    image.rgba.resize(size_t(image.width) * image.height * 4);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            uint8_t* p = &image.rgba[(size_t(y) * image.width + x) * 4];
            p[0] = uint8_t(x * 8);
            p[1] = uint8_t(255 - y * 14);
            p[2] = 77;
            p[3] = uint8_t(200 + 3 * ((x + y) % 18));
        }
    }
    return image;
}

// The share of pixels whose channels all lie within 2/255 of the model.
static double agreement(const SceneParams& u, const Image& greets, const Image& qrv) {
    std::vector<uint8_t> got = renderScene(u, greets, qrv);
    int agreeing = 0;
    int shown = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float low[3], high[3];
            referenceScene(u, greets, qrv, vertexX(x), vertexY(y), low, high);
            const uint8_t* p = pixelAt(got, x, y);
            bool close = p[3] == 255;
            for (int c = 0; c < 3; ++c) {
                float lo = std::clamp(low[c], 0.0f, 1.0f) * 255.0f - 2.0f;
                float hi = std::clamp(high[c], 0.0f, 1.0f) * 255.0f + 2.0f;
                close = close && float(p[c]) >= lo && float(p[c]) <= hi;
            }
            if (close) {
                ++agreeing;
            } else if (shown++ < 3) {
                std::printf("  (%d, %d): got %d %d %d, want %.1f %.1f %.1f to %.1f %.1f %.1f\n", x,
                            y, p[0], p[1], p[2], low[0] * 255, low[1] * 255, low[2] * 255,
                            high[0] * 255, high[1] * 255, high[2] * 255);
            }
        }
    }
    return double(agreeing) / (width * height);
}

TEST(ScenePass, MatchesTheModelOverSeveralViews) {
    ASSERT_TRUE(openTestContext(width, height));
    Image greets = smoothGreets();
    Image logo = smoothLogo();

    SceneParams street; // standing in a street between the boxes
    street.camPos[0] = 0.0f;
    street.camPos[1] = -1.4f;
    street.camRot[0] = 0.05f;
    street.camRot[1] = 0.1f;

    SceneParams bent; // above the roofs, space bent, bass pumping
    bent.bend = 2.0f;
    bent.bass = 0.8f;
    bent.camRot[0] = -0.5f;
    bent.lineWidth = 0.09f;

    SceneParams fisheye;
    fisheye.fisheye = 1.0f;
    fisheye.camRot[0] = 0.3f;
    fisheye.camRot[2] = 0.6f;
    fisheye.boulePos[1] = -2.0f;

    SceneParams overlays; // greetings, logo and fade over a pumping scene
    overlays.greetsOpacity = 0.8f;
    overlays.greetsProgress = 0.37f;
    overlays.qrvProgress = 0.45f;
    overlays.fadeToBlack = 0.25f;
    overlays.bass = 0.3f;

    SceneParams heights; // near the origin, where the per-cell heights agree between processors
    heights.time = 0.5f;
    heights.buildingHeight = 0.6f;
    heights.bend = 0.5f;
    heights.boxSize[1] = 0.3f;

    SceneParams boule; // the ball right in front of the camera, filling the view
    boule.camPos[0] = 0.2f;
    boule.camPos[1] = -2.0f;
    boule.camRot[0] = 0.0f;
    boule.camRot[1] = 0.0f;
    boule.boulePos[1] = 1.6f;
    boule.skyEnergy = 1.0f;

    SceneParams sky; // looking up: gradient, streak and stars
    sky.camRot[0] = 0.9f;
    sky.skyPos = -0.4f;
    sky.skyEnergy = 1.0f;

    const std::pair<const char*, SceneParams> views[] = {
        {"street", street},   {"bent", bent},   {"fisheye", fisheye}, {"overlays", overlays},
        {"heights", heights}, {"boule", boule}, {"sky", sky},
    };
    for (const auto& [name, params] : views) {
        double share = agreement(params, greets, logo);
        EXPECT_GE(share, 0.99) << name;
        std::printf("%s: %.2f %% of pixels agree\n", name, share * 100.0);
    }
}

// Looking up into a sky of zero energy: black but for rare stars, so overlays show alone.
static SceneParams darkSky() {
    SceneParams u;
    u.skyEnergy = -3.0f / 7.0f;
    u.camRot[0] = 1.2f;
    return u;
}

// Counts the pixels whose red, green and blue all lie within 2/255 of want(x, y).
template <typename Want> static int matching(const std::vector<uint8_t>& got, Want want) {
    int count = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float w = std::clamp(want(x, y), 0.0f, 1.0f) * 255.0f;
            const uint8_t* p = pixelAt(got, x, y);
            count +=
                std::fabs(p[0] - w) <= 2 && std::fabs(p[1] - w) <= 2 && std::fabs(p[2] - w) <= 2;
        }
    }
    return count;
}

TEST(ScenePass, FullFadeIsOpaqueBlack) {
    ASSERT_TRUE(openTestContext(width, height));
    Image white;
    white.rgba = {255, 255, 255, 255};
    SceneParams u;
    u.bass = 2.0f;
    u.greetsOpacity = 1.0f;
    u.qrvProgress = 1.0f;
    u.fadeToBlack = 1.0f;
    std::vector<uint8_t> got = renderScene(u, white, white);
    for (size_t i = 0; i < got.size(); i += 4) {
        ASSERT_EQ(got[i] | got[i + 1] | got[i + 2], 0) << "pixel " << i / 4;
        ASSERT_EQ(got[i + 3], 255) << "pixel " << i / 4;
    }
}

// Strip k of a 322-row image fills rows 305 - 20k to 319 - 20k with red 255 - 10k, so whatever
// row of its band is read, the strip shows as one flat grey: its red squared, under the vignette.
TEST(ScenePass, ProgressSelectsTheGreetingsStrip) {
    ASSERT_TRUE(openTestContext(width, height));
    Image greets;
    greets.width = 4;
    greets.height = 322;
    greets.rgba.assign(size_t(greets.width) * greets.height * 4, 255);
    for (int row = 0; row < greets.height; ++row) {
        // Rows 5 to 19 of each 20 hold the strip; the first 5 stay black, so a strip read a
        // little off its band (16 bands instead of 16.1 apart) shows.
        int strip = std::min((319 - row) / 20, 15);
        bool inStrip = row >= 320 || (319 - row) % 20 < 15;
        for (int x = 0; x < greets.width; ++x) {
            greets.rgba[(size_t(row) * greets.width + x) * 4] =
                inStrip ? uint8_t(255 - 10 * strip) : 0;
        }
    }
    SceneParams u = darkSky();
    u.greetsOpacity = 1.0f;
    const std::pair<float, int> cases[] = {{0.0f, 0},    {1.0f, 0},           {2.0f, 0}, {0.5f, 8},
                                           {0.999f, 15}, {-1.0f / 16.0f, 15}, {0.3f, 4}};
    for (const auto& [progress, strip] : cases) {
        u.greetsProgress = progress;
        std::vector<uint8_t> got = renderScene(u, greets, Image());
        float g = float(255 - 10 * strip) / 255.0f;
        int agreeing = matching(got, [&](int x, int y) {
            return g * g * (1.0f - 0.5f * std::hypot(vertexX(x), vertexY(y)));
        });
        EXPECT_GE(agreeing, width * height * 97 / 100) << "progress " << progress;
    }
}

// A logo of 2 x 2-texel blocks, each block a pair of reveal values and an alpha; the screen
// shows it upright, stored row 0 at the top, and block centres sample one block alone.
TEST(ScenePass, LogoLayersRevealAtTheirThresholds) {
    ASSERT_TRUE(openTestContext(width, height));
    struct Block {
        uint8_t red, green, alpha;
    };
    const Block blocks[2][4] = {
        {{128, 0, 255}, {0, 128, 255}, {255, 255, 230}, {64, 64, 0}},
        {{255, 255, 255}, {26, 0, 255}, {0, 0, 255}, {200, 90, 250}},
    };
    Image logo;
    logo.width = 8;
    logo.height = 4;
    logo.rgba.resize(8 * 4 * 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            const Block& b = blocks[y / 2][x / 2];
            uint8_t* p = &logo.rgba[size_t(y * 8 + x) * 4];
            p[0] = b.red;
            p[1] = b.green;
            p[2] = 99;
            p[3] = b.alpha;
        }
    }
    auto expected = [](float progress, const Block& b) {
        float r = b.red / 255.0f, g = b.green / 255.0f, a = b.alpha / 255.0f;
        float e1 = std::clamp(4.0f * progress, 0.0f, 1.2f);
        float e2 = std::clamp(2.0f * (progress + 0.25f) - 1.0f, 0.0f, 1.2f);
        auto edge = [](float e, float x) {
            float t = std::clamp((e - x) / 0.07f, 0.0f, 1.0f);
            return t * t * (3.0f - 2.0f * t);
        };
        return edge(e1, r) * std::pow(r > 0 ? a : 0.0f, 8.0f) +
               edge(e2, g) * std::pow(g > 0 ? a : 0.0f, 8.0f);
    };
    SceneParams u = darkSky();
    for (float progress : {-0.1f, 0.0f, 0.034f, 0.12f, 0.15f, 0.3f, 0.5f, 0.52f, 0.55f, 0.85f}) {
        u.qrvProgress = progress;
        std::vector<uint8_t> got = renderScene(u, Image(), logo);
        for (int by = 0; by < 2; ++by) {
            for (int bx = 0; bx < 4; ++bx) {
                int x = bx * width / 4 + width / 8;
                int y = height - 1 - (by * height / 2 + height / 4); // stored row 0 on top
                float want = std::min(expected(progress, blocks[by][bx]), 1.0f) * 255.0f;
                const uint8_t* p = pixelAt(got, x, y);
                EXPECT_NEAR(p[0], want, 2.0f)
                    << "progress " << progress << " block " << bx << ", " << by;
                EXPECT_EQ(p[0], p[2]);
            }
        }
    }
}
