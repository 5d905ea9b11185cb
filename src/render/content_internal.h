// Start-up loading and the frame, one step at a time, for measuring each step on its own and for
// tools that swap programs while the show runs.
//
// loadContent is loadImages, buildPrograms, createTargets and primeFrame in that order, and
// renderFrame is renderPass for the scene, glow and final passes in that order; calling the steps
// here in the same order does exactly what those two do. Same context rules as content.h.
#pragma once
#include "render/content.h"

// Uploads the greetings and logo images.
void loadImages(Content& content);

// Compiles and links the three programs and looks up their uniforms.
void buildPrograms(Content& content);

// Puts three linked programs in place of the current ones and looks up their uniforms again
// (the old programs are left to the caller).
void usePrograms(Content& content, ShaderProgram scene, ShaderProgram glow, ShaderProgram final);

// Creates the two offscreen targets at the content's size.
void createTargets(Content& content);

// Draws the frame that makes the driver compile its shader code, and waits for it.
void primeFrame(Content& content);

// Draws one pass of renderFrame at the given row, its tracks evaluated into its uniforms.
void renderPass(Content& content, FramePass pass, double row);

// Draws one pass with the same bindings but sets no uniform, so they keep their last values.
void drawPassWithUniformsAsSet(Content& content, FramePass pass);

// Makes the pass's program current and sets its uniforms from the tracks at row, drawing nothing.
void setPassUniforms(Content& content, FramePass pass, double row);
