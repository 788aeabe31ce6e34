// The PNG loader over arbitrary bytes: a picture comes back whole and
// consistent, or there is none; never a crash, a leak or a read out of bounds.
// A picture that loads is masked too, as LoadImage does with every picture.
//
// libpng refuses a chunk whose CRC does not match, so nearly every mutation
// would end at the first damaged chunk. Each input is therefore loaded twice:
// as it is, and with every chunk's CRC made right, which lets the damage
// reach the header checks, the transforms and the decompression.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "framework/pixmap/pixmap.h"
#include "framework/stream/ramstream.h"

namespace {

// CRC-32 as PNG uses it (reflected, polynomial 0xEDB88320).
uint32_t Crc32(const uint8_t* p, size_t n) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t Be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The input with the CRC of every whole chunk after the signature made right.
std::vector<uint8_t> WithRightCrcs(const uint8_t* data, size_t size) {
    std::vector<uint8_t> fixed(data, data + size);
    size_t pos = 8;
    while (pos + 12 <= size) {
        const uint32_t length = Be32(&fixed[pos]);
        if (length > size - pos - 12) break;
        const uint32_t crc = Crc32(&fixed[pos + 4], 4 + size_t(length));
        uint8_t* at = &fixed[pos + 8 + length];
        at[0] = uint8_t(crc >> 24), at[1] = uint8_t(crc >> 16), at[2] = uint8_t(crc >> 8),
        at[3] = uint8_t(crc);
        pos += 12 + size_t(length);
    }
    return fixed;
}

void Load(const uint8_t* data, size_t size) {
    using namespace fw;
    Ref<TRamStream> stream = New<TRamStream>(data, int64_t(size), true);
    Ref<TPixmap> pixmap = LoadPixmap(stream);
    if (!pixmap) return;

    const int bpp = BytesPerPixel(pixmap->format);
    if (pixmap->width <= 0 || pixmap->height <= 0 || pixmap->pitch < pixmap->width * bpp ||
        pixmap->pixels.size() < size_t(pixmap->pitch) * size_t(pixmap->height)) {
        std::abort();
    }
    // The last byte of the picture is there to be read.
    volatile uint8_t last = pixmap->PixelPtr(pixmap->width - 1, pixmap->height - 1)[bpp - 1];
    (void)last;

    Ref<TPixmap> masked = MaskPixmap(pixmap, 255, 0, 255);
    if (!masked || masked->format != PixelFormat::RGBA8888 || masked->width != pixmap->width ||
        masked->height != pixmap->height) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Load(data, size);
    const std::vector<uint8_t> fixed = WithRightCrcs(data, size);
    if (!std::equal(fixed.begin(), fixed.end(), data)) Load(fixed.data(), fixed.size());
    return 0;
}
