// The graphics driver: what Graphics and Flip need of a display.
//
// A driver opens one display at a time. Graphics and Flip keep the order of
// things (closing the earlier display, the starting state, the pacing); the
// driver only does what needs the platform. Everything about the display goes
// through the driver, opening included, so a driver with no window system
// behind it (draw2d's recording driver) stands in for a whole display.
#pragma once

#include "framework/graphics/graphics.h"

namespace fw {

class TGraphicsDriver : public Object {
public:
    // Opens a display (none of this driver's is open). Null when the mode
    // cannot be set; RuntimeError when there is no display at all or no
    // drawing context can be made.
    virtual Ref<TGraphics> CreateGraphics(int width, int height, int depth, int hertz,
                                          int flags) = 0;
    // Closes a display that CreateGraphics made: the previous mode back, the
    // pointer shown.
    virtual void CloseGraphics(TGraphics& graphics) = 0;

    // Told once the display has opened and before anything is drawn, and
    // once it has closed: a drawing layer above resets its state here.
    virtual void GraphicsOpened(TGraphics& graphics) { (void)graphics; }
    virtual void GraphicsClosed() {}

    // Whether Flip(true) can wait for the display's refresh at all.
    virtual bool CanWaitForRefresh() = 0;
    // Fills the back buffer with black.
    virtual void Cls() = 0;
    // Shows the back buffer, after the next refresh when `waitForRefresh`
    // (where the display can wait for it), else at once.
    virtual void Flip(bool waitForRefresh) = 0;
    // Moves the pointer to (x, y) of the display's own coordinates.
    virtual void MovePointer(int x, int y) = 0;
};

// Installs the driver that later Graphics calls open their display with. The
// display that is open stays with the driver that made it.
void SetGraphicsDriver(Ref<TGraphicsDriver> driver);
Ref<TGraphicsDriver> GetGraphicsDriver();

}  // namespace fw
