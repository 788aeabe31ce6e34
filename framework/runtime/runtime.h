// Runtime: errors, the clock, conversions and the process entry.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "framework/runtime/object.h"

namespace fw {

// An error raised inside the framework. One that reaches the top prints its
// message on standard error and ends the process.
class RuntimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The time source behind MilliSecs and the frame pacing. Tests and tools
// substitute their own.
class Clock {
public:
    virtual ~Clock() = default;
    // Microseconds since the computer started.
    virtual int64_t Micros() = 0;
    // Sleeps for about `us` microseconds (nothing for 0 or less).
    virtual void SleepMicros(int64_t us) = 0;
};

Clock& SystemClock();
Clock& CurrentClock();
// Makes `clock` the current clock; null puts the system clock back.
void SetClock(Clock* clock);

// Milliseconds since the computer started, wrapping as a signed 32-bit integer.
int32_t MilliSecs();

// Truncation toward zero. Values beyond the 32-bit range saturate, NaN gives 0.
int32_t FloatToInt(double x);

// Runs the program's main body on this thread and ends the process with
// status 0 when it returns, running the exit handlers. An error that escapes
// the body is printed on standard error and ends the process with status 1.
// Before the body starts it takes over SIGINT, SIGTERM, SIGHUP and SIGQUIT
// (each unless the process was started with it ignored) as CheckTermination
// describes.
[[noreturn]] void RunApplication(int (*mainBody)());

// Ends the process if one of those signals has arrived since RunApplication
// started the body; otherwise returns at once. The signal handler itself only
// records the signal, so the process ends here, on the program's own thread,
// at a point where the exit handlers are safe to run: they run in order (the
// display is given back, then the sound output stops), and last of all the
// process dies of the signal it got. Flip and PollSystem call this, so a
// signal is acted on within a frame. A second signal that arrives before the
// program gets here ends the process at once, without the exit handlers.
void CheckTermination();

}  // namespace fw
