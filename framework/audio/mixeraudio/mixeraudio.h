// The sound output over SDL2's audio, mixed by SDL2_mixer on SDL's audio
// thread: 44,100 Hz, 16-bit, stereo.
#pragma once

#include "framework/audio/audiodriver.h"

namespace fw {

// The output, open, or null when it cannot be opened (nothing is reported).
Ref<TAudioDriver> OpenMixerAudio();

// Opens the output and installs it (SetAudioDriver); where none can be
// opened the driver in place stays. Nothing while this output is installed.
void InitAudio();

}  // namespace fw
