// Sound: sounds decoded whole into memory, played on channels of the sound
// output, which mixes them on its own thread.
#pragma once

#include <string_view>

#include "framework/audiosample/audiosample.h"
#include "framework/runtime/object.h"

namespace fw {

// A sound ready to play: its samples already in the output's format. The
// sound driver in place when it was loaded (audiodriver.h) makes it and keeps
// its data.
class TSound : public Object {};

// One playing voice. Dropping it does not stop what it plays.
class TChannel : public Object {};

// Decodes the whole sound at `url` through LoadAudioSample and converts it to
// the output's format. `flags` 0 makes a sound that plays once, any other
// value one that loops. Null when the URL opens nothing, no loader takes the
// data or the sample has no rate above 0; a stream that cannot tell its
// position raises RuntimeError("Stream is not seekable").
Ref<TSound> LoadSound(std::string_view url, int flags = 0);
// The same from a sample already in memory, which is left unchanged.
Ref<TSound> LoadSound(const Ref<TAudioSample>& sample, int flags = 0);

// Starts `sound` from its beginning at volume 1 and pan 0 and returns at
// once; the output's thread mixes it from its next pass. With `channel` null
// it takes a free channel (there is always one) and returns it; with a
// channel that PlaySound returned, it replaces what that channel plays and
// returns it (any other channel counts as null). A null sound does nothing
// and gives null.
Ref<TChannel> PlaySound(const Ref<TSound>& sound, const Ref<TChannel>& channel = nullptr);

}  // namespace fw
