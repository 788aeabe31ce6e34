#include "framework/audio/audio.h"

#include <cstdlib>

#include "framework/audio/audiodriver.h"
#include "framework/runtime/trace.h"

namespace fw {
namespace {

class TSilentDriver final : public TAudioDriver {
public:
    Ref<TSound> CreateSound(const TAudioSample&, bool) override { return New<TSound>(); }
    Ref<TChannel> Play(const Ref<TSound>&, const Ref<TChannel>& channel) override {
        return channel ? channel : New<TChannel>();
    }
};

Ref<TAudioDriver> installed;

TAudioDriver& Driver() { return installed ? *installed : *SilentAudioDriver(); }

extern "C" void DropAudioDriverAtExit() { installed = nullptr; }

}  // namespace

void SetAudioDriver(Ref<TAudioDriver> driver) {
    static bool handlerRegistered = false;
    if (driver && !handlerRegistered) {
        std::atexit(DropAudioDriverAtExit);
        handlerRegistered = true;
    }
    installed = std::move(driver);
}

Ref<TAudioDriver> GetAudioDriver() { return installed; }

Ref<TAudioDriver> SilentAudioDriver() {
    static const Ref<TAudioDriver> silent = New<TSilentDriver>();
    return silent;
}

Ref<TSound> LoadSound(std::string_view url, int flags) {
    Ref<TAudioSample> sample = LoadAudioSample(url);
    Ref<TSound> sound = sample ? LoadSound(sample, flags) : nullptr;
    Trace("LoadSound", static_cast<const Object*>(sound.get()), url, flags);
    return sound;
}

Ref<TSound> LoadSound(const Ref<TAudioSample>& sample, int flags) {
    // A sample without a rate has no sound to make, whichever the driver.
    if (!sample || sample->hertz <= 0) return nullptr;
    return Driver().CreateSound(*sample, flags != 0);
}

Ref<TChannel> PlaySound(const Ref<TSound>& sound, const Ref<TChannel>& channel) {
    Ref<TChannel> played = sound ? Driver().Play(sound, channel) : nullptr;
    Trace("PlaySound", static_cast<const Object*>(played.get()), static_cast<const Object*>(sound.get()),
          static_cast<const Object*>(channel.get()));
    return played;
}

}  // namespace fw
