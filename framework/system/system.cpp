#include "framework/system/system.h"

#include <SDL.h>

#include <array>
#include <cstdint>
#include <deque>
#include <utility>

#include "framework/runtime/runtime.h"
#include "framework/runtime/trace.h"
#include "framework/system/x11.h"

namespace fw {
namespace {

// SDL scancode -> Windows virtual-key code. Physical keys, so a key keeps its
// code whatever the keyboard layout; keys not listed have no code and are
// not reported.
constexpr std::array<uint8_t, SDL_NUM_SCANCODES> MakeKeyTable() {
    std::array<uint8_t, SDL_NUM_SCANCODES> t{};
    for (int i = 0; i < 26; ++i) t[SDL_SCANCODE_A + i] = uint8_t(65 + i);
    // SDL lists the digits 1..9 then 0.
    for (int i = 0; i < 9; ++i) t[SDL_SCANCODE_1 + i] = uint8_t(49 + i);
    t[SDL_SCANCODE_0] = 48;
    for (int i = 0; i < 12; ++i) t[SDL_SCANCODE_F1 + i] = uint8_t(112 + i);
    for (int i = 0; i < 9; ++i) t[SDL_SCANCODE_KP_1 + i] = uint8_t(97 + i);
    t[SDL_SCANCODE_KP_0] = 96;

    const std::pair<SDL_Scancode, uint8_t> others[] = {
        {SDL_SCANCODE_BACKSPACE, 8},     {SDL_SCANCODE_TAB, 9},
        {SDL_SCANCODE_RETURN, 13},       {SDL_SCANCODE_KP_ENTER, 13},
        {SDL_SCANCODE_PAUSE, 19},        {SDL_SCANCODE_CAPSLOCK, 20},
        {SDL_SCANCODE_ESCAPE, 27},       {SDL_SCANCODE_SPACE, 32},
        {SDL_SCANCODE_PAGEUP, 33},       {SDL_SCANCODE_PAGEDOWN, 34},
        {SDL_SCANCODE_END, 35},          {SDL_SCANCODE_HOME, 36},
        {SDL_SCANCODE_LEFT, 37},         {SDL_SCANCODE_UP, 38},
        {SDL_SCANCODE_RIGHT, 39},        {SDL_SCANCODE_DOWN, 40},
        {SDL_SCANCODE_PRINTSCREEN, 44},  {SDL_SCANCODE_INSERT, 45},
        {SDL_SCANCODE_DELETE, 46},       {SDL_SCANCODE_LGUI, 91},
        {SDL_SCANCODE_RGUI, 92},         {SDL_SCANCODE_APPLICATION, 93},
        {SDL_SCANCODE_KP_MULTIPLY, 106}, {SDL_SCANCODE_KP_PLUS, 107},
        {SDL_SCANCODE_KP_MINUS, 109},    {SDL_SCANCODE_KP_PERIOD, 110},
        {SDL_SCANCODE_KP_DIVIDE, 111},   {SDL_SCANCODE_NUMLOCKCLEAR, 144},
        {SDL_SCANCODE_SCROLLLOCK, 145},  {SDL_SCANCODE_LSHIFT, 160},
        {SDL_SCANCODE_RSHIFT, 161},      {SDL_SCANCODE_LCTRL, 162},
        {SDL_SCANCODE_RCTRL, 163},       {SDL_SCANCODE_LALT, 164},
        {SDL_SCANCODE_RALT, 165},        {SDL_SCANCODE_SEMICOLON, 186},
        {SDL_SCANCODE_EQUALS, 187},      {SDL_SCANCODE_COMMA, 188},
        {SDL_SCANCODE_MINUS, 189},       {SDL_SCANCODE_PERIOD, 190},
        {SDL_SCANCODE_SLASH, 191},       {SDL_SCANCODE_GRAVE, 192},
        {SDL_SCANCODE_LEFTBRACKET, 219}, {SDL_SCANCODE_BACKSLASH, 220},
        {SDL_SCANCODE_RIGHTBRACKET, 221}, {SDL_SCANCODE_APOSTROPHE, 222},
        {SDL_SCANCODE_NONUSBACKSLASH, 226},
    };
    for (const auto& [scancode, code] : others) t[scancode] = code;
    return t;
}

constexpr std::array<uint8_t, SDL_NUM_SCANCODES> keyTable = MakeKeyTable();

int KeyCode(SDL_Scancode scancode) {
    const int s = scancode;
    return (s >= 0 && s < SDL_NUM_SCANCODES) ? keyTable[s] : 0;
}

// Keys held down since before the program took the keyboard. X11 sends a
// key-down for one only when its automatic repeat reaches the window, and
// SDL, which never saw the key pressed, hands that on as a fresh press.
// heldBefore: the X keycodes down at the last look and not seen up since.
// repeating: the key codes whose key-downs are such repeats, until their key-up.
Keymap heldBefore;
std::bitset<256> repeating;

// Forgets the keys of heldBefore that have gone up.
void LookAtHeldKeys() {
    Keymap now;
    if (heldBefore.none()) return;
    if (!QueryHeldKeys(&now)) now.reset();
    heldBefore &= now;
}

// Whether a key-down that SDL reports as fresh is the window system's repeat
// of a key held since before. SDL's events do not say which X key they come
// from, but a fresh press means a key is down now that was not then.
bool RepeatOfKeyHeldBefore(int code) {
    if (repeating[size_t(code)]) return true;
    if (heldBefore.none()) return false;
    Keymap now;
    if (!QueryHeldKeys(&now)) now.reset();
    heldBefore &= now;
    if (heldBefore.none() || (now & ~heldBefore).any()) return false;
    repeating.set(size_t(code));
    return true;
}

void KeyReleased(int code) {
    if (repeating[size_t(code)]) {
        repeating.reset(size_t(code));
        // The key that repeated is up, and if it was the only one, nothing
        // held before is left, even if it is down again by now.
        if (heldBefore.count() == 1) heldBefore.reset();
    }
    LookAtHeldKeys();
}

// A deque, so a hook that adds another hook while events are handed out
// does not move the one running.
std::deque<EventHook>& Hooks() {
    static std::deque<EventHook> hooks;
    return hooks;
}

void Emit(const TEvent& event) {
    auto& hooks = Hooks();
    for (size_t i = 0; i < hooks.size(); ++i) hooks[i](event);
}

bool suspended = false;

void TakeIn(const SDL_Event& e) {
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const int code = KeyCode(e.key.keysym.scancode);
        if (code == 0) return;
        EventId id = EventId::KeyUp;
        if (e.type == SDL_KEYDOWN) {
            id = e.key.repeat || RepeatOfKeyHeldBefore(code) ? EventId::KeyRepeat
                                                               : EventId::KeyDown;
        } else {
            KeyReleased(code);
        }
        Emit({id, code});
        return;
    }
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        // The application is suspended when its window loses the focus and
        // resumed when it wins it back, with the keys held down meanwhile
        // taken as held since before. The focus a new window is given first
        // resumes nothing: a key already held down in it stays down.
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (!suspended) Emit({EventId::AppSuspend});
            suspended = true;
            return;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (suspended) {
                IgnoreKeysHeldNow();
                Emit({EventId::AppResume});
            }
            suspended = false;
            return;
        // The window manager's close button. Refused like a quit request.
        case SDL_WINDOWEVENT_CLOSE: Emit({EventId::AppTerminate}); return;
        default: return;
        }
        return;
    // The desktop's quit command (and, from SDL, the close of the last
    // window). The program only ends through its own code, so the request
    // is refused and passed on as an event.
    case SDL_QUIT: Emit({EventId::AppTerminate}); return;
    default: return;
    }
}

}  // namespace

void AddHook(EventHook hook) {
    Hooks().push_back(std::move(hook));
}

void PollSystem() {
    // The program polls every frame, so this is where a termination signal
    // that arrived meanwhile ends it.
    CheckTermination();
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) return;
    // The window system is asked once, then SDL's queue is drained: the call
    // takes what is pending and returns, however fast new input arrives.
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) TakeIn(e);
    // A key held since before may go up unseen: SDL drops the key-up of a
    // key it never saw go down.
    LookAtHeldKeys();
}

void IgnoreKeysHeldNow() {
    repeating.reset();
    if (!QueryHeldKeys(&heldBefore)) heldBefore.reset();
}

void HideMouse() {
    SDL_ShowCursor(SDL_DISABLE);
    Trace("HideMouse", std::monostate{});
}

void ShowMouse() {
    SDL_ShowCursor(SDL_ENABLE);
}

}  // namespace fw
