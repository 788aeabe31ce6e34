// Sounds are converted to the output's format once, when they are loaded, so
// starting one costs no sound work at all.
#include "framework/audio/mixeraudio/mixeraudio.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace fw {
namespace {

constexpr int kOutputHertz = 44100;
constexpr Uint16 kOutputFormat = AUDIO_S16LSB;  // as the samples are stored
constexpr int kOutputChannels = 2;
constexpr int kOutputFrameBytes = 2 * kOutputChannels;
// About 23 ms of sound per pass of the mixer.
constexpr int kMixerFrames = 1024;

// A sound's frames in the output's format. Filled once, by the conversion,
// so they are allocated without being cleared first.
struct Frames {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};

class TMixerSound final : public TSound {
public:
    TMixerSound(Frames frames, bool loop) : frames_(std::move(frames)), loop(loop) {
        // The chunk only points at our buffer: SDL_mixer never frees it.
        chunk.allocated = 0;
        chunk.abuf = frames_.bytes.get();
        chunk.alen = Uint32(frames_.size);
        chunk.volume = MIX_MAX_VOLUME;
    }

private:
    Frames frames_;

public:
    const bool loop;
    Mix_Chunk chunk;
};

class TMixerChannel final : public TChannel {
public:
    // Tells this channel apart from every other that ever held the same
    // mixer channel.
    const uint64_t serial = ++lastSerial;
    int index = -1;

private:
    static inline uint64_t lastSerial = 0;
};

// The samples of `sample` as frames of the output's format, or nothing when
// they cannot be converted.
std::optional<Frames> ToOutputFormat(const TAudioSample& sample) {
    const int channels = ChannelCount(sample.format);
    const size_t inFrameBytes = size_t(2 * channels);
    const size_t frames = sample.samples.size() / inFrameBytes;
    const uint8_t* in = sample.samples.data();
    Frames out;

    if (sample.hertz == kOutputHertz) {
        out.size = frames * kOutputFrameBytes;
        out.bytes = std::make_unique_for_overwrite<uint8_t[]>(out.size);
        if (channels == kOutputChannels) {
            std::memcpy(out.bytes.get(), in, out.size);
        } else {
            // Mono: the same sample on both sides.
            uint8_t* o = out.bytes.get();
            for (size_t i = 0; i < frames; ++i, in += 2, o += 4) {
                std::memcpy(o, in, 2);
                std::memcpy(o + 2, in, 2);
            }
        }
    } else if (frames > 0) {
        // SDL_AudioCVT converts the whole sound in one pass, in place, in a
        // buffer len_mult times the input. (SDL_AudioStream would do it in
        // pieces, but it drops the last few milliseconds when it resamples.)
        SDL_AudioCVT cvt;
        if (SDL_BuildAudioCVT(&cvt, AUDIO_S16LSB, Uint8(channels), sample.hertz, kOutputFormat,
                              kOutputChannels, kOutputHertz) < 0)
            return std::nullopt;
        const size_t inBytes = frames * inFrameBytes;
        if (inBytes > size_t(INT_MAX) / size_t(cvt.len_mult)) return std::nullopt;
        auto work = std::make_unique_for_overwrite<uint8_t[]>(inBytes * size_t(cvt.len_mult));
        std::memcpy(work.get(), in, inBytes);
        cvt.buf = work.get();
        cvt.len = int(inBytes);
        if (SDL_ConvertAudio(&cvt) != 0) return std::nullopt;
        // Only what the conversion made stays.
        out.size = size_t(cvt.len_cvt);
        out.bytes = std::make_unique_for_overwrite<uint8_t[]>(out.size);
        std::memcpy(out.bytes.get(), work.get(), out.size);
    }
    // SDL_mixer counts a sound's bytes in 32 bits.
    if (out.size > UINT32_MAX / kOutputFrameBytes * kOutputFrameBytes) return std::nullopt;
    return out;
}

class TMixerDriver final : public TAudioDriver {
public:
    TMixerDriver() : slots_(size_t(Mix_AllocateChannels(-1))) {}

    ~TMixerDriver() override {
        Mix_HaltChannel(-1);
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        // slots_ lets its sounds go only now that nothing mixes them.
    }

    Ref<TSound> CreateSound(const TAudioSample& sample, bool loop) override {
        std::optional<Frames> frames = ToOutputFormat(sample);
        if (!frames) return nullptr;
        return New<TMixerSound>(std::move(*frames), loop);
    }

    Ref<TChannel> Play(const Ref<TSound>& sound, const Ref<TChannel>& channel) override {
        auto* mixerSound = dynamic_cast<TMixerSound*>(sound.get());
        Ref<TMixerChannel> mixerChannel = Cast<TMixerChannel>(channel);
        if (!mixerSound) return channel ? channel : New<TChannel>();

        // A channel plays on its mixer channel for as long as no other voice
        // has taken that over since; otherwise it takes a free one.
        int index = -1;
        if (mixerChannel && mixerChannel->index >= 0 && size_t(mixerChannel->index) < slots_.size() &&
            slots_[size_t(mixerChannel->index)].owner == mixerChannel->serial) {
            index = mixerChannel->index;
        } else if (Mix_Playing(-1) >= int(slots_.size())) {
            // Every channel busy: more channels rather than a lost voice.
            slots_.resize(size_t(Mix_AllocateChannels(int(slots_.size()) * 2)));
        }
        // Only this thread starts voices, so a channel found free stays free.
        const int played = Mix_PlayChannel(index, &mixerSound->chunk, mixerSound->loop ? -1 : 0);
        if (played < 0) return channel ? channel : New<TChannel>();

        if (!mixerChannel) mixerChannel = New<TMixerChannel>();
        mixerChannel->index = played;
        // The mixer channel now plays this sound: the slot keeps it alive until
        // another voice takes the channel over, so dropping the sound and the
        // channel lets it play to its end. What the slot held before is no
        // longer mixed.
        Slot& slot = slots_[size_t(played)];
        slot.owner = mixerChannel->serial;
        slot.sound = sound;
        return mixerChannel;
    }

private:
    struct Slot {
        uint64_t owner = 0;  // serial of the channel that last started a voice here
        Ref<TSound> sound;   // what that voice plays
    };
    std::vector<Slot> slots_;  // one per mixer channel
};

// ALSA writes its complaints (no sound card, say) straight to standard error;
// a missing output is no failure of the program, so they are dropped. SDL
// loads ALSA itself when it uses it, so the handler is set through the same
// library, looked up here, and the library is kept loaded so that the
// handler stays; without ALSA there is nothing to quiet.
extern "C" void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
    using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    static void* const alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa) return;
    auto setHandler = reinterpret_cast<int (*)(ErrorHandler)>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (setHandler) setHandler(IgnoreAlsaError);
}

}  // namespace

Ref<TAudioDriver> OpenMixerAudio() {
    QuietAlsa();
    // On its own, so that a failing audio subsystem leaves video alone.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
    // A failed open keeps the audio subsystem until the process ends: shutting
    // it waits for SDL's device hot-plug thread, which sleeps in 100 ms steps,
    // and a program without sound should start no later than one with it.
    if (Mix_OpenAudioDevice(kOutputHertz, kOutputFormat, kOutputChannels, kMixerFrames, nullptr, 0) != 0)
        return nullptr;
    return New<TMixerDriver>();
}

void InitAudio() {
    if (dynamic_cast<TMixerDriver*>(GetAudioDriver().get())) return;
    if (Ref<TAudioDriver> output = OpenMixerAudio()) SetAudioDriver(std::move(output));
}

}  // namespace fw
