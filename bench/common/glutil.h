// Small OpenGL helpers for the benchmarks' own renderers (libepoxy).
#pragma once

#include <epoxy/gl.h>

namespace bench {

// A linked program from the two sources; raises std::runtime_error with the
// driver's log when they do not compile or link.
GLuint BuildProgram(const char* vertexSource, const char* fragmentSource);

}  // namespace bench
