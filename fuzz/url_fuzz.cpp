// URL opening and embedded-file streams driven by a script read from the
// input: opens of "proto::path" URLs (readable or not, for writing or not),
// reads, seeks, writes and closes on up to four streams at once, plus one
// stream over the input's own bytes. Every answer is checked against a model
// of the table of embedded files and of a stream's position; a difference
// aborts. Every URL holds "::", so nothing here touches the disk.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "framework/incbin/incbin.h"
#include "framework/stream/ramstream.h"
#include "framework/stream/stream.h"

namespace {

using fw::Ref;
using fw::TStream;

struct Block {
    std::string_view name;
    const uint8_t* data;
    int32_t length;
};

std::array<uint8_t, 512> arena;

// Registered once, for the life of the process, as the program registers its
// media: the table only grows, so the fuzzer never adds to it per input.
const std::array<Block, 6> blocks = {{
    {"pic4.png", arena.data(), 300},
    {"flake.png", arena.data() + 300, 100},
    {"empty", arena.data() + 400, 0},
    {"a::b", arena.data() + 400, 112},
    {"Name", arena.data() + 1, 17},
    {std::string_view("nul\0x", 5), arena.data() + 7, 9},
}};

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "url_fuzz: %s\n", what);
    std::abort();
}

void Check(bool ok, const char* what) {
    if (!ok) Fail(what);
}

// What opening `url` must give: the block, or null for no stream.
const Block* Expected(std::string_view url, bool writeable) {
    const size_t split = url.find("::");
    std::string protocol(url.substr(0, split));
    for (char& c : protocol) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    if (protocol != "incbin" || writeable) return nullptr;
    const std::string_view path = url.substr(split + 2);
    for (const Block& b : blocks) {
        if (b.name == path) return &b;
    }
    return nullptr;
}

struct Slot {
    Ref<TStream> stream;
    const uint8_t* data = nullptr;
    int64_t size = 0;
    int64_t pos = 0;
    bool readable = false;
};

void CheckState(Slot& s) {
    Check(s.stream->Pos() == s.pos, "Pos");
    Check(s.stream->Size() == s.size, "Size");
    Check(s.stream->Eof() == (s.pos == s.size), "Eof");
}

std::string PickUrl(FuzzedDataProvider& in) {
    static const char* const protocols[] = {"incbin", "INCBIN", "InCbIn", "incbiN", "incbin ",
                                            "inc",    "file",   "",       "İncbin"};
    static const char* const paths[] = {"pic4.png", "PIC4.PNG", "flake.png", "empty", "a::b",
                                        "a",        "Name",     "name",      "",      "pic4.png "};
    std::string protocol, path;
    if (in.ConsumeBool()) {
        protocol = protocols[in.ConsumeIntegralInRange<size_t>(0, std::size(protocols) - 1)];
    } else {
        protocol = in.ConsumeRandomLengthString(16);
    }
    switch (in.ConsumeIntegralInRange(0, 2)) {
        case 0: path = paths[in.ConsumeIntegralInRange<size_t>(0, std::size(paths) - 1)]; break;
        case 1: path = std::string(blocks.back().name); break;
        default: path = in.ConsumeRandomLengthString(16); break;
    }
    return protocol + "::" + path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (size_t i = 0; i < arena.size(); ++i) arena[i] = uint8_t(i * 31 + 7);
    for (const Block& b : blocks) Check(fw::IncbinAdd(b.name, b.data, b.length) == 1, "IncbinAdd");
    // The first registration of a name keeps its block.
    Check(fw::IncbinAdd("pic4.png", arena.data() + 5, 3) == 0, "second IncbinAdd");
    Check(fw::IncbinPtr("pic4.png") == arena.data() && fw::IncbinLen("pic4.png") == 300,
          "first block kept");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::array<Slot, 5> slots;
    // Slot 0 reads the input itself, in place.
    slots[0] = {fw::New<fw::TRamStream>(data, int64_t(size), true), data, int64_t(size), 0, true};

    std::vector<uint8_t> buffer;
    while (in.remaining_bytes() > 0) {
        Slot& s = slots[in.ConsumeIntegralInRange<size_t>(0, slots.size() - 1)];
        const int op = in.ConsumeIntegralInRange(0, 5);
        if (op == 0) {
            const bool readable = in.ConsumeBool(), writeable = in.ConsumeBool();
            const std::string url = PickUrl(in);
            const Block* b = Expected(url, writeable);
            Ref<TStream> stream = fw::OpenStream(url, readable, writeable);
            if (!b) {
                Check(!stream, "a stream where none should open");
                continue;
            }
            Check(bool(stream), "no stream for a registered name");
            s = {stream, b->data, b->length, 0, readable};
            CheckState(s);
            continue;
        }
        if (!s.stream) continue;
        switch (op) {
            case 1: {  // Read
                const int64_t count = in.ConsumeBool() ? in.ConsumeIntegralInRange<int64_t>(-2, 600)
                                                       : in.ConsumeIntegral<int64_t>();
                const int64_t expected =
                    s.readable && count > 0 ? std::min(count, s.size - s.pos) : 0;
                buffer.assign(size_t(std::max<int64_t>(expected, 0)) + 1, 0xA5);
                Check(s.stream->Read(buffer.data(), count) == expected, "Read count");
                Check(std::memcmp(buffer.data(), s.data + s.pos, size_t(expected)) == 0,
                      "Read bytes");
                Check(buffer[size_t(expected)] == 0xA5, "Read wrote past its count");
                s.pos += expected;
                break;
            }
            case 2: {  // Seek
                const int64_t to = in.ConsumeBool() ? in.ConsumeIntegralInRange<int64_t>(-3, 600)
                                                    : in.ConsumeIntegral<int64_t>();
                const int64_t expected = std::clamp<int64_t>(to, 0, s.size);
                Check(s.stream->Seek(to) == expected, "Seek result");
                s.pos = expected;
                break;
            }
            case 3: {  // Write writes nothing
                const uint8_t bytes[8] = {};
                Check(s.stream->Write(bytes, in.ConsumeIntegralInRange<int64_t>(-1, 8)) == 0,
                      "Write");
                break;
            }
            case 4:  // Close leaves the block alone; the slot lets go of it
                s.stream->Close();
                s.stream = nullptr;
                continue;
            default:
                break;
        }
        CheckState(s);
    }
    return 0;
}
