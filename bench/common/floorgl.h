// The floor's renderer: the scene's quads for every frame of a draw list
// built once into a static vertex buffer (one texture holding both pictures
// and a white patch), and each frame drawn into the window with a single
// call. No per-frame work on the CPU but the call itself: what is left is the
// driver's own cost of putting these pixels on the screen, which no renderer
// can go below. bench_floor runs it alone; bench_frame alternates it with the
// framework's frames in one process.
#pragma once

#include <epoxy/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bench/common/drawlist.h"
#include "framework/pixmap/pixmap.h"

namespace bench {

// The floor's program, in the current context: the driver's vertex format
// (position in pixels of a 1024 × 768 target, texture coordinate, RGBA8
// colour), each pixel the texel times the colour. Its sampler is unit 0.
GLuint BuildFloorProgram();

// One corner of a quad, in the layout the floor's program reads.
struct FloorVertex {
    float x, y, u, v;
    uint8_t red, green, blue, alpha;
};

// A vertex array, made and left bound, over two new static buffers: the
// vertices and the indices of `quads` quads (corners 0 1 2, 0 2 3 each).
struct FloorBuffers {
    GLuint vertexArray = 0, buffers[2] = {0, 0};
};
FloorBuffers LoadFloorQuads(const std::vector<FloorVertex>& vertices, size_t quads);

class FloorRenderer {
public:
    // In the current context (1024 × 768), from the list and the two
    // pictures; raises std::runtime_error on a list that is not additive.
    FloorRenderer(const DrawList& list, const fw::TPixmap& background, const fw::TPixmap& flake);
    ~FloorRenderer();
    FloorRenderer(const FloorRenderer&) = delete;
    FloorRenderer& operator=(const FloorRenderer&) = delete;

    // Clears the window's frame and draws frame `frame` of the list into it
    // with one call, setting every piece of GL state it uses; the caller
    // shows it. The window's framebuffer stays bound.
    void Draw(size_t frame) const;

private:
    const DrawList& list_;
    GLuint texture_ = 0, program_ = 0;
    FloorBuffers quads_;
};

}  // namespace bench
