// Ogg Vorbis sounds through vorbisfile, decoded whole into memory.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <new>
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
            std::vector<uint8_t> bytes;
            bytes.reserve(InitialRoom(stream, source.start, wanted));
            int64_t filled = 0;
            while (filled < wanted) {
                const int chunk = int(std::min<int64_t>(wanted - filled, 1 << 16));
                bytes.resize(size_t(filled) + size_t(chunk));
                int section = 0;
                const long n = ov_read(vf, reinterpret_cast<char*>(bytes.data() + filled), chunk,
                                       0 /* little-endian */, 2 /* bytes */, 1 /* signed */,
                                       &section);
                // A decoding error drops the sound read so far. So does a
                // stream that ends, or goes on to another logical stream,
                // before the length it announced is filled: it contradicts
                // itself, and a sample's length is always the one announced.
                if (n <= 0 || section != 0) return nullptr;
                filled += n;
            }
            return New<TAudioSample>(std::move(bytes), int(info->rate), format);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
};

}  // namespace

Ref<TAudioSampleLoader> NewOggLoader() { return New<OggLoader>(); }

}  // namespace fw
