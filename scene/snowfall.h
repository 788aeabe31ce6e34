// The snowfall scene: its globals, its main body and the pieces of a frame.
#pragma once

#include <cstdint>

#include "framework/framework.h"
#include "scene/obj.h"

extern fw::Ref<fw::TImage> imgRed;    // the background picture
extern fw::Ref<fw::TImage> imgFlake;  // the flake picture, handle at its centre
extern fw::Ref<fw::TList> objList;    // the live flakes, in creation order
// Between frames of the snowfall: the number of flakes in objList.
// In the closing fade: the fade step.
extern int32_t counter;
// The flake in hand during a pass; it keeps the last one of a pass alive
// until the next pass moves on.
extern fw::Ref<Obj> o;

// The main body: start-up, the snowfall until Escape, the closing fade.
// Returns 0.
int SnowfallMain();

// Start-up: the embedded files, the framework, the display, the seeding from
// the clock, the drawing state, both pictures, the jingle, the colour cycle
// and an empty flake list; last, the jingle starts. Returns the jingle.
// Raises RuntimeError saying which where the display, a picture or the
// jingle cannot be had.
fw::Ref<fw::TSound> StartUp();
// The snowfall: frame after frame, each shown by Flip(-1), until Escape is
// found held after one.
void Snowfall();
// The closing fade: 101 steps, 0 to 100, each the picture, FadeToWhite at
// that step and Flip(-1).
void ClosingFade();

// One frame of the snowfall, everything before Flip: clear, tint, four new
// flakes, the pass, the reset of the drawing state, the colour step and the
// background.
void DrawFrame();

// The pass over objList: every flake is drawn and moved, and dropped once it
// has reached the snow line.
void RenderFlakes();

// Covers the whole display with white at `level` percent (clamped to 0..100)
// under alpha blending; draws nothing for 0, negative values and NaN.
// Returns 0.
int FadeToWhite(float level);
