// Graphics: the display, and the showing and pacing of frames.
//
// One display at a time. Every draw goes to a back buffer that Flip shows.
// The display itself is made by the current graphics driver
// (graphicsdriver.h); the framework's initialisation installs the OpenGL one.
#pragma once

#include <cstdint>

#include "framework/runtime/object.h"

namespace fw {

// An open display, as requested of Graphics.
class TGraphics : public Object {
public:
    TGraphics(int width, int height, int depth, int hertz, int flags);

    const int width;
    const int height;
    const int depth;
    const int hertz;
    const int flags;
    // Numbers the displays from 1 in the order they are made, so that what
    // was made for one display (an image's texture) is told from another's.
    const uint64_t number;
};

// Opens a display of width × height: depth 0 a window, any other depth full
// screen in the available mode closest to the request. A display opened
// earlier is closed first. Gives the drawing state its starting values,
// clears to black and shows that twice, sets up the pacing of Flip, turns on
// polled input with every key up and puts the pointer at the centre. The
// first call registers EndGraphics to run at exit. Null when the mode cannot
// be set; raises RuntimeError when there is no display at all or no drawing
// context can be made.
Ref<TGraphics> Graphics(int width, int height, int depth = 0, int hertz = 60, int flags = 0);

// Shows the back buffer. -1 paces the frames to the rate given to Graphics
// (waiting for the refresh where the display was measured to keep that rate,
// else on a schedule of its own); 0 shows at once; any other value waits for
// the next refresh. Takes in no input events. Nothing without a display.
void Flip(int sync = -1);

// The size given to the Graphics that opened the display (0 while none is
// open), even when the mode found differs.
int GraphicsWidth();
int GraphicsHeight();

// Closes the display: the previous mode back, window and context released,
// the pointer shown. Nothing while no display is open.
void EndGraphics();

}  // namespace fw
