#include "scene/colourcycle.h"

#include "framework/framework.h"

float col[3];
int32_t colDir[3];
float colStep[3];

namespace {

// The lower bound is the single-precision 0.1 carried as a double, so a
// stored step never lies below the single-precision 0.1.
float NewStep() { return float(fw::Rnd(double(0.1f), 0.5)); }

}  // namespace

void StartColourCycle() {
    for (int c = 0; c < 3; ++c) {
        col[c] = 255.0f;
        colDir[c] = 0;
        colStep[c] = NewStep();
    }
}

void StepColourCycle() {
    // A channel that finds itself at or past a bound turns without moving, so
    // it never strays more than one step beyond it.
    for (int c = 0; c < 3; ++c) {
        if (colDir[c] == 0) {
            if (col[c] > 78.0f) {
                col[c] = col[c] - colStep[c];
            } else {
                colStep[c] = NewStep();
                colDir[c] = 1;
            }
        } else {
            if (col[c] < 255.0f) {
                col[c] = col[c] + colStep[c];
            } else {
                colStep[c] = NewStep();
                colDir[c] = 0;
            }
        }
    }
}
