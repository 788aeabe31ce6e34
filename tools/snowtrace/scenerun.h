// The program run behind the framework's seams, for snowtrace, the scene
// tests and the benchmarks: the framework itself, with the recording drawing
// driver as the display, the silent sound driver, a clock that start-up
// reads as a given number of milliseconds, Escape pressed through SDL's
// event queue once a given number of frames have been shown, and the call
// trace.
//
// A trace line is the operation's name and its arguments separated by single
// spaces: integers in decimal, reals as the single-precision value printed
// with "%.9g" (which reads back to the same float), texts as they are, an
// image by role ("background" for "incbin::pic4.png", "flake" for
// "incbin::flake.png", "image" for any other), the sound from
// "incbin::hohoho.ogg" as "jingle" (any other "sound"), a channel as
// "channel", null as "null". MilliSecs and KeyDown add what they read as the
// last field.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/draw2d/recorddriver.h"
#include "framework/framework.h"
#include "framework/runtime/trace.h"

namespace scenerun {

// One call as traced.
struct Call {
    std::string op;
    std::vector<std::string> args;

    // The trace line: op and args joined by single spaces.
    std::string Line() const;
    // Argument i read back as the value that was passed.
    float Real(size_t i) const;
    int Int(size_t i) const;
};

// Time stands still until the program first sleeps, so that start-up reads
// exactly what it was set to; from then on a sleep moves it on by its length
// and every read by 0.1 ms, as when a program spins on a clock.
class SceneClock final : public fw::Clock {
public:
    // MilliSecs reads `ms` until the first sleep.
    void Set(int32_t ms);
    int64_t Micros() override;
    void SleepMicros(int64_t us) override;

private:
    int64_t now_ = 0;
    bool moving_ = false;
};

class SceneRun final : public fw::TTracer {
public:
    // Installs everything, the clock at `ms`; the destructor puts the
    // framework's own clock back, no tracer and no drivers.
    explicit SceneRun(int32_t ms = 0);
    ~SceneRun() override;

    // Every call in order, while `keep` is set.
    std::vector<Call> calls;
    bool keep = true;
    // Sees every call as it is made; lines are made only while this is set
    // or `keep` is.
    std::function<void(const Call&)> sink;
    // Sees every call as the framework reports it, before `sink`.
    std::function<void(const fw::TTraceCall&)> observe;
    // Runs after every Flip: the scene then stands between frames.
    std::function<void()> onFlip;

    // Escape goes down (and stays down) once this many Flips have been made.
    int64_t escapeFromFlip = std::numeric_limits<int64_t>::max();
    int64_t flips = 0;

    SceneClock clock;
    const fw::Ref<fw::TRecordDriver> display;

    // The role of an image or sound the program loaded, as in trace lines.
    std::string Name(const fw::Object* object) const;

    void Called(const fw::TTraceCall& call) override;

private:
    std::string Text(const fw::TTraceValue& value) const;
    std::unordered_map<const fw::Object*, std::string> roles_;
    // Holds what was named, so that no other object takes its address.
    std::vector<fw::Ref<const fw::Object>> named_;
};

}  // namespace scenerun
