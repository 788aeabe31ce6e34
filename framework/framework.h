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
// Readies the framework before the display is opened: installs the SDL2_mixer
// sound output (where none can be opened the silent driver stays) and the
// OpenGL drawing driver, each unless a driver of its kind is installed
// already (SetAudioDriver, SetGraphicsDriver: tests and tools install theirs
// first).
void InitFramework();
}  // namespace fw
