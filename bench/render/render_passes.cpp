// Time of each of the frame's three passes, measured with glFinish around each draw.
//
// usage: render_passes [WIDTHxHEIGHT ...] (default 320x180 1280x720); prints the median of
// several frames per pass and size. The scene is looked at from inside the city, the costly
// case.
#include "render/resources.h"
#include "shaders/final.glsl.h"
#include "shaders/glow.glsl.h"
#include "shaders/scene.glsl.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

static double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

static double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

static void measure(int width, int height) {
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(width, height, "render_passes", nullptr, nullptr);
    if (!window) {
        std::fprintf(stderr, "render_passes: no %dx%d GL window\n", width, height);
        return;
    }
    glfwMakeContextCurrent(window);
    glewInit();
    ShaderProgram scene = buildProgram(scene_glsl);
    ShaderProgram glow = buildProgram(glow_glsl);
    ShaderProgram final = buildProgram(final_glsl);
    RenderTarget a = createRenderTarget(width, height);
    RenderTarget b = createRenderTarget(width, height);
    const uint8_t texel[4] = {0, 0, 0, 0};
    GLuint blank;
    glGenTextures(1, &blank);
    glBindTexture(GL_TEXTURE_2D, blank);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);

    auto at = [](GLuint p, const char* name) { return glGetUniformLocation(p, name); };
    glUseProgram(scene);
    glUniform1f(at(scene, "time"), 20.0f);
    glUniform1f(at(scene, "uBass"), 0.5f);
    glUniform1f(at(scene, "uBend"), 1.0f);
    glUniform3f(at(scene, "uBoxSize"), 0.5f, 0.7f, 0.5f);
    glUniform1f(at(scene, "uLineWidth"), 0.05f);
    glUniform3f(at(scene, "uCamRot"), -0.1f, 0.1f, 0.0f);
    glUniform3f(at(scene, "uCamPos"), 0.0f, -1.4f, 0.0f);
    glUniform1f(at(scene, "uSkyEnergy"), 0.6f);
    glUniform1f(at(scene, "uBuildingHeight"), 0.3f);
    glUniform2f(at(scene, "uBoulePos"), 0.2f, -3.0f);
    glUniform1i(at(scene, "uGreetsTexture"), 0);
    glUniform1i(at(scene, "uQRVTexture"), 1);
    glUseProgram(glow);
    glUniform1f(at(glow, "uGlow"), 1.0f);
    glUseProgram(final);
    glUniform1f(at(final, "uBass"), 0.5f);
    glUseProgram(0);

    std::vector<double> times[3];
    const int frames = width * height > 500000 ? 7 : 21;
    for (int frame = 0; frame <= frames; ++frame) { // frame 0 compiles the shaders; not counted
        double t0 = now();
        glBindFramebuffer(GL_FRAMEBUFFER, a.framebuffer);
        glUseProgram(scene);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, blank);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, blank);
        drawFullScreenRect();
        glFinish();
        double t1 = now();
        glBindFramebuffer(GL_FRAMEBUFFER, b.framebuffer);
        glUseProgram(glow);
        glBindTexture(GL_TEXTURE_2D, a.colourTexture);
        drawFullScreenRect();
        glFinish();
        double t2 = now();
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glUseProgram(final);
        glBindTexture(GL_TEXTURE_2D, b.colourTexture);
        drawFullScreenRect();
        glFinish();
        double t3 = now();
        glUseProgram(0);
        if (frame == 0) continue;
        times[0].push_back(t1 - t0);
        times[1].push_back(t2 - t1);
        times[2].push_back(t3 - t2);
    }
    std::printf("%dx%d: scene %.2f ms, glow %.2f ms, final %.2f ms (medians of %d frames)\n", width,
                height, median(times[0]) * 1e3, median(times[1]) * 1e3, median(times[2]) * 1e3,
                frames);
    glfwDestroyWindow(window);
}

int main(int argc, char** argv) {
    if (!glfwInit()) {
        std::fprintf(stderr, "render_passes: the window library failed (is there a display?)\n");
        return 1;
    }
    std::vector<std::pair<int, int>> sizes;
    for (int i = 1; i < argc; ++i) {
        int w = 0, h = 0;
        if (std::sscanf(argv[i], "%dx%d", &w, &h) == 2 && w > 0 && h > 0) sizes.push_back({w, h});
    }
    if (sizes.empty()) sizes = {{320, 180}, {1280, 720}};
    for (auto [w, h] : sizes)
        measure(w, h);
    glfwTerminate();
    return 0;
}
