// The framework's operations, as the program calls them.
#pragma once

#include "framework/runtime/object.h"
#include "framework/runtime/runtime.h"
#include "framework/incbin/incbin.h"
#include "framework/stream/stream.h"
#include "framework/linkedlist/linkedlist.h"
#include "framework/random/random.h"
#include "framework/pixmap/pixmap.h"
#include "framework/audiosample/audiosample.h"
#include "framework/audio/audio.h"
#include "framework/system/system.h"
#include "framework/polledinput/polledinput.h"
#include "framework/graphics/graphics.h"
#include "framework/draw2d/draw2d.h"

namespace fw {
// Readies every module before the display is opened: the sound output (or
// the silent driver), the OpenGL drawing driver, the event handling.
void InitFramework();
}  // namespace fw
