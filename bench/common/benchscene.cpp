#include "bench/common/benchscene.h"

#include "framework/framework.h"
#include "scene/colourcycle.h"
#include "scene/snowfall.h"

namespace bench {

void StartScene(int32_t seed) {
    fw::SeedRnd(seed);
    fw::SetMaskColor(255, 0, 255);
    imgRed = fw::LoadImage("incbin::pic4.png", -1);
    imgFlake = fw::LoadImage("incbin::flake.png", -1);
    fw::MidHandleImage(imgFlake);
    StartColourCycle();
    objList = fw::New<fw::TList>();
    counter = 0;
    o = nullptr;
}

void SceneFrame(int multiplier) {
    if (multiplier == 1) {
        DrawFrame();
        return;
    }
    // The program's frame with more births: the rest is the scene's own code.
    fw::Cls();
    fw::SetColor(fw::FloatToInt(col[0]), fw::FloatToInt(col[1]), fw::FloatToInt(col[2]));
    for (int i = 0; i < 4 * multiplier; ++i) objList->AddLast(Obj::Create());
    RenderFlakes();
    fw::SetColor(255, 255, 255);
    fw::SetAlpha(1.0f);
    fw::SetHandle(0.0f, 0.0f);
    fw::SetRotation(0.0f);
    fw::SetScale(1.0f, 1.0f);
    StepColourCycle();
    fw::DrawImage(imgRed, 0.0f, 0.0f, 0);
}

int32_t LiveFlakes() { return counter; }

}  // namespace bench
