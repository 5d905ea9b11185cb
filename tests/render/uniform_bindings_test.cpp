// The binding table against the real shaders: every row names a uniform its pass's program has,
// of the type the row sets, and every uniform a program has is set by some row.
#include "gl_test_context.h"
#include "render/resources.h"
#include "render/uniform_bindings.h"

#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>

static std::map<std::string, GLenum> activeUniforms(GLuint program) {
    std::map<std::string, GLenum> uniforms;
    GLint count = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    for (GLint i = 0; i < count; ++i) {
        char name[128];
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, GLuint(i), sizeof name, nullptr, &size, &type, name);
        uniforms[name] = type;
    }
    return uniforms;
}

TEST(UniformBindings, MatchTheUniformsOfTheShaders) {
    ASSERT_TRUE(openTestContext(16, 16));
    const GLuint programs[] = {buildProgram(passShaderSource(framePassScene)),
                               buildProgram(passShaderSource(framePassGlow)),
                               buildProgram(passShaderSource(framePassFinal))};
    const GLenum typeOfComponents[] = {0, GL_FLOAT, GL_FLOAT_VEC2, GL_FLOAT_VEC3};
    for (int pass = framePassScene; pass <= framePassFinal; ++pass) {
        std::map<std::string, GLenum> uniforms = activeUniforms(programs[pass]);
        std::set<std::string> bound;
        for (const UniformBinding& row : uniformBindings) {
            if (row.pass != pass) continue;
            ASSERT_GE(row.componentCount, 1);
            ASSERT_LE(row.componentCount, 3);
            auto found = uniforms.find(row.uniform);
            ASSERT_NE(found, uniforms.end()) << row.uniform << " in pass " << pass;
            EXPECT_EQ(found->second, typeOfComponents[row.componentCount]) << row.uniform;
            for (int c = 0; c < row.componentCount; ++c)
                EXPECT_NE(row.tracks[c], nullptr) << row.uniform << " component " << c;
            bound.insert(row.uniform);
        }
        for (const SamplerBinding& row : samplerBindings) {
            if (row.pass != pass) continue;
            auto found = uniforms.find(row.uniform);
            ASSERT_NE(found, uniforms.end()) << row.uniform << " in pass " << pass;
            EXPECT_EQ(found->second, GLenum(GL_SAMPLER_2D)) << row.uniform;
            bound.insert(row.uniform);
        }
        for (const auto& [name, type] : uniforms)
            EXPECT_TRUE(bound.count(name)) << name << " of pass " << pass << " is set by no row";
    }
    // 24 tracks drive the show; "uBass" is read by two passes.
    std::set<std::string> tracks;
    for (int32_t i = 0; i < uniformBindingCount; ++i)
        for (int c = 0; c < uniformBindings[i].componentCount; ++c)
            tracks.insert(uniformBindings[i].tracks[c]);
    EXPECT_EQ(tracks.size(), 24u);
    EXPECT_EQ(uniformTrackSlotCount, 25);
}
