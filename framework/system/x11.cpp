// What the framework asks of X11 beyond SDL: Xlib is loaded at run time, so
// the program builds without its headers and runs where there is no X11.
#include "framework/system/x11.h"

#include <SDL.h>
// SDL describes an X11 window with Xlib's types: only the display connection
// is read, from the start of SDL's union of window-system details.
#undef SDL_VIDEO_DRIVER_X11
#include <SDL_syswm.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "framework/system/system.h"

namespace fw {
namespace {

// Xlib's handler for a lost connection, and the keys held down.
struct Xlib {
    using IOErrorHandler = int (*)(void* display);
    IOErrorHandler (*SetIOErrorHandler)(IOErrorHandler) = nullptr;
    int (*QueryKeymap)(void* display, char keys[32]) = nullptr;
};

const Xlib& X11() {
    static const Xlib xlib = [] {
        Xlib x;
        // The library SDL's X11 layer loads, so both share one state. Never
        // unloaded: the handler lives in it.
        if (void* lib = SDL_LoadObject("libX11.so.6")) {
            x.SetIOErrorHandler = reinterpret_cast<decltype(x.SetIOErrorHandler)>(
                SDL_LoadFunction(lib, "XSetIOErrorHandler"));
            x.QueryKeymap = reinterpret_cast<decltype(x.QueryKeymap)>(
                SDL_LoadFunction(lib, "XQueryKeymap"));
        }
        return x;
    }();
    return xlib;
}

// Xlib calls this when the connection to the X server breaks, and ends the
// process if it returns. Its own end, exit(1), would run the exit handlers,
// and giving the display back over a dead connection waits for ever.
extern "C" int EndOnLostConnection(void*) {
    static const char message[] = "Lost the connection to the display\n";
    ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    (void)written;
    _exit(1);
}

// Whether the connection to the X server has been closed by the server.
bool ServerGone() {
    const int fd = WindowSystemConnection("/tmp/.X11-unix/X");
    if (fd < 0) return false;
    pollfd connection = {fd, POLLRDHUP, 0};
    return poll(&connection, 1, 0) == 1 && (connection.revents & (POLLHUP | POLLRDHUP));
}

struct sigaction crashActions[2];
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS};

// Mesa's GLX reads the server's replies through libxcb, not Xlib, and takes
// the missing reply of a dead server for a pointer: the server going while
// the display opens crashes it before Xlib notices. A crash with the
// connection to the X server hung up is that, and ends as a lost connection
// does; any other crash goes on to the handler there was before.
extern "C" void CrashedOnLostConnection(int sig) {
    if (ServerGone()) EndOnLostConnection(nullptr);
    for (int i = 0; i < 2; ++i)
        if (kCrashSignals[i] == sig) sigaction(sig, &crashActions[i], nullptr);
    // Returning runs the faulting instruction again, under that handler.
}

void WatchForCrashesOnLostConnection() {
    static bool watching = false;
    if (watching) return;
    watching = true;
    struct sigaction action = {};
    action.sa_handler = CrashedOnLostConnection;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 2; ++i) sigaction(kCrashSignals[i], &action, &crashActions[i]);
}

}  // namespace

bool QueryHeldKeys(Keymap* held) {
    const Xlib& x = X11();
    SDL_Window* window = SDL_GetKeyboardFocus();
    if (!window) window = SDL_GL_GetCurrentWindow();
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!x.QueryKeymap || !window || !driver || std::strcmp(driver, "x11") != 0) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    void* display = nullptr;
    std::memcpy(&display, &info.info, sizeof display);
    char keys[32];
    x.QueryKeymap(display, keys);
    held->reset();
    for (int i = 0; i < 256; ++i) held->set(size_t(i), (keys[i / 8] >> (i % 8)) & 1);
    return true;
}

int WindowSystemConnection(const char* path) {
    const size_t length = std::strlen(path);
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_un peer{};
        socklen_t size = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0 ||
            peer.sun_family != AF_UNIX)
            continue;
        // An abstract name starts with a 0 byte.
        const char* name = peer.sun_path[0] ? peer.sun_path : peer.sun_path + 1;
        if (std::strncmp(name, path, length) == 0) return fd;
    }
    return -1;
}

void EndOnLostDisplay() {
    if (!X11().SetIOErrorHandler) return;
    X11().SetIOErrorHandler(EndOnLostConnection);
    // A write to a server that has gone would raise SIGPIPE and end the
    // process without a word; ignored, the write fails and Xlib calls the
    // handler above. The program writes to no other pipe or socket.
    signal(SIGPIPE, SIG_IGN);
    WatchForCrashesOnLostConnection();
}

}  // namespace fw
