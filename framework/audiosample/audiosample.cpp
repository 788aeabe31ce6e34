#include "framework/audiosample/audiosample.h"

#include <limits>

#include "framework/audiosample/oggloader.h"
#include "framework/runtime/runtime.h"

namespace fw {

int ChannelCount(SampleFormat format) { return format == SampleFormat::Stereo16 ? 2 : 1; }

namespace {

size_t CheckedBytes(int64_t length, SampleFormat format) {
    const int64_t frameBytes = 2 * ChannelCount(format);
    if (length < 0 || length > std::numeric_limits<int64_t>::max() / frameBytes) {
        throw RuntimeError("Invalid audio sample length");
    }
    return size_t(length * frameBytes);
}

int64_t CheckedLength(size_t bytes, SampleFormat format) {
    const size_t frameBytes = size_t(2 * ChannelCount(format));
    if (bytes % frameBytes != 0) throw RuntimeError("Invalid audio sample length");
    return int64_t(bytes / frameBytes);
}

// The loaders, newest first. Built on first use so that the Ogg loader is
// there before any other code of the program can ask for a sound.
std::vector<Ref<TAudioSampleLoader>>& Loaders() {
    static std::vector<Ref<TAudioSampleLoader>> loaders{NewOggLoader()};
    return loaders;
}

// Closes the stream however the load ends.
struct CloseOnExit {
    TStream& stream;
    ~CloseOnExit() { stream.Close(); }
};

}  // namespace

TAudioSample::TAudioSample(int64_t length, int hertz, SampleFormat format)
    : length(length), hertz(hertz), format(format), samples(CheckedBytes(length, format)) {}

TAudioSample::TAudioSample(std::vector<uint8_t> samples, int hertz, SampleFormat format)
    : length(CheckedLength(samples.size(), format)), hertz(hertz), format(format),
      samples(std::move(samples)) {}

void AddAudioSampleLoader(Ref<TAudioSampleLoader> loader) {
    if (loader) Loaders().insert(Loaders().begin(), std::move(loader));
}

Ref<TAudioSample> LoadAudioSample(std::string_view url) {
    Ref<TStream> stream = ReadStream(url);
    if (!stream) return nullptr;
    CloseOnExit closer{*stream};
    return LoadAudioSample(stream);
}

Ref<TAudioSample> LoadAudioSample(const Ref<TStream>& stream) {
    if (!stream) return nullptr;
    const int64_t start = stream->Pos();
    if (start < 0) throw RuntimeError("Stream is not seekable");
    // A copy of the list, so a loader that adds loaders cannot upset the walk.
    const std::vector<Ref<TAudioSampleLoader>> loaders = Loaders();
    for (const Ref<TAudioSampleLoader>& loader : loaders) {
        // Each loader reads from the start; one that cannot go back there
        // would hand the next loader data from the middle of the sound.
        if (stream->Seek(start) != start) throw RuntimeError("Stream is not seekable");
        if (Ref<TAudioSample> sample = loader->LoadAudioSample(*stream)) return sample;
    }
    return nullptr;
}

}  // namespace fw
