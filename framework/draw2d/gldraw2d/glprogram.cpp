#include "framework/draw2d/gldraw2d/glprogram.h"

#include <string>

#include "framework/runtime/runtime.h"

namespace fw {
namespace {

GLuint CompileShader(GLenum kind, const char* source, std::string_view what) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char text[1024] = "";
        glGetShaderInfoLog(shader, sizeof text, nullptr, text);
        glDeleteShader(shader);
        throw RuntimeError("Unable to compile the " + std::string(what) + ": " + text);
    }
    return shader;
}

}  // namespace

GLuint BuildGLProgram(const char* vertexSource, const char* fragmentSource,
                      std::string_view what) {
    GLuint vertex = CompileShader(GL_VERTEX_SHADER, vertexSource, what);
    GLuint fragment = 0;
    try {
        fragment = CompileShader(GL_FRAGMENT_SHADER, fragmentSource, what);
    } catch (...) {
        glDeleteShader(vertex);
        throw;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char text[1024] = "";
        glGetProgramInfoLog(program, sizeof text, nullptr, text);
        glDeleteProgram(program);
        throw RuntimeError("Unable to link the " + std::string(what) + ": " + text);
    }
    return program;
}

}  // namespace fw
