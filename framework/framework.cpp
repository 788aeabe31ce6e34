#include "framework/framework.h"

#include "framework/audio/audiodriver.h"
#include "framework/audio/mixeraudio/mixeraudio.h"
#include "framework/draw2d/gldraw2d/gldraw2d.h"
#include "framework/graphics/graphicsdriver.h"

namespace fw {

void InitFramework() {
    // The sound output first: its exit handler must run after the display's.
    if (!GetAudioDriver()) InitAudio();
    if (!GetGraphicsDriver()) SetGraphicsDriver(GLDraw2DDriver());
}

}  // namespace fw
