// The media generator's parts: the three pieces of media and the two file
// writers they go through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mkmedia {

// A picture of 8-bit samples, rows top to bottom, 3 (RGB) or 4 (RGBA) a pixel.
struct Picture {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> bytes;
};

// The winter night behind the snowfall: 1024 x 768 RGB.
Picture MakeBackground();
// Throws std::runtime_error when the picture misses what the scene relies on:
// its brightness row by row and no pixel near the mask colour.
void CheckBackground(const Picture& picture);

// One snow crystal: 50 x 48 RGBA, white with soft edges.
Picture MakeFlake();
// Throws std::runtime_error unless about 30 % of the flake's pixels are fully
// clear, over half fully solid and some in between.
void CheckFlake(const Picture& picture);

// The jingle: mono samples in -1 ... 1 at JingleRate, JingleLength of them.
constexpr int JingleRate = 44100;
constexpr int JingleLength = 3400660;
std::vector<float> MakeJingle();

// Writers; both throw std::runtime_error when the file cannot be written.
void WritePng(const std::string& path, const Picture& picture);
void WriteOgg(const std::string& path, const std::vector<float>& samples, int rate);

}  // namespace mkmedia
