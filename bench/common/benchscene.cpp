#include "bench/common/benchscene.h"

#include "framework/framework.h"
#include "scene/colourcycle.h"
#include "scene/snowfall.h"

namespace bench {

void StartScene(int32_t seed) {
    StartUp();
    fw::EndGraphics();
    // Start-up seeds from the clock; the colour cycle's steps are its only
    // random draws.
    fw::SeedRnd(seed);
    StartColourCycle();
}

void SceneFrame(int multiplier) {
    // Nothing in the frame before its own four births draws from the
    // generator or walks the list, so births made first come out the same.
    for (int i = 4; i < 4 * multiplier; ++i) {
        objList->AddLast(Obj::Create());
    }
    DrawFrame();
}

int32_t LiveFlakes() { return counter; }

}  // namespace bench
