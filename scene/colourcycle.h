// The colour cycle: the tint of the flakes. Each channel (0 red, 1 green,
// 2 blue) drifts on its own between 255 and 78 with a step drawn anew at
// every turn.
#pragma once

#include <cstdint>

extern float col[3];        // each channel's value, in colour units
extern int32_t colDir[3];   // 0: falling toward 78; otherwise rising toward 255
extern float colStep[3];    // how far the value moves in one step

// Every channel at 255 and falling, each with its own random step.
void StartColourCycle();

// Moves each channel by its step, or turns it at a bound (a new step, the
// other direction, no move).
void StepColourCycle();
