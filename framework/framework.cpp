#include "framework/framework.h"

#include "framework/draw2d/gldraw2d/gldraw2d.h"
#include "framework/graphics/graphicsdriver.h"

namespace fw {

void InitFramework() {
    SetGraphicsDriver(GLDraw2DDriver());
}

}  // namespace fw
