// The Ogg Vorbis loader over arbitrary bytes: a sound comes back whole and
// consistent, or there is none; never a crash, a leak or a read out of bounds.
//
// libogg drops a page whose CRC does not match, so nearly every mutation
// would only lose pages. Each input is therefore loaded twice: as it is, and
// with every whole page's CRC made right, which lets the damage reach the
// Vorbis headers, the packets and the lengths the loader works from.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/audiosample/audiosample.h"
#include "framework/stream/ramstream.h"

namespace {

// CRC-32 as Ogg pages use it (not reflected, polynomial 0x04C11DB7, start 0).
uint32_t OggCrc(const uint8_t* p, size_t n) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i << 24;
            for (int k = 0; k < 8; ++k) c = c & 0x80000000u ? (c << 1) ^ 0x04C11DB7u : c << 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t c = 0;
    for (size_t i = 0; i < n; ++i) c = (c << 8) ^ table[((c >> 24) ^ p[i]) & 0xFF];
    return c;
}

// The input with the CRC of every whole page made right.
std::vector<uint8_t> WithRightCrcs(const uint8_t* data, size_t size) {
    std::vector<uint8_t> fixed(data, data + size);
    const uint8_t capture[4] = {'O', 'g', 'g', 'S'};
    auto at = fixed.begin();
    while ((at = std::search(at, fixed.end(), capture, capture + 4)) != fixed.end()) {
        const size_t pos = size_t(at - fixed.begin());
        if (size - pos < 27 || size - pos - 27 < fixed[pos + 26]) break;
        const size_t segments = fixed[pos + 26];
        size_t length = 27 + segments;
        for (size_t i = 0; i < segments; ++i) length += fixed[pos + 27 + i];
        if (length > size - pos) break;
        std::memset(&fixed[pos + 22], 0, 4);
        const uint32_t crc = OggCrc(&fixed[pos], length);
        for (int i = 0; i < 4; ++i) fixed[pos + 22 + i] = uint8_t(crc >> (8 * i));
        at += std::ptrdiff_t(length);
    }
    return fixed;
}

void Load(const uint8_t* data, size_t size) {
    using namespace fw;
    Ref<TRamStream> stream = New<TRamStream>(data, int64_t(size), true);
    Ref<TAudioSample> sample = LoadAudioSample(stream);
    if (!sample) return;

    const int channels = ChannelCount(sample->format);
    if (sample->length < 0 || sample->hertz <= 0 || (channels != 1 && channels != 2) ||
        sample->samples.size() != size_t(sample->length) * 2 * size_t(channels)) {
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
