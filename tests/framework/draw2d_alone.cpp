// draw2d's public header is all that a caller needs to make an image.
#include "framework/draw2d/draw2d.h"

namespace fw {

Ref<TImage> NewImageWithDraw2DAlone() { return New<TImage>(); }

}  // namespace fw
