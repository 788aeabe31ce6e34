#include "framework/polledinput/polledinput.h"

#include <array>

#include "framework/runtime/trace.h"
#include "framework/system/system.h"

namespace fw {
namespace {

std::array<int, 256> keyStates{};
bool hooked = false;

void OnEvent(const TEvent& event) {
    switch (event.id) {
    case EventId::KeyDown:
    case EventId::KeyUp:
        if (event.data >= 0 && event.data < int(keyStates.size()))
            keyStates[event.data] = event.id == EventId::KeyDown ? 1 : 0;
        return;
    // Keys pressed or released while another application had the focus
    // never reached us, so nothing recorded before can be trusted.
    case EventId::AppSuspend:
    case EventId::AppResume:
        FlushKeys();
        return;
    // Repeats say nothing new about a held key; the quit request is not
    // input.
    case EventId::KeyRepeat:
    case EventId::AppTerminate:
        return;
    }
}

}  // namespace

void EnablePolledInput() {
    if (!hooked) {
        AddHook(OnEvent);
        hooked = true;
    }
    PollSystem();
    FlushKeys();
    IgnoreKeysHeldNow();
}

int KeyDown(int key) {
    int down = 0;
    if (key >= 0 && key < int(keyStates.size())) {
        PollSystem();
        down = keyStates[key];
    }
    Trace("KeyDown", down, key);
    return down;
}

void FlushKeys() {
    keyStates.fill(0);
}

}  // namespace fw
