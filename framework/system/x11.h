// X11, for the system module: what SDL does not tell.
#pragma once

#include <bitset>

namespace fw {

// X keycodes, one bit each.
using Keymap = std::bitset<256>;

// The keys the X server reports held down now; false where the window
// system is not X11.
bool QueryHeldKeys(Keymap* held);

}  // namespace fw
