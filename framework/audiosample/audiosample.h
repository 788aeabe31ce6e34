// Audio samples: whole sounds decoded into memory, and their loaders.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/runtime/object.h"
#include "framework/stream/stream.h"

namespace fw {

// Signed 16-bit little-endian samples; stereo ones interleaved left, right.
enum class SampleFormat { Mono16, Stereo16 };

// 1 for Mono16, 2 for Stereo16.
int ChannelCount(SampleFormat format);

class TAudioSample : public Object {
public:
    // `length` samples per channel (0 or more) of silence.
    TAudioSample(int64_t length, int hertz, SampleFormat format);
    // Takes over `samples`, which must hold a whole number of frames (one
    // sample per channel); the length follows from its size.
    TAudioSample(std::vector<uint8_t> samples, int hertz, SampleFormat format);

    const int64_t length;  // samples per channel
    const int hertz;
    const SampleFormat format;
    std::vector<uint8_t> samples;  // length × 2 × channels bytes
};

// Decodes one kind of sound file.
class TAudioSampleLoader : public Object {
public:
    // The whole sound read from `stream`, which stands at the start of the
    // data, or null when this loader does not know the data or cannot decode it.
    virtual Ref<TAudioSample> LoadAudioSample(TStream& stream) = 0;
};

// Adds a loader; the most recently added is tried first. The Ogg Vorbis
// loader is there from the start.
void AddAudioSampleLoader(Ref<TAudioSampleLoader> loader);

// Opens `url` with ReadStream, loads the sound from it and closes it. Null
// when the URL opens nothing or no loader takes the data.
Ref<TAudioSample> LoadAudioSample(std::string_view url);
// Loads the sound that starts at the stream's position: every loader is tried
// in turn from that position until one returns a sample. The stream stays
// open; it belongs to the caller. Null for a null stream or data that no
// loader takes. A stream that cannot tell or go back to its position raises
// RuntimeError("Stream is not seekable").
Ref<TAudioSample> LoadAudioSample(const Ref<TStream>& stream);

}  // namespace fw
