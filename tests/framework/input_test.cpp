// Polled input and the system's events, fed with SDL events pushed into
// SDL's queue. Only SDL's event subsystem is started: no display is needed.
#include <SDL.h>
#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <vector>

#include "framework/polledinput/polledinput.h"
#include "framework/runtime/runtime.h"
#include "framework/system/system.h"

namespace {

using fw::EventId;
using fw::KeyDown;

// Every event the hooks were handed since the test began.
std::vector<fw::TEvent> seen;

void PushKey(SDL_Scancode scancode, bool down, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
    ASSERT_EQ(SDL_PushEvent(&e), 1);
}

void PushWindowEvent(SDL_WindowEventID what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
}

void PushQuit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
}

int Pending() {
    SDL_PumpEvents();
    return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
}

int CountSeen(EventId id, int data = 0) {
    int n = 0;
    for (const auto& e : seen) n += (e.id == id && e.data == data);
    return n;
}

class Input : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
        fw::EnablePolledInput();
        static bool hooked = false;
        if (!hooked) {
            fw::AddHook([](const fw::TEvent& e) { seen.push_back(e); });
            hooked = true;
        }
        seen.clear();
    }
    void TearDown() override { SDL_QuitSubSystem(SDL_INIT_EVENTS); }

    // Stands the window in the focus, whatever an earlier test left, with
    // nothing seen yet.
    static void StartFocused() {
        PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
        KeyDown(0);
        seen.clear();
    }
};

TEST_F(Input, HeldKeyReadsOneOnEveryCall) {
    PushKey(SDL_SCANCODE_ESCAPE, true);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(KeyDown(27), 1) << "call " << i;
    PushKey(SDL_SCANCODE_ESCAPE, false);
    EXPECT_EQ(KeyDown(27), 0);
    EXPECT_EQ(KeyDown(27), 0);
}

TEST_F(Input, PressAndReleaseTakenInTogetherLeaveZero) {
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushKey(SDL_SCANCODE_ESCAPE, false);
    EXPECT_EQ(KeyDown(27), 0);
    // Released then pressed again within one call: held.
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushKey(SDL_SCANCODE_ESCAPE, false);
    PushKey(SDL_SCANCODE_ESCAPE, true);
    EXPECT_EQ(KeyDown(27), 1);
}

TEST_F(Input, RepeatsChangeNothing) {
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushKey(SDL_SCANCODE_ESCAPE, true, true);
    PushKey(SDL_SCANCODE_ESCAPE, true, true);
    EXPECT_EQ(KeyDown(27), 1);
    EXPECT_EQ(CountSeen(EventId::KeyRepeat, 27), 2);
    EXPECT_EQ(CountSeen(EventId::KeyDown, 27), 1);

    // A repeat that comes after the release does not press the key again.
    PushKey(SDL_SCANCODE_ESCAPE, false);
    PushKey(SDL_SCANCODE_ESCAPE, true, true);
    EXPECT_EQ(KeyDown(27), 0);
    PushKey(SDL_SCANCODE_ESCAPE, true, true);
    EXPECT_EQ(KeyDown(27), 0);
}

TEST_F(Input, KeysAreIndependent) {
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushKey(SDL_SCANCODE_A, true);
    PushKey(SDL_SCANCODE_A, false);
    EXPECT_EQ(KeyDown(27), 1);
    EXPECT_EQ(KeyDown(65), 0);
    EXPECT_EQ(KeyDown(66), 0);
}

TEST_F(Input, PressBeforeEnablingIsNeverSeen) {
    PushKey(SDL_SCANCODE_ESCAPE, true);
    fw::EnablePolledInput();
    // The press was taken in while enabling (the hooks saw it) and forgotten.
    EXPECT_EQ(CountSeen(EventId::KeyDown, 27), 1);
    EXPECT_EQ(Pending(), 0);
    EXPECT_EQ(KeyDown(27), 0);
    // Still held: the system only repeats it, which sets nothing.
    PushKey(SDL_SCANCODE_ESCAPE, true, true);
    EXPECT_EQ(KeyDown(27), 0);
    // A press made after enabling counts.
    PushKey(SDL_SCANCODE_ESCAPE, false);
    PushKey(SDL_SCANCODE_ESCAPE, true);
    EXPECT_EQ(KeyDown(27), 1);
}

TEST_F(Input, EnablingAgainClearsHeldKeys) {
    PushKey(SDL_SCANCODE_SPACE, true);
    ASSERT_EQ(KeyDown(32), 1);
    fw::EnablePolledInput();
    EXPECT_EQ(KeyDown(32), 0);
}

TEST_F(Input, FlushKeysClearsEveryKey) {
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushKey(SDL_SCANCODE_Z, true);
    ASSERT_EQ(KeyDown(27), 1);
    fw::FlushKeys();
    EXPECT_EQ(KeyDown(27), 0);
    EXPECT_EQ(KeyDown(90), 0);
}

TEST_F(Input, SuspendClearsTheTable) {
    StartFocused();
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushKey(SDL_SCANCODE_LEFT, true);
    ASSERT_EQ(KeyDown(27), 1);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(KeyDown(27), 0);
    EXPECT_EQ(KeyDown(37), 0);
    EXPECT_EQ(CountSeen(EventId::AppSuspend), 1);
}

TEST_F(Input, ResumeAfterASuspendClearsTheTable) {
    StartFocused();
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    PushKey(SDL_SCANCODE_ESCAPE, true);
    ASSERT_EQ(KeyDown(27), 1);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(KeyDown(27), 0);
    EXPECT_EQ(CountSeen(EventId::AppSuspend), 1);
    EXPECT_EQ(CountSeen(EventId::AppResume), 1);
}

TEST_F(Input, FocusGivenWithoutASuspendKeepsAHeldKey) {
    // A new window is given the focus after a key may already be down in
    // it (Escape pressed while start-up is still loading): that resumes
    // nothing, and the key stays down.
    StartFocused();
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(KeyDown(27), 1);
    EXPECT_EQ(CountSeen(EventId::AppResume), 0);
    // A second loss of the focus while suspended suspends nothing more.
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(KeyDown(27), 0);
    EXPECT_EQ(CountSeen(EventId::AppSuspend), 1);
}

TEST_F(Input, EventsAreTakenInOrder) {
    // A press after the resume in the same batch stands; one before it not.
    StartFocused();
    PushKey(SDL_SCANCODE_A, true);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    PushKey(SDL_SCANCODE_B, true);
    EXPECT_EQ(KeyDown(65), 0);
    EXPECT_EQ(KeyDown(66), 1);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].id, EventId::KeyDown);
    EXPECT_EQ(seen[0].data, 65);
    EXPECT_EQ(seen[1].id, EventId::AppSuspend);
    EXPECT_EQ(seen[2].id, EventId::AppResume);
    EXPECT_EQ(seen[3].id, EventId::KeyDown);
    EXPECT_EQ(seen[3].data, 66);
}

TEST_F(Input, QuitRequestIsRefusedAndPostedAsAppTerminate) {
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushQuit();
    EXPECT_EQ(KeyDown(27), 1);
    EXPECT_EQ(CountSeen(EventId::AppTerminate), 1);
    EXPECT_EQ(Pending(), 0);
    // We are still running and still taking in input.
    PushKey(SDL_SCANCODE_ESCAPE, false);
    EXPECT_EQ(KeyDown(27), 0);
}

TEST_F(Input, WindowCloseIsRefusedAndPostedAsAppTerminate) {
    PushKey(SDL_SCANCODE_Q, true);
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(KeyDown(81), 1);
    EXPECT_EQ(CountSeen(EventId::AppTerminate), 1);
    PushKey(SDL_SCANCODE_Q, false);
    EXPECT_EQ(KeyDown(81), 0);
}

TEST_F(Input, OtherEventsAreTakenInAndIgnored) {
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushWindowEvent(SDL_WINDOWEVENT_MOVED);
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    EXPECT_EQ(KeyDown(27), 1);
    EXPECT_EQ(Pending(), 0);
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(Input, CodesOutsideTheTableAnswerZeroAndTakeInNothing) {
    PushKey(SDL_SCANCODE_ESCAPE, true);
    for (int key : {-1, 256, INT_MIN, INT_MAX}) {
        EXPECT_EQ(KeyDown(key), 0) << key;
    }
    EXPECT_EQ(Pending(), 1);
    EXPECT_EQ(KeyDown(27), 1);
    // The table's ends are ordinary keys.
    EXPECT_EQ(KeyDown(0), 0);
    EXPECT_EQ(KeyDown(255), 0);
}

struct Mapping {
    SDL_Scancode scancode;
    int code;
};

TEST_F(Input, KeysUseTheWindowsVirtualKeyNumbering) {
    const Mapping mappings[] = {
        {SDL_SCANCODE_ESCAPE, 27},     {SDL_SCANCODE_A, 65},        {SDL_SCANCODE_M, 77},
        {SDL_SCANCODE_Z, 90},          {SDL_SCANCODE_0, 48},        {SDL_SCANCODE_1, 49},
        {SDL_SCANCODE_9, 57},          {SDL_SCANCODE_SPACE, 32},    {SDL_SCANCODE_RETURN, 13},
        {SDL_SCANCODE_KP_ENTER, 13},   {SDL_SCANCODE_BACKSPACE, 8}, {SDL_SCANCODE_TAB, 9},
        {SDL_SCANCODE_LEFT, 37},       {SDL_SCANCODE_UP, 38},       {SDL_SCANCODE_RIGHT, 39},
        {SDL_SCANCODE_DOWN, 40},       {SDL_SCANCODE_LSHIFT, 160},  {SDL_SCANCODE_RSHIFT, 161},
        {SDL_SCANCODE_LCTRL, 162},     {SDL_SCANCODE_RCTRL, 163},   {SDL_SCANCODE_LALT, 164},
        {SDL_SCANCODE_RALT, 165},      {SDL_SCANCODE_F1, 112},      {SDL_SCANCODE_F12, 123},
        {SDL_SCANCODE_INSERT, 45},     {SDL_SCANCODE_DELETE, 46},   {SDL_SCANCODE_HOME, 36},
        {SDL_SCANCODE_END, 35},        {SDL_SCANCODE_PAGEUP, 33},   {SDL_SCANCODE_PAGEDOWN, 34},
        {SDL_SCANCODE_KP_0, 96},       {SDL_SCANCODE_KP_1, 97},     {SDL_SCANCODE_KP_9, 105},
        {SDL_SCANCODE_KP_MULTIPLY, 106}, {SDL_SCANCODE_KP_DIVIDE, 111},
    };
    for (const auto& m : mappings) {
        SCOPED_TRACE(SDL_GetScancodeName(m.scancode));
        seen.clear();
        PushKey(m.scancode, true);
        EXPECT_EQ(KeyDown(m.code), 1);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].id, EventId::KeyDown);
        EXPECT_EQ(seen[0].data, m.code);
        PushKey(m.scancode, false);
        EXPECT_EQ(KeyDown(m.code), 0);
    }
}

TEST_F(Input, KeysWithoutACodeAreNotReported) {
    PushKey(SDL_SCANCODE_MUTE, true);
    PushKey(SDL_SCANCODE_UNKNOWN, true);
    PushKey(static_cast<SDL_Scancode>(SDL_NUM_SCANCODES + 5), true);
    KeyDown(27);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(KeyDown(0), 0);
}

TEST(InputWithoutSdl, PollSystemDoesNothing) {
    ASSERT_EQ(SDL_WasInit(SDL_INIT_EVENTS), 0u);
    fw::PollSystem();
    fw::EnablePolledInput();
    EXPECT_EQ(KeyDown(27), 0);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVENTS), 0u);
}

// Ctrl-C or a SIGTERM is acted on where the program polls its input.
TEST(InputDeathTest, PollSystemEndsTheProgramOnATerminationSignal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(fw::RunApplication([] {
                    std::raise(SIGTERM);
                    fw::PollSystem();
                    // Not reached; if it were, this leaves with status 0
                    // without the exit handlers that would raise the signal.
                    std::_Exit(0);
                    return 0;
                }),
                ::testing::KilledBySignal(SIGTERM), "");
}

// The pointer's visibility lives in SDL's video subsystem; the offscreen
// driver keeps it without any display.
class Mouse : public ::testing::Test {
protected:
    void SetUp() override {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    void TearDown() override { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
};

TEST_F(Mouse, HideMouseHidesThePointerUntilShown) {
    ASSERT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    fw::HideMouse();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    fw::HideMouse();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    fw::PollSystem();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    fw::ShowMouse();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

}  // namespace
