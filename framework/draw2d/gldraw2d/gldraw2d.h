// The OpenGL 3.3 core drawing driver.
//
// Everything is drawn into a render target (a framebuffer object) of the
// size given to Graphics, which keeps its content across Flip; Flip shows it
// on the window scaled with its shape kept. Draws are batched: one vertex
// format (position, texture coordinate, RGBA8 colour), corners from draw2d,
// colour and byte alpha in the vertices. Every image texture carries white
// texels below its picture, so rectangles drawn among an image's draws take
// their colour from the same texture: a run of draws under one blend mode
// that uses one image is one draw call, rectangles and all. A batch is drawn
// when the blend mode or the image changes, and at Cls, Flip and readback.
#pragma once

#include "framework/draw2d/draw2ddriver.h"

namespace fw {

// The process's one OpenGL drawing driver.
Ref<TDraw2DDriver> GLDraw2DDriver();

}  // namespace fw
