#include "framework/audio/audio.h"

#include <cstdlib>

#include "framework/audio/audiodriver.h"

namespace fw {
namespace {

// Stands in when no output is open: sounds and channels exist as usual, and
// nothing is heard.
class TSilentDriver final : public TAudioDriver {
public:
    Ref<TSound> CreateSound(const TAudioSample&, bool) override { return New<TSound>(); }
    Ref<TChannel> Play(const Ref<TSound>&, const Ref<TChannel>& channel) override {
        return channel ? channel : New<TChannel>();
    }
};

TSilentDriver silentDriver;
std::unique_ptr<TAudioDriver> output;

TAudioDriver& Driver() { return output ? *output : silentDriver; }

}  // namespace

void InitAudio() {
    if (output) return;
    output = OpenMixerAudio();
    // Registered once, at the first open: the framework opens the output
    // before the display, so at exit the display's handler runs first.
    static bool handlerRegistered = false;
    if (output && !handlerRegistered) {
        std::atexit(StopAudio);
        handlerRegistered = true;
    }
}

void StopAudio() { output.reset(); }

Ref<TSound> LoadSound(std::string_view url, int flags) {
    Ref<TAudioSample> sample = LoadAudioSample(url);
    if (!sample) return nullptr;
    return LoadSound(sample, flags);
}

Ref<TSound> LoadSound(const Ref<TAudioSample>& sample, int flags) {
    // A sample without a rate has no sound to make, whichever the driver.
    if (!sample || sample->hertz <= 0) return nullptr;
    return Driver().CreateSound(*sample, flags != 0);
}

Ref<TChannel> PlaySound(const Ref<TSound>& sound, const Ref<TChannel>& channel) {
    if (!sound) return nullptr;
    return Driver().Play(sound, channel);
}

}  // namespace fw
