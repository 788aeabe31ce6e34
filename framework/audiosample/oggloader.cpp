// Ogg Vorbis sounds through vorbisfile, decoded whole into memory.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "framework/audiosample/oggloader.h"

namespace fw {
namespace {

// The stream as vorbisfile sees it: offsets count from where the sound
// starts, so a sound that begins inside a larger block (after another one,
// say) is read as a file of its own. For a stream that starts at 0, the
// usual case, they are the stream's own positions.
struct Source {
    TStream& stream;
    int64_t start;
};

// None of the callbacks lets an exception into vorbisfile's C frames: a
// stream that fails is reported the way vorbisfile expects.
size_t ReadCallback(void* ptr, size_t size, size_t count, void* source) {
    auto& s = *static_cast<Source*>(source);
    size_t bytes;
    if (size == 0 || __builtin_mul_overflow(size, count, &bytes)) return 0;
    try {
        const int64_t n = s.stream.Read(ptr, int64_t(std::min<size_t>(
                                                 bytes, std::numeric_limits<int64_t>::max())));
        return n > 0 ? size_t(n) / size : 0;
    } catch (...) {
        errno = EIO;  // 0 with errno set: a read error, not the end
        return 0;
    }
}

int SeekCallback(void* source, ogg_int64_t offset, int whence) {
    auto& s = *static_cast<Source*>(source);
    try {
        int64_t base;
        switch (whence) {
            case SEEK_SET: base = s.start; break;
            case SEEK_CUR: base = s.stream.Pos(); break;
            case SEEK_END: base = s.stream.Size(); break;
            default: return -1;
        }
        // A stream that cannot tell its size or cannot seek must say so:
        // vorbisfile would otherwise read from a place it did not ask for.
        int64_t target;
        if (base < 0 || __builtin_add_overflow(base, int64_t(offset), &target) ||
            target < s.start) {
            return -1;
        }
        return s.stream.Seek(target) == target ? 0 : -1;
    } catch (...) {
        return -1;
    }
}

// The stream belongs to the caller, who closes it.
int CloseCallback(void*) { return 0; }

long TellCallback(void* source) {
    auto& s = *static_cast<Source*>(source);
    try {
        const int64_t pos = s.stream.Pos();
        return pos < s.start ? -1 : long(pos - s.start);
    } catch (...) {
        return -1;
    }
}

// A copy of the stream's bytes that several decoders read side by side,
// each at its own position.
struct MemorySource {
    const std::vector<uint8_t>& data;
    size_t pos = 0;
};

size_t MemoryRead(void* ptr, size_t size, size_t count, void* source) {
    auto& s = *static_cast<MemorySource*>(source);
    if (size == 0) return 0;
    const size_t n = std::min(count, (s.data.size() - s.pos) / size);
    std::memcpy(ptr, s.data.data() + s.pos, n * size);
    s.pos += n * size;
    return n;
}

int MemorySeek(void* source, ogg_int64_t offset, int whence) {
    auto& s = *static_cast<MemorySource*>(source);
    const int64_t base = whence == SEEK_SET   ? 0
                         : whence == SEEK_CUR ? int64_t(s.pos)
                         : whence == SEEK_END ? int64_t(s.data.size())
                                              : -1;
    if (base < 0 || offset < -base || offset > int64_t(s.data.size()) - base) return -1;
    s.pos = size_t(base + offset);
    return 0;
}

long MemoryTell(void* source) { return long(static_cast<MemorySource*>(source)->pos); }

// ov_clear whatever happens. After a failed ov_open_callbacks vorbisfile has
// already cleared and zeroed the structure, and clearing a zeroed one frees
// nothing, so the call is safe on every path.
struct VorbisFile {
    OggVorbis_File vf{};
    ~VorbisFile() { ov_clear(&vf); }
};

// Even at its lowest bit rates Vorbis turns one byte of the stream into about
// 30 bytes of 16-bit samples. Room for the announced length is set aside only
// up to 64 times the stream's bytes, so a damaged length cannot claim memory
// that the data could never fill; a sound that does fill it grows past that
// as it decodes.
size_t InitialRoom(TStream& stream, int64_t start, int64_t wanted) {
    const int64_t size = stream.Size();
    if (size <= start) return 0;
    const int64_t bound = (size - start) > std::numeric_limits<int64_t>::max() / 64
                              ? std::numeric_limits<int64_t>::max()
                              : (size - start) * 64;
    return size_t(std::clamp<int64_t>(wanted, 0, bound));
}

// Decodes `bytes` bytes of 16-bit samples from where `vf` stands into `out`.
// False on a decoding error, or where the stream ends, or goes on to another
// logical stream, before they are filled.
bool DecodeInto(OggVorbis_File* vf, uint8_t* out, int64_t bytes) {
    for (int64_t filled = 0; filled < bytes;) {
        const int chunk = int(std::min<int64_t>(bytes - filled, 1 << 16));
        int section = 0;
        const long n = ov_read(vf, reinterpret_cast<char*>(out + filled), chunk,
                               0 /* little-endian */, 2 /* bytes */, 1 /* signed */, &section);
        if (n <= 0 || section != 0) return false;
        filled += n;
    }
    return true;
}

// The sound is cut into segments, taken in turn by several decoders side by
// side: each seeks to its segment's first sample, which vorbisfile decodes
// exactly as a reading from the start would have.
struct Segments {
    int64_t length, frameBytes;
    int count;
    uint8_t* out;
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};

    int64_t First(int k) const { return length * k / count; }

    // Decodes segments with `vf` until none is left or one fails.
    void Decode(OggVorbis_File* vf) {
        for (int k; !failed && (k = next++) < count;) {
            if (ov_pcm_seek(vf, First(k)) != 0 ||
                !DecodeInto(vf, out + First(k) * frameBytes,
                            (First(k + 1) - First(k)) * frameBytes)) {
                failed = true;
            }
        }
    }

    // The same, with a vorbisfile of its own over the copy of the stream.
    void DecodeFrom(const std::vector<uint8_t>& data) {
        MemorySource source{data};
        const ov_callbacks callbacks{MemoryRead, MemorySeek, CloseCallback, MemoryTell};
        VorbisFile file;
        if (ov_open_callbacks(&source, &file.vf, nullptr, 0, callbacks) < 0) {
            failed = true;
            return;
        }
        Decode(&file.vf);
    }
};

// Long sounds are decoded side by side, in segments at least this long, a
// few for every decoder so that one held up on a busy core holds up little;
// shorter sounds in one run.
constexpr int64_t kSegmentSeconds = 1;
constexpr int kSegmentsPerDecoder = 3;

class OggLoader final : public TAudioSampleLoader {
public:
    Ref<TAudioSample> LoadAudioSample(TStream& stream) override {
        Source source{stream, stream.Pos()};
        if (source.start < 0) return nullptr;
        const ov_callbacks callbacks{ReadCallback, SeekCallback, CloseCallback, TellCallback};
        VorbisFile file;
        OggVorbis_File* vf = &file.vf;
        if (ov_open_callbacks(&source, vf, nullptr, 0, callbacks) < 0) return nullptr;

        const ogg_int64_t length = ov_pcm_total(vf, 0);
        const vorbis_info* info = ov_info(vf, 0);
        if (length < 0 || !info) return nullptr;
        // The system's sounds are mono or stereo; more channels have no format here.
        if (info->channels != 1 && info->channels != 2) return nullptr;
        if (info->rate <= 0 || info->rate > std::numeric_limits<int>::max()) return nullptr;
        const SampleFormat format = info->channels == 2 ? SampleFormat::Stereo16 : SampleFormat::Mono16;
        const int64_t frameBytes = 2 * info->channels;
        if (length > std::numeric_limits<int64_t>::max() / frameBytes) return nullptr;
        const int64_t wanted = length * frameBytes;

        try {
            const int decoders = int(std::min<int64_t>(
                std::max(1u, std::thread::hardware_concurrency()),
                length / (kSegmentSeconds * info->rate)));
            // Room for the whole sound at once only where the data could
            // fill it (see InitialRoom).
            if (decoders > 1 && InitialRoom(stream, source.start, wanted) == size_t(wanted)) {
                const int segments = int(std::min<int64_t>(
                    decoders * kSegmentsPerDecoder, length / (kSegmentSeconds * info->rate)));
                return DecodeSideBySide(*vf, stream, source.start, length, decoders, segments,
                                        frameBytes, int(info->rate), format);
            }
            std::vector<uint8_t> bytes;
            bytes.reserve(InitialRoom(stream, source.start, wanted));
            // The room grows as the sound decodes, up to the announced
            // length. A decoding error drops the sound read so far. So does
            // a stream that ends, or goes on to another logical stream,
            // before that length is filled: it contradicts itself, and a
            // sample's length is always the one announced.
            for (int64_t filled = 0; filled < wanted;) {
                const int64_t chunk = std::min<int64_t>(wanted - filled, 1 << 16);
                bytes.resize(size_t(filled + chunk));
                if (!DecodeInto(vf, bytes.data() + filled, chunk)) return nullptr;
                filled += chunk;
            }
            return New<TAudioSample>(std::move(bytes), int(info->rate), format);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

private:
    // One decoder is `vf`, on this thread; the others run on threads of
    // their own, each with a vorbisfile over a copy of the stream's bytes.
    // Joined in order the segments are the sound as a single run decodes
    // it, byte for byte.
    static Ref<TAudioSample> DecodeSideBySide(OggVorbis_File& vf, TStream& stream, int64_t start,
                                              int64_t length, int decoders, int segments,
                                              int64_t frameBytes, int hertz,
                                              SampleFormat format) {
        // The copy is taken without disturbing `vf`'s place in the stream.
        const int64_t resume = stream.Pos();
        const int64_t size = stream.Size();
        if (resume < 0 || size < start || stream.Seek(start) != start) return nullptr;
        std::vector<uint8_t> data(size_t(size - start));
        const bool copied = stream.Read(data.data(), int64_t(data.size())) == int64_t(data.size());
        if (stream.Seek(resume) != resume || !copied) return nullptr;

        std::vector<uint8_t> bytes(size_t(length * frameBytes));
        Segments work{length, frameBytes, segments, bytes.data()};
        {
            std::vector<std::jthread> threads;
            try {
                while (int(threads.size()) + 1 < decoders)
                    threads.emplace_back([&] { work.DecodeFrom(data); });
            } catch (const std::system_error&) {
                // Fewer threads to be had: the others take more segments.
            }
            work.Decode(&vf);
        }
        if (work.failed) return nullptr;
        return New<TAudioSample>(std::move(bytes), hertz, format);
    }
};

}  // namespace

Ref<TAudioSampleLoader> NewOggLoader() { return New<OggLoader>(); }

}  // namespace fw
