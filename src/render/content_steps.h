// Start-up loading and the frame, one step at a time, for measuring each step on its own.
//
// loadContent is loadImages, buildPrograms, createTargets and primeFrame in that order, and
// renderFrame is renderPass for the scene, glow and final passes in that order; calling the steps
// here in the same order does exactly what those two do. Same context rules as content.h.
#pragma once

enum FramePass { framePassScene, framePassGlow, framePassFinal };

// Uploads the greetings and logo images.
void loadImages();

// Compiles and links the three programs and looks up their uniforms.
void buildPrograms();

// Creates the two offscreen targets at the window size.
void createTargets();

// Draws the frame that makes the driver compile its shader code, and waits for it.
void primeFrame();

// Draws one pass of renderFrame at the given row, its tracks evaluated into its uniforms.
void renderPass(FramePass pass, double row);

// Draws one pass with the same bindings but sets no uniform, so they keep their last values.
void drawPassWithUniformsAsSet(FramePass pass);

// Makes the pass's program current and sets its uniforms from the tracks at row, drawing nothing.
void setPassUniforms(FramePass pass, double row);
