// The drawing driver: what draw2d needs of a display to draw on.
//
// draw2d keeps the drawing state and does the geometry: every draw reaches
// the driver as a prepared quad (four corners on the screen, the colour and
// byte alpha, the blend mode). A driver only draws quads, so it holds no
// drawing state of its own. A drawing driver is a graphics driver too, and
// Graphics opens its display through it; draw2d draws with the driver whose
// display is open.
#pragma once

#include <cstdint>

#include "framework/graphics/graphicsdriver.h"
#include "framework/pixmap/pixmap.h"

namespace fw {

// A picture as the driver draws it (a texture), made from an image's pixmap.
class TImageFrame : public Object {};

struct TQuad {
    // The corners on the screen, in the order the picture's top left, top
    // right, bottom right and bottom left come.
    float x[4];
    float y[4];
    // Colour and alpha, 0..255 each.
    uint8_t red, green, blue, alpha;
    // 1 mask, 2 solid, 3 alpha, 4 additive, 5 multiply.
    int blend;
};

class TDraw2DDriver : public TGraphicsDriver {
public:
    // A frame for `pixmap` (RGB or RGBA); `flags` & 2 samples it bilinearly,
    // else the nearest pixel is taken; beyond its edges nothing repeats.
    virtual Ref<TImageFrame> CreateFrame(const TPixmap& pixmap, int flags) = 0;
    // Draws the frame's whole picture over the quad: each pixel the
    // picture's colour times the quad's colour / 255, its alpha times the
    // quad's alpha / 255.
    virtual void DrawFrame(TImageFrame& frame, const TQuad& quad) = 0;
    // Fills the quad with its colour and alpha.
    virtual void DrawRect(const TQuad& quad) = 0;

    // draw2d takes up the open display here: the state gets its starting
    // values and draws go to this driver until the display closes.
    void GraphicsOpened(TGraphics& graphics) final;
    void GraphicsClosed() final;
};

}  // namespace fw
