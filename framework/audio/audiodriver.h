// The sound driver: what LoadSound and PlaySound need of a sound output.
//
// Exactly one driver is in place at any time: the silent one until another
// is installed. The framework's initialisation installs the SDL2_mixer
// output (mixeraudio/), where one can be opened; tests and tools install
// their own.
#pragma once

#include "framework/audio/audio.h"

namespace fw {

class TAudioDriver : public Object {
public:
    // A sound of this driver made from `sample`, or null when the sample
    // cannot be converted to the output's format.
    virtual Ref<TSound> CreateSound(const TAudioSample& sample, bool loop) = 0;
    // Starts `sound` (not null) as PlaySound describes.
    virtual Ref<TChannel> Play(const Ref<TSound>& sound, const Ref<TChannel>& channel) = 0;
};

// Installs the driver that later LoadSound calls make their sounds with and
// PlaySound plays them on; null puts the silent driver back. The first
// install registers an exit handler that lets the driver go (so an output
// stops): the framework installs its sound output before it opens the
// display, so at exit the display is given back first.
void SetAudioDriver(Ref<TAudioDriver> driver);
// The driver installed, null while the silent one is in place.
Ref<TAudioDriver> GetAudioDriver();

// The silent driver: sounds and channels exist as usual, and nothing is heard.
Ref<TAudioDriver> SilentAudioDriver();

}  // namespace fw
