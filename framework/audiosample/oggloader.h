// The built-in Ogg Vorbis loader (internal to the audiosample module).
#pragma once

#include "framework/audiosample/audiosample.h"

namespace fw {

Ref<TAudioSampleLoader> NewOggLoader();

}  // namespace fw
