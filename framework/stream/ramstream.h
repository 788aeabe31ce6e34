// Streams over embedded files: "incbin::name" opens the block registered
// under that name for reading, in place.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/stream/stream.h"

namespace fw {

// Reads a block of memory in place. Every stream has its own position, so
// several may read one block side by side; writing writes nothing.
class TRamStream : public TStream {
public:
    // `data` must stay valid for the life of the stream; `size` is 0 or more.
    TRamStream(const void* data, int64_t size, bool readable);

    int64_t Pos() override { return pos_; }
    int64_t Size() override { return size_; }
    // Clamped to 0 ... Size().
    int64_t Seek(int64_t pos) override;
    int64_t Read(void* buf, int64_t count) override;
    int64_t Write(const void* buf, int64_t count) override;
    bool Eof() override { return pos_ == size_; }
    // The block stays as it is; there is nothing to let go.
    void Close() override {}

private:
    const unsigned char* data_;
    int64_t size_;
    int64_t pos_ = 0;
    bool readable_;
};

// Answers "incbin" URLs opened for reading only: a new TRamStream over the
// registered block, or null for a name that is not registered. It is in the
// factory chain from the start.
class TRamStreamFactory : public TStreamFactory {
public:
    Ref<TStream> CreateStream(std::string_view url, std::string_view protocol,
                              std::string_view path, bool readable,
                              bool writeable) override;
};

}  // namespace fw
