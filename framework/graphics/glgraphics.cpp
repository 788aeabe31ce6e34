#include "framework/graphics/glgraphics.h"

#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/runtime/runtime.h"
#include "framework/system/system.h"

namespace fw {
namespace {

// Where SDL finds no window system it falls back to its invisible offscreen
// display. A program that shows nothing must not run on unseen, so only an
// explicit SDL_VIDEODRIVER may choose such a display.
void RefuseUnaskedInvisibleDisplay() {
    const char* chosen = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (asked && *asked) return;
    if (!chosen || (std::strcmp(chosen, "offscreen") != 0 && std::strcmp(chosen, "dummy") != 0))
        return;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    const char* display = std::getenv("DISPLAY");
    std::string why = (display && *display)
                          ? std::string("DISPLAY ") + display + " cannot be opened"
                          : std::string("DISPLAY is not set");
    throw RuntimeError("Unable to open the display: no X11 or Wayland display found (" + why +
                       ")");
}

// The pixel format asked for with a depth; 0 lets SDL prefer the desktop's.
Uint32 FormatForDepth(int depth) {
    switch (depth) {
    case 15: return SDL_PIXELFORMAT_RGB555;
    case 16: return SDL_PIXELFORMAT_RGB565;
    case 24:
    case 32: return SDL_PIXELFORMAT_RGB888;
    default: return 0;
    }
}

}  // namespace

TFit FitWithAspect(int width, int height, int intoWidth, int intoHeight) {
    if (width <= 0 || height <= 0 || intoWidth <= 0 || intoHeight <= 0) return {0, 0, 0, 0};
    // Compared in 64 bits: the wider shape is bounded by the width.
    int w = intoWidth, h = intoHeight;
    if (int64_t(intoWidth) * height > int64_t(intoHeight) * width) {
        w = int((int64_t(intoHeight) * width + height / 2) / height);
    } else {
        h = int((int64_t(intoWidth) * height + width / 2) / width);
    }
    return {(intoWidth - w) / 2, (intoHeight - h) / 2, w, h};
}

Ref<TGLGraphics> TGLGraphics::Open(int width, int height, int depth, int hertz, int flags) {
    if (width <= 0 || height <= 0) return nullptr;
    // The program handles its termination signals itself.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A full-screen window needs no decorations; on Wayland the decoration
    // library would only print its search for plugins on standard error.
    SDL_SetHint(SDL_HINT_VIDEO_WAYLAND_ALLOW_LIBDECOR, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        throw RuntimeError(std::string("Unable to open the display: ") + SDL_GetError());
    RefuseUnaskedInvisibleDisplay();

    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    // Everything is drawn into a render target; the window only shows it.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);

    const bool fullScreen = depth != 0;
    SDL_DisplayMode mode{};
    int windowWidth = width, windowHeight = height;
    if (fullScreen) {
        SDL_DisplayMode want{FormatForDepth(depth), width, height, hertz, nullptr};
        // With no mode as large as asked, the desktop's own mode, which the
        // picture is scaled into.
        if (!SDL_GetClosestDisplayMode(0, &want, &mode) &&
            SDL_GetDesktopDisplayMode(0, &mode) != 0) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return nullptr;
        }
        windowWidth = mode.w;
        windowHeight = mode.h;
    }

    SDL_Window* window =
        SDL_CreateWindow(program_invocation_short_name, SDL_WINDOWPOS_CENTERED,
                         SDL_WINDOWPOS_CENTERED, windowWidth, windowHeight,
                         SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    if (fullScreen && (SDL_SetWindowDisplayMode(window, &mode) != 0 ||
                       SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0)) {
        SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        throw RuntimeError("Unable to create GL Context");
    }
    SDL_ShowWindow(window);

    Ref<TGLGraphics> graphics(
        new TGLGraphics(width, height, depth, hertz, flags, window, context, fullScreen));
    // An offscreen surface accepts a swap interval but has no refresh to
    // wait for.
    const bool offscreen = std::strcmp(SDL_GetCurrentVideoDriver(), "offscreen") == 0;
    if (!offscreen && SDL_GL_SetSwapInterval(1) == 0) {
        graphics->canWaitForRefresh_ = true;
        graphics->interval_ = 1;
    } else if (SDL_GL_SetSwapInterval(0) == 0) {
        graphics->interval_ = 0;
    }
    return graphics;
}

TGLGraphics::TGLGraphics(int width, int height, int depth, int hertz, int flags,
                         SDL_Window* window, void* context, bool fullScreen)
    : TGraphics(width, height, depth, hertz, flags),
      window_(window),
      context_(context),
      fullScreen_(fullScreen) {}

TGLGraphics::~TGLGraphics() { Close(); }

void TGLGraphics::Close() {
    if (!window_) return;
    // Leaving full screen gives the display the desktop's mode that SDL
    // kept when the window took it over.
    if (fullScreen_) SDL_SetWindowFullscreen(window_, 0);
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    context_ = nullptr;
    ShowMouse();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void TGLGraphics::DrawableSize(int* width, int* height) const {
    SDL_GL_GetDrawableSize(window_, width, height);
}

void TGLGraphics::Swap(bool waitForRefresh) {
    const int interval = waitForRefresh ? 1 : 0;
    if (canWaitForRefresh_ && interval_ != interval && SDL_GL_SetSwapInterval(interval) == 0)
        interval_ = interval;
    SDL_GL_SwapWindow(window_);
}

void TGLGraphics::MovePointer(int x, int y) {
    int windowWidth = 0, windowHeight = 0;
    SDL_GetWindowSize(window_, &windowWidth, &windowHeight);
    const TFit fit = FitWithAspect(width, height, windowWidth, windowHeight);
    SDL_WarpMouseInWindow(window_, fit.x + int(int64_t(x) * fit.width / width),
                          fit.y + int(int64_t(y) * fit.height / height));
}

}  // namespace fw
