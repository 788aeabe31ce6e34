// Polled input: the state of every key, read when the program asks.
#pragma once

namespace fw {

// Starts recording key presses: takes in the events pending now and clears
// every key. A press made before this call is never seen, even while the key
// stays held. Called by
// Graphics; calling it again clears the keys again.
void EnablePolledInput();

// 1 while `key` is held, else 0, after taking in every pending event. A
// state, not a count: a press and release taken in together leave 0. Codes
// follow the Windows virtual-key numbering (Escape 27); a code outside
// 0..255 answers 0 and takes in nothing.
int KeyDown(int key);

// Clears every key.
void FlushKeys();

}  // namespace fw
