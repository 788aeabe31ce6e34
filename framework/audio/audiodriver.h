// Inside the audio module: the driver interface behind LoadSound and
// PlaySound, and the stopping of the output.
#pragma once

#include <memory>

#include "framework/audio/audio.h"

namespace fw {

// The sound output in use. Exactly one driver is in place at any time: the
// silent one until InitAudio opens the output, and again once it is stopped.
class TAudioDriver {
public:
    virtual ~TAudioDriver() = default;
    // A sound of this driver made from `sample`, or null when the sample
    // cannot be converted to the output's format.
    virtual Ref<TSound> CreateSound(const TAudioSample& sample, bool loop) = 0;
    // Starts `sound` (not null) as PlaySound describes.
    virtual Ref<TChannel> Play(const Ref<TSound>& sound, const Ref<TChannel>& channel) = 0;
};

// The output over SDL2_mixer, open, or null when it cannot be opened.
std::unique_ptr<TAudioDriver> OpenMixerAudio();

// Stops the output, cutting off whatever plays, and puts the silent driver
// back in place until InitAudio opens it again. The exit handler; nothing
// when no output is open.
void StopAudio();

}  // namespace fw
