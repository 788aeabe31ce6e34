// The OpenGL display: an SDL window with an OpenGL 3.3 core context, on
// which the OpenGL drawing driver draws. Functions through libepoxy.
#pragma once

#include "framework/graphics/graphics.h"

struct SDL_Window;

namespace fw {

// The largest rectangle of width × height's shape that fits, centred, in
// intoWidth × intoHeight: the rest of the area is left as bars.
struct TFit {
    int x, y, width, height;
};
TFit FitWithAspect(int width, int height, int intoWidth, int intoHeight);

class TGLGraphics : public TGraphics {
public:
    // Opens the display and makes its context current. Depth 0 opens a
    // window of width × height; any other depth full screen in the available
    // mode closest to width × height at hertz (the desktop's mode when none
    // is as large), at the display's origin. Null when the mode cannot be
    // set. Raises RuntimeError when there is no display at all, when another
    // copy of the program holds it in full screen, or when OpenGL cannot
    // draw on it ("Unable to create GL Context").
    static Ref<TGLGraphics> Open(int width, int height, int depth, int hertz, int flags);

    ~TGLGraphics() override;

    // Gives the display back (the desktop's mode, the pointer shown) and
    // releases window and context. Nothing the second time.
    void Close();

    // Whether Swap can wait for the refresh: the swap interval can be set,
    // and there is a screen that refreshes.
    bool CanWaitForRefresh() const { return canWaitForRefresh_; }
    // The window's drawing surface in pixels.
    void DrawableSize(int* width, int* height) const;
    // Shows the window's back buffer.
    void Swap(bool waitForRefresh);
    // Moves the pointer to (x, y) of the width × height picture as the
    // window shows it.
    void MovePointer(int x, int y);

private:
    TGLGraphics(int width, int height, int depth, int hertz, int flags, SDL_Window* window,
                void* context, bool fullScreen, int displayLock);

    SDL_Window* window_;
    void* context_;
    bool fullScreen_;
    // Marks a full-screen display as this process's (-1: none held).
    int displayLock_;
    bool canWaitForRefresh_ = false;
    // The swap interval in force, -1 while unknown.
    int interval_ = -1;
};

}  // namespace fw
