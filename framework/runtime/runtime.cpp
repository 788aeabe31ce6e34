#include "framework/runtime/runtime.h"

#include <signal.h>
#include <time.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <limits>

#include "framework/runtime/trace.h"

namespace fw {

std::string Object::ToString() const {
    char text[2 + 2 * sizeof(void*) + 1];
    std::snprintf(text, sizeof text, "%p", static_cast<const void*>(this));
    return text;
}

int Object::Compare(const Object* other) const {
    if (this == other) return 0;
    return std::less<const Object*>{}(this, other) ? -1 : 1;
}

Object* Object::SendMessage(Object* message, Object*) { return message; }

namespace {

class MonotonicClock final : public Clock {
public:
    int64_t Micros() override {
        timespec ts;
        // CLOCK_BOOTTIME counts from boot, including time spent suspended.
        clock_gettime(CLOCK_BOOTTIME, &ts);
        return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
    }
    void SleepMicros(int64_t us) override {
        if (us <= 0) return;
        timespec ts{time_t(us / 1000000), long(us % 1000000) * 1000};
        while (nanosleep(&ts, &ts) != 0) {
        }
    }
};

Clock* current = nullptr;

}  // namespace

Clock& SystemClock() {
    static MonotonicClock clock;
    return clock;
}

Clock& CurrentClock() { return current ? *current : SystemClock(); }

void SetClock(Clock* clock) { current = clock; }

int32_t MilliSecs() {
    const int32_t ms = int32_t(uint32_t(uint64_t(CurrentClock().Micros() / 1000)));
    Trace("MilliSecs", ms);
    return ms;
}

namespace trace_detail {
TTracer* tracer = nullptr;
}  // namespace trace_detail

void SetTracer(TTracer* tracer) { trace_detail::tracer = tracer; }

int32_t FloatToInt(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (x <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return int32_t(x);
}

namespace {

// Ctrl-C, kill, the terminal closing and Ctrl-\ (quit): each would otherwise end
// the process with the display still switched.
constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The termination signal that has arrived, 0 while none has.
volatile std::sig_atomic_t pendingSignal = 0;
// Set once the process has begun to exit, so that a CheckTermination reached
// from an exit handler does not exit a second time.
bool exiting = false;

extern "C" void RecordTermination(int sig) {
    if (pendingSignal != 0) {
        // The program has not reached a CheckTermination since the first
        // signal: it may be stuck, so this one ends it at once. The signal is
        // blocked inside its own handler and is taken as soon as this returns.
        signal(sig, SIG_DFL);
        raise(sig);
        return;
    }
    pendingSignal = sig;
}

// Registered before the body starts, so it runs after every exit handler the
// body's modules registered. Puts the default action back and dies of the
// signal, so whoever started the program sees how it ended.
extern "C" void DieOfPendingSignal() {
    int sig = pendingSignal;
    if (sig == 0) return;
    std::signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(sig);
}

void CatchTerminationSignals() {
    std::atexit(DieOfPendingSignal);
    struct sigaction action = {};
    action.sa_handler = RecordTermination;
    // While one signal is being recorded the others wait, so the first one
    // recorded is the one the process dies of.
    sigemptyset(&action.sa_mask);
    for (int sig : kTerminationSignals) sigaddset(&action.sa_mask, sig);
    action.sa_flags = SA_RESTART;
    for (int sig : kTerminationSignals) {
        struct sigaction previous;
        sigaction(sig, nullptr, &previous);
        // A program started with the signal ignored (nohup, a background job
        // of a script) keeps ignoring it.
        if (previous.sa_handler == SIG_IGN) continue;
        sigaction(sig, &action, nullptr);
    }
}

[[noreturn]] void Exit(int status) {
    exiting = true;
    std::exit(status);
}

}  // namespace

void CheckTermination() {
    int sig = pendingSignal;
    if (sig != 0 && !exiting) Exit(128 + sig);
}

void RunApplication(int (*mainBody)()) {
    CatchTerminationSignals();
    try {
        mainBody();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        Exit(1);
    }
    Exit(0);
}

}  // namespace fw
