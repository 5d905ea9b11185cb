#include "picture.h"

#include "base/log.h"
#include "platform/window.h"
#include "png_file.h"
#include "render/content_internal.h"

#include <filesystem>
#include <vector>

void startPassTimers(Studio& studio) {
    // Timer queries are OpenGL 3.3 or ARB_timer_query.
    studio.timerQueries = glGenQueries && glBeginQuery && glGetQueryObjectui64v;
    if (studio.timerQueries)
        for (auto& frameQueries : studio.passQueries)
            glGenQueries(3, frameQueries);
}

// The GL state every pass expects (the defaults); the overlay changes some of it.
static void resetDrawState() {
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glUseProgram(0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void drawPasses(Studio& studio, double row, int32_t width, int32_t height, bool timed) {
    timed = timed && studio.timerQueries;
    sizeTargets(*studio.content, width, height);
    resetDrawState();
    glViewport(0, 0, width, height);
    GLuint* queries = studio.passQueries[studio.frameNumber % gpuQueryFrames];
    const FramePass passes[] = {framePassScene, framePassGlow, framePassFinal};
    for (int i = 0; i < 3; ++i) {
        if (timed) glBeginQuery(GL_TIME_ELAPSED, queries[i]);
        renderPass(*studio.content, passes[i], row);
        if (timed) glEndQuery(GL_TIME_ELAPSED);
    }
}

void collectPassTimes(Studio& studio) {
    if (!studio.timerQueries || studio.frameNumber < gpuQueryFrames) return;
    GLuint* queries = studio.passQueries[(studio.frameNumber + 1) % gpuQueryFrames];
    for (int i = 0; i < 3; ++i) {
        GLuint available = 0;
        glGetQueryObjectuiv(queries[i], GL_QUERY_RESULT_AVAILABLE, &available);
        if (!available) return;
    }
    for (int i = 0; i < 3; ++i) {
        GLuint64 ns = 0;
        glGetQueryObjectui64v(queries[i], GL_QUERY_RESULT, &ns);
        studio.passMs[i] = double(ns) * 1e-6;
    }
}

void scaleUp(GLuint texture, int32_t width, int32_t height, int32_t windowWidth,
             int32_t windowHeight) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 0, 0, width, height, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glViewport(0, 0, windowWidth, windowHeight);
    glEnable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
}

int studioWriteStill(Studio& studio, const char* path) {
    int32_t width = 0, height = 0;
    windowFramebufferSize(studio.window, &width, &height);
    if (width < 1 || height < 1) {
        logMessage("still", "%s: the window has no area to draw", path);
        return 1;
    }
    const double row = studioFrameRow(studio);
    drawPasses(studio, row, width, height, false);
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
    if (!writeFramePng(path, pixels.data(), width, height)) {
        logMessage("still", "%s: cannot write the PNG file", path);
        return 1;
    }
    studio.lastStill = path;
    logMessage("still", "%s: row %.4f", path, row);
    return 0;
}
