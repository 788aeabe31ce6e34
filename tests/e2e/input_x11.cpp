// Opens a plain SDL window on the X server in DISPLAY and reports on stdout
// what polled input sees: "ready" once it listens, "held 27" once
// KeyDown(27) answers 1, "released 27" once it answers 0 again, and every
// key-down and key-repeat event as "key-down CODE" / "key-repeat CODE".
// Gives up after 10 s without a change.
#include <SDL.h>

#include <cstdio>

#include "framework/polledinput/polledinput.h"
#include "framework/system/system.h"

namespace {

bool WaitFor(int state) {
    const Uint32 start = SDL_GetTicks();
    while (SDL_GetTicks() - start < 10000) {
        if (fw::KeyDown(27) == state) return true;
        SDL_Delay(5);
    }
    return false;
}

}  // namespace

int main() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "input_x11: %s\n", SDL_GetError());
        return 2;
    }
    SDL_Window* window = SDL_CreateWindow("input_x11", 0, 0, 320, 240, SDL_WINDOW_SHOWN);
    if (!window) {
        std::fprintf(stderr, "input_x11: %s\n", SDL_GetError());
        SDL_Quit();
        return 2;
    }
    // Without a window manager the keyboard follows the pointer.
    SDL_WarpMouseInWindow(window, 160, 120);
    SDL_RaiseWindow(window);

    fw::AddHook([](const fw::TEvent& e) {
        if (e.id == fw::EventId::KeyDown) std::printf("key-down %d\n", e.data);
        if (e.id == fw::EventId::KeyRepeat) std::printf("key-repeat %d\n", e.data);
    });
    fw::EnablePolledInput();
    std::printf("ready\n");
    std::fflush(stdout);

    int status = 1;
    if (WaitFor(1)) {
        std::printf("held 27\n");
        std::fflush(stdout);
        if (WaitFor(0)) {
            std::printf("released 27\n");
            status = 0;
        }
    }
    std::fflush(stdout);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return status;
}
