#include "framework/stream/ramstream.h"

#include <algorithm>
#include <cstring>

#include "framework/incbin/incbin.h"

namespace fw {

TRamStream::TRamStream(const void* data, int64_t size, bool readable)
    : data_(static_cast<const unsigned char*>(data)), size_(size), readable_(readable) {}

int64_t TRamStream::Seek(int64_t pos) {
    pos_ = std::clamp<int64_t>(pos, 0, size_);
    return pos_;
}

int64_t TRamStream::Read(void* buf, int64_t count) {
    if (!readable_ || !buf || count <= 0) return 0;
    int64_t n = std::min(count, size_ - pos_);
    if (n <= 0) return 0;  // at the end, or an empty block with no address
    std::memcpy(buf, data_ + pos_, size_t(n));
    pos_ += n;
    return n;
}

int64_t TRamStream::Write(const void*, int64_t) { return 0; }

Ref<TStream> TRamStreamFactory::CreateStream(std::string_view, std::string_view protocol,
                                             std::string_view path, bool readable,
                                             bool writeable) {
    // Embedded files are part of the program: they are never written.
    if (protocol != "incbin" || writeable) return nullptr;
    const void* data = IncbinPtr(path);
    if (!data) return nullptr;
    return New<TRamStream>(data, IncbinLen(path), readable);
}

}  // namespace fw
