// For tests, tools and benchmarks: what the OpenGL drawing driver has drawn.
#pragma once

#include <cstdint>
#include <vector>

namespace fw {

// The pixels of the rectangle (x, y, width, height) of the render target of
// the display that the OpenGL driver has open, after drawing what is pending:
// rows from top to bottom, 4 bytes each (red, green, blue, alpha). Empty when
// no display is open or the rectangle does not lie within the target.
std::vector<uint8_t> ReadRenderTarget(int x, int y, int width, int height);

// The draw calls made into the render target since the process started
// (showing it on the window not counted).
int64_t DrawCallCount();

}  // namespace fw
