// The system module: the application's events, taken in from the window
// system only when input is polled, and the mouse pointer.
#pragma once

#include <functional>

namespace fw {

enum class EventId {
    KeyDown,       // data: the key's code
    KeyUp,         // data: the key's code
    KeyRepeat,     // an automatic repeat of a held key; data: the key's code
    AppSuspend,    // the application lost the input focus
    AppResume,     // the application has the input focus again
    AppTerminate,  // the window system asked the application to quit
};

// Key codes follow the Windows virtual-key numbering: Escape 27, Space 32,
// A-Z 65-90, 0-9 48-57, F1-F12 112-123 and so on.
struct TEvent {
    EventId id;
    int data = 0;
};

using EventHook = std::function<void(const TEvent&)>;

// Adds a hook that sees every event PollSystem takes in, after the hooks
// added before it. Hooks stay for the rest of the process.
void AddHook(EventHook hook);

// Takes in every window-system event pending now, without waiting, and hands
// each one the framework knows to the hooks. A request to quit is refused:
// the program goes on, and the request reaches the hooks as AppTerminate.
// First, a termination signal received since the program started ends it here
// (CheckTermination). Takes in nothing while SDL's event subsystem is not
// initialised.
void PollSystem();

// Takes the keys the window system reports held down now as held since
// before: their key-downs, which only its automatic repeat can send, reach
// the hooks as KeyRepeat until each key has gone up. EnablePolledInput calls
// it, and PollSystem at every resume. Nothing where the window system cannot
// tell (only X11 sends such key-downs).
void IgnoreKeysHeldNow();

// Makes a lost connection to the X server end the process at once with one
// line on standard error and status 1, without the exit handlers, which
// would wait for ever on the dead connection. Graphics calls it before it
// opens the display.
void EndOnLostDisplay();

// This process's connection to the window system's local socket whose path
// begins with `path` (an X server's, a Wayland compositor's): its file
// descriptor, or -1 if there is none. Safe inside a signal handler.
int WindowSystemConnection(const char* path);

// Hides the mouse pointer; it stays hidden until ShowMouse.
void HideMouse();
void ShowMouse();

}  // namespace fw
