// Obj: one snowflake, either the flake picture or a small filled square.
#pragma once

#include <cstdint>

#include "framework/framework.h"

class Obj : public fw::Object {
public:
    // Every field starts at zero.
    Obj();
    ~Obj() override;

    // Draws the flake where it is, then sways, turns and drops it by one frame.
    void Render();

    // A new flake just above the top edge, from nine random draws; counts it.
    static fw::Ref<Obj> Create();

    float x;         // pixels: centre of the picture, or handle point of the square
    float y;         // pixels, downwards
    float speedY;    // pixels a frame
    int32_t angle;   // degrees; only ever grows
    float alpha;     // 0 to 1
    float spin;      // degrees a frame; its integer part is what turns
    uint8_t isSquare;  // 0: the flake picture; otherwise a filled square
    int32_t size;    // side of the square in pixels
    float sway;      // sideways drift this frame
    float swayMin;   // drift at or below which the sway turns
    int32_t swayDir;   // 0: the drift is taken from x; otherwise added to it
    float scale;     // scale of the flake picture
};
