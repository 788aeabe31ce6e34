// Deterministic randomness for the media generator: the same numbers on every
// run, so the generated files are the same on every run.
#pragma once

#include <cmath>
#include <cstdint>

namespace mkmedia {

// SplitMix64: small, fast and good enough for placing stars and shaking bells.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}

    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

    double Range(double a, double b) { return a + (b - a) * Uniform(); }

    // Uniform in [-1, 1).
    double Signed() { return 2.0 * Uniform() - 1.0; }

private:
    uint64_t state_;
};

// Smooth value noise in [-1, 1]: random values on the integer lattice, blended
// with a quintic fade so that the surface has no visible creases.
inline double ValueNoise(double x, double y, uint32_t seed) {
    auto lattice = [seed](int64_t ix, int64_t iy) {
        uint64_t h = static_cast<uint64_t>(ix) * 0x8DA6B343ull ^ static_cast<uint64_t>(iy) * 0xD8163841ull ^
                     static_cast<uint64_t>(seed) * 0xCB1AB31Full;
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 33;
        return static_cast<double>(h >> 11) * 0x1.0p-52 - 1.0;
    };
    auto fade = [](double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); };
    double fx = std::floor(x), fy = std::floor(y);
    auto ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy);
    double u = fade(x - fx), v = fade(y - fy);
    double a = lattice(ix, iy), b = lattice(ix + 1, iy);
    double c = lattice(ix, iy + 1), d = lattice(ix + 1, iy + 1);
    return (a + (b - a) * u) * (1.0 - v) + (c + (d - c) * u) * v;
}

// Several octaves of value noise, each half as strong and twice as fine.
inline double Fractal(double x, double y, int octaves, uint32_t seed) {
    double sum = 0.0, amplitude = 1.0, norm = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * ValueNoise(x, y, seed + static_cast<uint32_t>(i) * 101u);
        norm += amplitude;
        amplitude *= 0.5;
        x *= 2.0;
        y *= 2.0;
    }
    return sum / norm;
}

}  // namespace mkmedia
