#include "framework/random/random.h"

#include "framework/runtime/runtime.h"
#include "framework/runtime/trace.h"

namespace fw {

namespace {

constexpr int32_t kModulus = 2147483647;  // 2^31 - 1
constexpr int32_t kStart = 4660;

int32_t state = kStart;

// One step of state = 48271 * state mod (2^31 - 1), by Schrage's method so
// that nothing overflows 32 bits: 44488 = (2^31 - 1) div 48271 and
// 3399 = (2^31 - 1) mod 48271.
void Step() {
    int32_t next = 48271 * (state % 44488) - 3399 * (state / 44488);
    if (next < 0) next += kModulus;
    state = next;
}

}  // namespace

void SeedRnd(int32_t seed) {
    state = seed & kModulus;
    if (state == 0 || state == kModulus) state = kStart;
    Trace("SeedRnd", std::monostate{}, int(seed));
}

int32_t RndSeed() { return state; }

double RndDouble() {
    constexpr double kTwo27 = 134217728.0;  // 2^27
    constexpr double kTwo29 = 536870912.0;  // 2^29
    Step();
    int32_t a = state & ((1 << 29) - 4);  // bits 2 to 28
    Step();
    int32_t b = state & ((1 << 29) - 8);  // bits 3 to 28
    return (a + b / kTwo27) / kTwo29;
}

double Rnd(double a, double b) {
    double r = RndDouble();
    return b > a ? a + r * (b - a) : b + r * (a - b);
}

int32_t Rand(int32_t a, int32_t b) {
    double r = RndDouble();
    double d = double(b) - double(a);  // as a real: no 32-bit overflow
    return FloatToInt(d > 0 ? a + r * (d + 1) : b + r * (1 - d));
}

}  // namespace fw
