// Drives the scene's own code (its Obj, colour cycle and frame) for the
// benchmarks, with a fixed seed and, for the scaling runs, more flakes born
// each frame than the program makes.
#pragma once

#include <cstdint>

#include "bench/common/media.h"

namespace bench {

// The scene's state as its start-up leaves it, without the display and the
// sound: the generator seeded with `seed`, mask colour 255, 0, 255, both
// pictures loaded (the flake's handle at its centre), the colour cycle
// started, an empty flake list. Needs the embedded files registered.
void StartScene(int32_t seed);

// One frame of the snowfall up to (not including) Flip, with 4 × `multiplier`
// flakes born. Multiplier 1 is the program's own frame.
void SceneFrame(int multiplier);

// The flakes alive between frames.
int32_t LiveFlakes();

}  // namespace bench
