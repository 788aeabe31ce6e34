// What the loader tests share: a hook on operator new that records the
// largest request, a stream over bytes that can be told to be unable to tell
// or to seek, a stream factory for URLs of a protocol of the test's own, and
// the committed media files registered as embedded files.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/stream/stream.h"

// The largest single request for memory since it was last reset, so a test
// can tell a refused load from one that set aside room for what the data
// only claims. The replacement operator new lives in teststreams.cpp, once
// per test program.
extern size_t largestAllocation;

namespace fw {

using Bytes = std::vector<uint8_t>;

// A stream over bytes that records its closing, and that can be told to be
// unable to tell or to seek.
class TestStream : public TStream {
public:
    TestStream(Bytes data, bool tells, bool seeks) : data_(std::move(data)), tells_(tells), seeks_(seeks) {}
    int64_t Pos() override { return tells_ ? pos_ : -1; }
    int64_t Size() override { return int64_t(data_.size()); }
    int64_t Seek(int64_t pos) override {
        if (!seeks_) return -1;
        pos_ = std::clamp<int64_t>(pos, 0, Size());
        return pos_;
    }
    int64_t Read(void* buf, int64_t count) override {
        const int64_t n = std::clamp<int64_t>(count, 0, Size() - pos_);
        std::memcpy(buf, data_.data() + pos_, size_t(n));
        pos_ += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    bool Eof() override { return pos_ == Size(); }
    void Close() override { ++closed; }
    int closed = 0;

private:
    Bytes data_;
    int64_t pos_ = 0;
    bool tells_, seeks_;
};

// "protocol::path" URLs open a TestStream: over ten bytes of junk for the
// path "junk", over `good` for any other; for the path "untold" the stream
// cannot tell its position. The stream opened last is kept.
class TestFactory : public TStreamFactory {
public:
    TestFactory(std::string protocol, Bytes good) : protocol_(std::move(protocol)), good_(std::move(good)) {}
    Ref<TStream> CreateStream(std::string_view, std::string_view protocol, std::string_view path,
                              bool, bool) override {
        if (protocol != protocol_) return nullptr;
        last = New<TestStream>(path == "junk" ? Bytes(10, 'x') : good_, path != "untold", true);
        return last;
    }
    Ref<TestStream> last;

private:
    std::string protocol_;
    Bytes good_;
};

// The whole file, or nothing when it cannot be read.
Bytes ReadFile(const std::string& path);

// The path of a file of media/ (SNOWFALL_MEDIA_DIR, set by the build).
std::string MediaPath(const std::string& name);

// Registers a file of media/ as an embedded file under its own name, as the
// program does, and gives its bytes (kept for the rest of the run); null when
// the file is not there or the name was registered before.
const Bytes* Embed(const std::string& name);

}  // namespace fw
