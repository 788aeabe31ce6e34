#include "framework/runtime/runtime.h"

#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <limits>

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
    return int32_t(uint32_t(uint64_t(CurrentClock().Micros() / 1000)));
}

int32_t FloatToInt(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (x <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return int32_t(x);
}

void RunApplication(int (*mainBody)()) {
    try {
        mainBody();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        std::exit(1);
    }
    std::exit(0);
}

}  // namespace fw
