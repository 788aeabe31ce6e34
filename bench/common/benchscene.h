// Drives the scene's own code (its start-up, Obj, colour cycle and frame) for
// the benchmarks, with a fixed seed and, for the scaling runs, more flakes
// born each frame than the program makes.
#pragma once

#include <cstdint>

#include "bench/common/media.h"

namespace bench {

// The scene's start-up, with the display it opened closed again: the
// generator then seeded with `seed` and the colour cycle started anew from
// it, so that the frames are the same on every run.
void StartScene(int32_t seed);

// One frame of the snowfall up to (not including) Flip, with 4 × `multiplier`
// flakes born: the births beyond the program's four come first, then the
// program's own frame. Multiplier 1 is the program's frame.
void SceneFrame(int multiplier);

// The flakes alive between frames.
int32_t LiveFlakes();

}  // namespace bench
