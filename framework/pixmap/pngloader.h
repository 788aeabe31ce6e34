// The built-in PNG loader (internal to the pixmap module).
#pragma once

#include "framework/pixmap/pixmap.h"

namespace fw {

Ref<TPixmapLoader> NewPngLoader();

}  // namespace fw
