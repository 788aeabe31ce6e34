// Small OpenGL helpers for the benchmarks' own renderers (libepoxy).
#pragma once

#include <epoxy/gl.h>

namespace bench {

// A linked program from the two sources; raises std::runtime_error with the
// driver's log when they do not compile or link.
GLuint BuildProgram(const char* vertexSource, const char* fragmentSource);

}  // namespace bench

namespace bench {

// Draws an RGBA picture of width × height over the whole of the current
// framebuffer (1024 × 768) once, as the least a program that shows a picture
// must do: a shader compiled, the texture made, one draw. The caller shows it.
void DrawPictureOnce(const unsigned char* rgba, int width, int height);

}  // namespace bench
