// The table that binds animation tracks to shader uniforms: one row per uniform of a pass,
// naming the tracks of its components. Tracks are fetched in the table's order (a name that
// appears twice is one track); every frame each row's tracks are evaluated at the frame's row,
// narrowed to float and set on the uniform in the pass's program.
//
// Adding an animated uniform is one row here and the uniform in its shader.
#pragma once
#include <cstdint>

enum FramePass : int32_t { framePassScene, framePassGlow, framePassFinal };

struct UniformBinding {
    FramePass pass;
    const char* uniform;    // name in the pass's program
    int32_t componentCount; // 1 float, 2 vec2, 3 vec3
    const char* tracks[3];  // track name of each component
};

inline constexpr UniformBinding uniformBindings[] = {
    {framePassScene, "uBass", 1, {"uBass"}},
    {framePassScene, "uBend", 1, {"uBend"}},
    {framePassScene, "uLineWidth", 1, {"uLineWidth"}},
    {framePassScene, "uBoxSize", 3, {"uBoxSize.x", "uBoxSize.y", "uBoxSize.z"}},
    {framePassScene, "time", 1, {"uGTime"}},
    {framePassScene, "uFisheye", 1, {"uFisheye"}},
    {framePassScene, "uCamRot", 3, {"uCamRot.x", "uCamRot.y", "uCamRot.z"}},
    {framePassScene, "uCamPos", 3, {"uCamPos.x", "uCamPos.y", "uCamPos.z"}},
    {framePassScene, "uSkyPos", 1, {"uSkyPos"}},
    {framePassScene, "uSkyEnergy", 1, {"uSkyEnergy"}},
    {framePassScene, "uBuildingHeight", 1, {"uBuildingHeight"}},
    {framePassScene, "uGreetsProgress", 1, {"uGreetsProgress"}},
    {framePassScene, "uGreetsOpacity", 1, {"uGreetsOpacity"}},
    {framePassScene, "uQRVProgress", 1, {"uQRVProgress"}},
    {framePassScene, "uFadeToBlack", 1, {"uFadeToBlack"}},
    {framePassScene, "uBoulePos", 2, {"uBoulePX", "uBoulePZ"}},
    {framePassGlow, "uGlow", 1, {"uGlow"}},
    {framePassFinal, "uBass", 1, {"uBass"}},
};

inline constexpr int32_t uniformBindingCount =
    int32_t(sizeof uniformBindings / sizeof uniformBindings[0]);

// Track slots: every component of every row, in table order (a track named twice has two slots
// holding the same track).
inline constexpr int32_t uniformTrackSlotCount = [] {
    int32_t n = 0;
    for (const UniformBinding& b : uniformBindings)
        n += b.componentCount;
    return n;
}();

// The first track slot of binding row i.
constexpr int32_t firstTrackSlot(int32_t bindingIndex) {
    int32_t n = 0;
    for (int32_t i = 0; i < bindingIndex; ++i)
        n += uniformBindings[i].componentCount;
    return n;
}

// Sampler uniforms, set to fixed texture units rather than from tracks.
struct SamplerBinding {
    FramePass pass;
    const char* uniform;
    int32_t unit;
};

inline constexpr SamplerBinding samplerBindings[] = {
    {framePassScene, "uGreetsTexture", 0},
    {framePassScene, "uQRVTexture", 1},
    {framePassGlow, "uSrcTexture", 0},
    {framePassFinal, "uSrcTexture", 0},
};

inline constexpr int32_t samplerBindingCount =
    int32_t(sizeof samplerBindings / sizeof samplerBindings[0]);
