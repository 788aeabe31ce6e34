#include "framework/graphics/graphics.h"

#include <cstdlib>
#include <thread>
#include <utility>

#include "framework/graphics/graphicsdriver.h"
#include "framework/polledinput/polledinput.h"
#include "framework/runtime/runtime.h"
#include "framework/runtime/trace.h"

namespace fw {
namespace {

// The system's sleep can overshoot by a few hundred microseconds on a busy
// machine, so a frame's wait wakes this much early and spins the rest.
constexpr int64_t kSpinMicros = 1000;

void SleepUntil(Clock& clock, int64_t due) {
    for (;;) {
        const int64_t now = clock.Micros();
        if (now >= due) return;
        if (due - now > kSpinMicros) {
            clock.SleepMicros(due - now - kSpinMicros);
        } else {
            std::this_thread::yield();
        }
    }
}

// The pace of Flip(-1): the display's own refresh where it was measured to
// keep the requested rate, else a schedule kept here.
class Pacer {
public:
    // Where the display can wait for its refresh, a full-screen display with
    // a rate is measured for at most a second: three frames in a row that
    // each take 1000 / hertz ms (integer division), within 1 ms either way,
    // show that the refresh keeps the rate.
    void Setup(TGraphicsDriver& driver, int depth, int hertz) {
        hertz_ = hertz;
        vsync_ = false;
        if (depth == 0 || hertz <= 0 || 1000 / hertz == 0 || !driver.CanWaitForRefresh()) return;
        Clock& clock = CurrentClock();
        const int64_t frame = int64_t(1000 / hertz) * 1000;
        const int64_t start = clock.Micros();
        int64_t last = start;
        int inRow = 0;
        while (last - start < 1000000) {
            driver.Flip(true);
            const int64_t now = clock.Micros();
            const int64_t error = now - last - frame;
            inRow = (error >= -1000 && error <= 1000) ? inRow + 1 : 0;
            last = now;
            if (inRow == 3) {
                vsync_ = true;
                return;
            }
        }
    }

    // The schedule starts when Graphics returns.
    void Start() {
        due_ = CurrentClock().Micros();
        remainder_ = 0;
    }

    void Flip(TGraphicsDriver& driver) {
        if (vsync_) {
            driver.Flip(true);
            return;
        }
        // No rate to keep.
        if (hertz_ <= 0) {
            driver.Flip(false);
            return;
        }
        // Whole milliseconds a frame, and the milliseconds that 1000 / hertz
        // leaves over handed out one at a time: at 60 Hz the frames last 16,
        // 17 and 17 ms in turn and 60 of them exactly one second.
        const int frameMs = 1000 / hertz_;
        due_ += int64_t(frameMs) * 1000;
        remainder_ += 1000 - hertz_ * frameMs;
        if (remainder_ >= hertz_) {
            remainder_ -= hertz_;
            due_ += 1000;
        }
        Clock& clock = CurrentClock();
        const int64_t now = clock.Micros();
        // A late frame is shown at once and the schedule goes on from it:
        // lost time is never made up by hurrying the frames after it.
        if (now >= due_) {
            due_ = now;
        } else {
            SleepUntil(clock, due_);
        }
        driver.Flip(false);
    }

private:
    int hertz_ = 0;
    bool vsync_ = false;
    int64_t due_ = 0;
    int remainder_ = 0;
};

Ref<TGraphicsDriver> currentDriver;
uint64_t displaysMade = 0;

// The open display and the driver that made it.
Ref<TGraphicsDriver> openDriver;
Ref<TGraphics> openGraphics;

Pacer pacer;
bool exitHandlerRegistered = false;

extern "C" void EndGraphicsAtExit() { EndGraphics(); }

}  // namespace

TGraphics::TGraphics(int width, int height, int depth, int hertz, int flags)
    : width(width), height(height), depth(depth), hertz(hertz), flags(flags),
      number(++displaysMade) {}

void SetGraphicsDriver(Ref<TGraphicsDriver> driver) { currentDriver = std::move(driver); }

Ref<TGraphicsDriver> GetGraphicsDriver() { return currentDriver; }

namespace {

Ref<TGraphics> OpenGraphics(int width, int height, int depth, int hertz, int flags) {
    EndGraphics();
    if (!currentDriver) throw RuntimeError("No graphics driver: InitFramework installs one");
    Ref<TGraphicsDriver> driver = currentDriver;
    Ref<TGraphics> graphics = driver->CreateGraphics(width, height, depth, hertz, flags);
    if (!graphics) return nullptr;
    openDriver = driver;
    openGraphics = graphics;
    // Registered after the sound output's handler, so at exit the display is
    // given back first; and before the first PollSystem below, where a
    // termination signal that came during start-up ends the program.
    if (!exitHandlerRegistered) {
        std::atexit(EndGraphicsAtExit);
        exitHandlerRegistered = true;
    }

    driver->GraphicsOpened(*graphics);
    for (int i = 0; i < 2; ++i) {
        driver->Cls();
        driver->Flip(false);
    }
    pacer.Setup(*driver, depth, hertz);
    EnablePolledInput();
    driver->MovePointer(width / 2, height / 2);
    pacer.Start();
    return graphics;
}

}  // namespace

Ref<TGraphics> Graphics(int width, int height, int depth, int hertz, int flags) {
    Ref<TGraphics> graphics = OpenGraphics(width, height, depth, hertz, flags);
    Trace("Graphics", static_cast<const Object*>(graphics.get()), width, height, depth, hertz, flags);
    return graphics;
}

void Flip(int sync) {
    if (openGraphics) {
        if (sync == -1) {
            pacer.Flip(*openDriver);
        } else {
            openDriver->Flip(sync != 0);
        }
    }
    Trace("Flip", std::monostate{}, sync);
    CheckTermination();
}

int GraphicsWidth() { return openGraphics ? openGraphics->width : 0; }

int GraphicsHeight() { return openGraphics ? openGraphics->height : 0; }

void EndGraphics() {
    if (!openGraphics) return;
    Ref<TGraphicsDriver> driver = std::move(openDriver);
    Ref<TGraphics> graphics = std::move(openGraphics);
    driver->GraphicsClosed();
    driver->CloseGraphics(*graphics);
}

}  // namespace fw
