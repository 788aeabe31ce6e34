#include "tests/framework/teststreams.h"

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>

#include "framework/incbin/incbin.h"

size_t largestAllocation = 0;

// A replacement operator new may stand in one translation unit of a program
// only: this one, linked into each loader test.
// GCC takes the free() below for a mismatch with the new above it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t n) {
    largestAllocation = std::max(largestAllocation, n);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace fw {

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string MediaPath(const std::string& name) { return std::string(SNOWFALL_MEDIA_DIR) + "/" + name; }

const Bytes* Embed(const std::string& name) {
    // A deque, so the blocks already registered never move.
    static std::deque<Bytes> kept;
    const std::string path = MediaPath(name);
    if (!std::filesystem::exists(path)) return nullptr;
    kept.push_back(ReadFile(path));
    if (IncbinAdd(name, kept.back().data(), int32_t(kept.back().size())) != 1) return nullptr;
    return &kept.back();
}

}  // namespace fw
