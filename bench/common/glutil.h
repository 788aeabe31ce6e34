// Small OpenGL helpers for the benchmarks' own renderers (libepoxy).
#pragma once

#include <SDL.h>
#include <epoxy/gl.h>

namespace bench {

// Draws an RGBA picture of width × height over the whole of the current
// framebuffer (1024 × 768) once, as the least a program that shows a picture
// must do: a shader compiled, the texture made, one draw. The caller shows it.
void DrawPictureOnce(const unsigned char* rgba, int width, int height);

}  // namespace bench

namespace bench {

// A 1024 × 768 window with an OpenGL 3.3 core context made current, as the
// floors' raw renderers draw into; raises std::runtime_error with SDL's
// message when either cannot be had.
struct GLWindow {
    SDL_Window* window;
    SDL_GLContext context;
};
GLWindow OpenGLWindow(const char* title);

// Clears the window's frame to black, shows it and waits for the driver.
void ShowBlackFrame(SDL_Window* window);

}  // namespace bench
