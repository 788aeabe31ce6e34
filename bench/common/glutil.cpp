#include "bench/common/glutil.h"

#include <stdexcept>

#include "framework/draw2d/gldraw2d/glprogram.h"

namespace bench {

void DrawPictureOnce(const unsigned char* rgba, int width, int height) {
    static const char* const vertexSource = R"(#version 330 core
const vec2 corners[4] = vec2[4](vec2(-1.0, 1.0), vec2(1.0, 1.0), vec2(-1.0, -1.0), vec2(1.0, -1.0));
out vec2 texCoord;
void main() {
    gl_Position = vec4(corners[gl_VertexID], 0.0, 1.0);
    texCoord = vec2(corners[gl_VertexID].x * 0.5 + 0.5, 0.5 - corners[gl_VertexID].y * 0.5);
}
)";
    static const char* const fragmentSource = R"(#version 330 core
in vec2 texCoord;
uniform sampler2D picture;
out vec4 colour;
void main() { colour = texture(picture, texCoord); }
)";
    const GLuint program = fw::BuildGLProgram(vertexSource, fragmentSource, "picture's shaders");
    glUseProgram(program);
    GLuint texture = 0, vertexArray = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteTextures(1, &texture);
    glDeleteProgram(program);
}

}  // namespace bench

namespace bench {

GLWindow OpenGLWindow(const char* title) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) throw std::runtime_error(SDL_GetError());
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_Window* window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          1024, 768, SDL_WINDOW_OPENGL);
    if (!window) throw std::runtime_error(SDL_GetError());
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) throw std::runtime_error(SDL_GetError());
    return {window, context};
}

void ShowBlackFrame(SDL_Window* window) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
    glFinish();
}

}  // namespace bench
