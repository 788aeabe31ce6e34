#include "framework/graphics/glgraphics.h"

#include <SDL.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "framework/runtime/runtime.h"
#include "framework/system/system.h"

namespace fw {
namespace {

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

RuntimeError NoDisplay() {
    const char* display = std::getenv("DISPLAY");
    std::string why = (display && *display)
                          ? std::string("DISPLAY ") + display + " cannot be opened"
                          : std::string("DISPLAY is not set");
    return RuntimeError("Unable to open the display: no X11 or Wayland display found (" + why +
                        ")");
}

// The socket where libwayland looks for a compositor: WAYLAND_DISPLAY
// (wayland-0 when unset) in XDG_RUNTIME_DIR, or its own path. Empty where
// there is none to look at.
std::string WaylandSocket() {
    std::string name = IsSet("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "wayland-0";
    if (name[0] == '/') return name;
    if (!IsSet("XDG_RUNTIME_DIR")) return "";
    return std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" + name;
}

bool WaylandSocketFound() {
    const std::string path = WaylandSocket();
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// Starts SDL's video layer on the window system there is. Where there is
// none, says so before SDL probes for one: its Wayland probe writes a line
// of its own on standard error. And where SDL finds no window system it falls
// back to its invisible offscreen display; a program that shows nothing must
// not run on unseen, so only an explicit SDL_VIDEODRIVER may choose such a
// display.
void OpenVideo() {
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (asked && *asked) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            throw RuntimeError(std::string("Unable to open the display: ") + SDL_GetError());
        return;
    }
    const bool wayland = WaylandSocketFound();
    if (!wayland && !IsSet("DISPLAY")) throw NoDisplay();
    if (!wayland) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    const int failed = SDL_InitSubSystem(SDL_INIT_VIDEO);
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    if (failed != 0) throw NoDisplay();
    const char* chosen = SDL_GetCurrentVideoDriver();
    if (!chosen || std::strcmp(chosen, "offscreen") == 0 || std::strcmp(chosen, "dummy") == 0) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        throw NoDisplay();
    }
}

// The display that SDL's video layer talks to, by a name of its own; empty
// for a display that is not shared (offscreen). A local server is named by
// its socket and its process, so that a server started later under the same
// number, while a copy on the one before still ends, is another display.
std::string DisplayName() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return "";
    std::string socketPath;
    if (std::strcmp(driver, "x11") == 0) {
        socketPath = "/tmp/.X11-unix/X";
    } else if (std::strcmp(driver, "wayland") == 0) {
        socketPath = WaylandSocket();
    } else {
        return "";
    }
    const int fd = WindowSystemConnection(socketPath.c_str());
    ucred server{};
    socklen_t size = sizeof server;
    sockaddr_un peer{};
    socklen_t peerSize = sizeof peer;
    if (fd >= 0 && getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &server, &size) == 0 &&
        getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0) {
        const char* name = peer.sun_path[0] ? peer.sun_path : peer.sun_path + 1;
        return std::string(driver) + " " + name + " " + std::to_string(server.pid);
    }
    // A server elsewhere, reached over the network.
    return IsSet("DISPLAY") ? std::string(driver) + " " + std::getenv("DISPLAY") : "";
}

// Full screen takes the display over for this program's sole use: a second
// copy must not switch it as well, or whichever ends last leaves the mode of
// the other behind. A socket bound to the display's name in Linux's abstract
// namespace marks the display as taken for as long as this process holds it:
// a second bind fails, and the kernel frees the name however the process
// ends. -1 where the display is not shared.
int TakeDisplay() {
    const std::string display = DisplayName();
    if (display.empty()) return -1;
    std::string name = std::string(program_invocation_short_name) + " full screen on " + display;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // Past the first byte, which is 0 for the abstract namespace.
    if (name.size() > sizeof address.sun_path - 1)
        name = std::string(program_invocation_short_name) + " full screen " +
               std::to_string(std::hash<std::string>{}(display));
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) return fd;
    const int error = errno;
    close(fd);
    if (error != EADDRINUSE) return -1;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    throw RuntimeError(std::string("Unable to take over the display: ") +
                       program_invocation_short_name + " is already running on it");
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
    // Before SDL connects: the server may go while the display opens.
    EndOnLostDisplay();
    OpenVideo();
    const bool fullScreen = depth != 0;
    const int displayLock = fullScreen ? TakeDisplay() : -1;
    // Every failure below leaves the display as it was.
    SDL_Window* window = nullptr;
    auto giveUp = [&] {
        if (window) SDL_DestroyWindow(window);
        SDL_GL_UnloadLibrary();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (displayLock >= 0) close(displayLock);
    };

    // Without OpenGL there is nothing to draw with, whatever the mode.
    if (SDL_GL_LoadLibrary(nullptr) != 0) {
        giveUp();
        throw RuntimeError("Unable to create GL Context");
    }
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

    SDL_DisplayMode mode{};
    int windowWidth = width, windowHeight = height;
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    if (fullScreen) {
        SDL_DisplayMode want{FormatForDepth(depth), width, height, hertz, nullptr};
        // With no mode as large as asked, the desktop's own mode, which the
        // picture is scaled into.
        if (!SDL_GetClosestDisplayMode(0, &want, &mode) &&
            SDL_GetDesktopDisplayMode(0, &mode) != 0) {
            giveUp();
            return nullptr;
        }
        windowWidth = mode.w;
        windowHeight = mode.h;
        // At the display's origin: a window centred on the desktop before
        // the switch would hang off the switched screen.
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(0, &bounds) == 0) x = bounds.x, y = bounds.y;
    }

    window = SDL_CreateWindow(program_invocation_short_name, x, y, windowWidth, windowHeight,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    // A window for OpenGL needs a visual that OpenGL draws into: none with
    // an X server without GLX, or on an 8-bit screen.
    if (!window) {
        giveUp();
        throw RuntimeError("Unable to create GL Context");
    }
    if (fullScreen && (SDL_SetWindowDisplayMode(window, &mode) != 0 ||
                       SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0)) {
        giveUp();
        return nullptr;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        giveUp();
        throw RuntimeError("Unable to create GL Context");
    }
    SDL_ShowWindow(window);

    Ref<TGLGraphics> graphics(new TGLGraphics(width, height, depth, hertz, flags, window,
                                              context, fullScreen, displayLock));
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
                         SDL_Window* window, void* context, bool fullScreen, int displayLock)
    : TGraphics(width, height, depth, hertz, flags),
      window_(window),
      context_(context),
      fullScreen_(fullScreen),
      displayLock_(displayLock) {}

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
    SDL_GL_UnloadLibrary();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // The desktop's mode is back: another copy may take the display now.
    if (displayLock_ >= 0) close(displayLock_);
    displayLock_ = -1;
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
