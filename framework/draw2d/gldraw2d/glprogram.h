// Building OpenGL programs, for the drawing driver and for anything else that
// draws with OpenGL 3.3 in the program's context (the benchmarks' floors).
#pragma once

#include <epoxy/gl.h>

#include <string_view>

namespace fw {

// A linked program made of the two shaders, in the current context. Raises
// RuntimeError "Unable to compile the <what>: ..." or "Unable to link the
// <what>: ..." with the driver's log when they do not compile or link, and
// then leaves no shader or program behind.
GLuint BuildGLProgram(const char* vertexSource, const char* fragmentSource,
                      std::string_view what);

}  // namespace fw
