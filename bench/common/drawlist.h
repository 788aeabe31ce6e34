// The scene's draws, frame by frame, as the peers and the floor replay them.
//
// bench_record runs the scene's own frame code on the framework with the
// recording display and writes every draw with the drawing state it was made
// under; the peers and the floor read the file, so every renderer draws the
// very same flakes in the same order with the same tint, alpha, rotation and
// scale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

enum class DrawKind : uint8_t {
    Flake,       // the flake picture, about its own (centre) handle
    Rect,        // a filled square, about the handle of SetHandle
    Background,  // the background picture at (0, 0)
};

struct Draw {
    DrawKind kind;
    // The colour and the byte alpha as the framework holds them.
    uint8_t red, green, blue, alpha;
    // 1 mask … 5 multiply; the scene draws everything with 4 (additive).
    uint8_t blend;
    uint8_t unused[2];
    float x, y;
    float width, height;
    float handleX, handleY;
    float rotation;  // degrees, clockwise on the screen
    float scaleX, scaleY;
};
static_assert(sizeof(Draw) == 44);

struct DrawList {
    // How the recording was made.
    int32_t seed = 0;
    int32_t multiplier = 1;
    int32_t warmup = 0;
    // Frame f's draws are draws[first[f]] … draws[first[f + 1] − 1].
    std::vector<uint32_t> first{0};
    std::vector<Draw> draws;

    size_t Frames() const { return first.size() - 1; }
    const Draw* Begin(size_t frame) const { return draws.data() + first[frame]; }
    const Draw* End(size_t frame) const { return draws.data() + first[frame + 1]; }
    size_t Count(size_t frame) const { return first[frame + 1] - first[frame]; }
};

// Raises std::runtime_error on a file that cannot be written or read.
void WriteDrawList(const std::string& path, const DrawList& list);
DrawList ReadDrawList(const std::string& path);

// The four corners on the screen (top left, top right, bottom right, bottom
// left of the picture) exactly as the framework places a draw: scaled, then
// turned, about the handle, which lands on (x, y).
void Corners(const Draw& draw, float x[4], float y[4]);

}  // namespace bench
