// Random numbers: one Park-Miller generator (multiplier 48271, modulus
// 2^31 - 1) for the whole process, starting at 4660 until it is seeded.
#pragma once

#include <cstdint>

namespace fw {

// The state becomes seed & (2^31 - 1); 0 and 2^31 - 1, which the generator
// cannot use, become 4660.
void SeedRnd(int32_t seed);
// The current state.
int32_t RndSeed();
// A uniform value in [0, 1), a multiple of 2^-53, made from two steps.
double RndDouble();
// A real from the smaller bound (included) to the larger (excluded), in
// either order of the bounds. Two steps.
double Rnd(double a, double b);
// An integer from the smaller bound to the larger, both included, in either
// order of the bounds. Two steps.
int32_t Rand(int32_t a, int32_t b);

}  // namespace fw
