#include "framework/framework.h"

#include "framework/draw2d/gldraw2d/gldraw2d.h"
#include "framework/graphics/graphicsdriver.h"

namespace fw {

void InitFramework() {
    // The sound output first: its exit handler must run after the display's.
    InitAudio();
    SetGraphicsDriver(GLDraw2DDriver());
}

}  // namespace fw
