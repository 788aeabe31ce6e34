// Pictures made in memory for the drawing tests, and a way for LoadImage to
// load them: each is registered as an embedded file in a small raw format
// that a loader of these tests decodes.
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "framework/incbin/incbin.h"
#include "framework/pixmap/pixmap.h"

namespace fw::testing {

inline constexpr char kRawMagic[8] = {'R', 'A', 'W', 'P', 'I', 'X', 'E', 'L'};

class TRawLoader : public TPixmapLoader {
public:
    Ref<TPixmap> LoadPixmap(TStream& stream) override {
        char magic[8];
        int32_t header[3];
        if (stream.Read(magic, 8) != 8 || std::memcmp(magic, kRawMagic, 8) != 0) return nullptr;
        if (stream.Read(header, sizeof header) != sizeof header) return nullptr;
        Ref<TPixmap> pixmap = CreatePixmap(
            header[0], header[1], header[2] == 4 ? PixelFormat::RGBA8888 : PixelFormat::RGB888);
        const int64_t bytes = int64_t(pixmap->pixels.size());
        if (stream.Read(pixmap->pixels.data(), bytes) != bytes) return nullptr;
        return pixmap;
    }
};

// Registers a copy of `pixmap` under a name of its own and returns the URL
// that loads it.
inline std::string RegisterPicture(const TPixmap& pixmap) {
    static std::deque<std::vector<uint8_t>> blocks;
    const std::string name = "testpicture" + std::to_string(blocks.size());
    static bool loaderAdded = false;
    if (!loaderAdded) {
        AddPixmapLoader(New<TRawLoader>());
        loaderAdded = true;
    }
    std::vector<uint8_t>& block = blocks.emplace_back(kRawMagic, kRawMagic + 8);
    const int32_t header[3] = {pixmap.width, pixmap.height, BytesPerPixel(pixmap.format)};
    const auto* h = reinterpret_cast<const uint8_t*>(header);
    block.insert(block.end(), h, h + sizeof header);
    block.insert(block.end(), pixmap.pixels.begin(), pixmap.pixels.end());
    IncbinAdd(name, block.data(), int32_t(block.size()));
    return "incbin::" + name;
}

// A picture of one colour.
inline Ref<TPixmap> SolidPicture(int width, int height, PixelFormat format, uint8_t r, uint8_t g,
                                 uint8_t b, uint8_t a = 255) {
    Ref<TPixmap> pixmap = CreatePixmap(width, height, format);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = pixmap->PixelPtr(x, y);
            p[0] = r;
            p[1] = g;
            p[2] = b;
            if (format == PixelFormat::RGBA8888) p[3] = a;
        }
    }
    return pixmap;
}

}  // namespace fw::testing
