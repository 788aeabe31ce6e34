// What the framework asks of X11 beyond SDL: Xlib is loaded at run time, so
// the program builds without its headers and runs where there is no X11.
#include "framework/system/x11.h"

#include <SDL.h>
// SDL describes an X11 window with Xlib's types: only the display connection
// is read, from the start of SDL's union of window-system details.
#undef SDL_VIDEO_DRIVER_X11
#include <SDL_syswm.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

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

// The addresses of the local X server in DISPLAY: its socket in Linux's
// abstract namespace and its file, as libxcb tries them. Length 0 where the
// server is not local.
struct ServerAddress {
    sockaddr_un address;
    socklen_t length;
};
ServerAddress serverAddresses[2];
struct sigaction crashActions[2];
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS};

bool ServerGone() {
    bool local = false;
    for (const ServerAddress& server : serverAddresses) {
        if (server.length == 0) continue;
        local = true;
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0) return false;
        const bool reached =
            connect(fd, reinterpret_cast<const sockaddr*>(&server.address), server.length) == 0;
        close(fd);
        if (reached) return false;
    }
    return local;
}

// Mesa's GLX reads the server's replies through libxcb, not Xlib, and takes
// the missing reply of a dead server for a pointer: the server going while
// the display opens crashes it before Xlib notices. A crash while our X
// server cannot be reached is that, and ends as a lost connection does; any
// other crash goes on to the handler there was before.
extern "C" void CrashedOnLostConnection(int sig) {
    if (ServerGone()) EndOnLostConnection(nullptr);
    for (int i = 0; i < 2; ++i)
        if (kCrashSignals[i] == sig) sigaction(sig, &crashActions[i], nullptr);
    // Returning runs the faulting instruction again, under that handler.
}

void WatchForCrashesOnLostConnection() {
    static bool watching = false;
    if (watching) return;
    const char* display = std::getenv("DISPLAY");
    if (!display || (display[0] != ':' && std::strncmp(display, "unix:", 5) != 0)) return;
    const char* number = std::strchr(display, ':') + 1;
    const std::string path =
        "/tmp/.X11-unix/X" + std::string(number, std::strcspn(number, "."));
    for (int i = 0; i < 2; ++i) {
        ServerAddress& server = serverAddresses[i];
        server.address = {};
        server.address.sun_family = AF_UNIX;
        // The abstract name is the path behind a 0 byte.
        const size_t start = i == 0 ? 1 : 0;
        if (path.size() + start >= sizeof server.address.sun_path) return;
        std::memcpy(server.address.sun_path + start, path.data(), path.size());
        // With the file's path, its closing 0 byte.
        server.length = socklen_t(offsetof(sockaddr_un, sun_path) + path.size() + 1);
    }
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


void EndOnLostDisplay() {
    if (!X11().SetIOErrorHandler) return;
    X11().SetIOErrorHandler(EndOnLostConnection);
    WatchForCrashesOnLostConnection();
}

}  // namespace fw
