// Pacing: the scene's steady-state frames shown with Flip(-1) under the
// software schedule (the offscreen display has no refresh to wait for): the
// time that 600 frames take against 10,000 ms, and how far each frame's start
// lies from its due time.
//
// Flip(-1) reads the framework's clock to decide when a frame is due and to
// wait for it; a pass-through clock records those readings, so each frame's
// start (the reading at which the wait ended, or the one that found the frame
// late) is known exactly. The due times follow the schedule: the first is
// Graphics' return plus 16 ms; the frames last 16, 17 and 17 ms in turn; a
// late frame starts at once and the schedule goes on from it.
//
// The first frames after Graphics are late however fast the frame is (the
// driver compiles its shaders at the first draws), and a late frame starts
// the schedule anew; so `--warm` frames are shown first, and the figures are
// those of the `--frames` after them, timed from the start of the last warm
// frame.
//
//   bench_pacing [--frames N] [--warm W] [--seed S]

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "bench/common/benchscene.h"
#include "bench/common/benchutil.h"
#include "framework/framework.h"

namespace {

class RecordingClock : public fw::Clock {
public:
    int64_t Micros() override {
        const int64_t now = fw::SystemClock().Micros();
        readings.push_back(now);
        return now;
    }
    void SleepMicros(int64_t us) override { fw::SystemClock().SleepMicros(us); }

    std::vector<int64_t> readings;
};

void Run(int argc, char** argv) {
    const int frames = int(bench::IntOption(argc, argv, "frames", 600));
    const int warm = int(bench::IntOption(argc, argv, "warm", 10));
    const int32_t seed = int32_t(bench::IntOption(argc, argv, "seed", 20241224));
    const int hertz = 60;

    bench::RegisterMedia();
    fw::InitFramework();
    // The scene is brought to its steady state first, with no display, so
    // every paced frame draws about 1,225 flakes.
    bench::StartScene(seed);
    for (int i = 0; i < 2000; ++i) bench::SceneFrame(1);

    RecordingClock clock;
    clock.readings.reserve(size_t(frames) * 64 + 1024);
    fw::SetClock(&clock);
    if (!fw::Graphics(1024, 768, 16, hertz, 0)) throw std::runtime_error("no display");
    // The schedule starts with Graphics' last reading of the clock.
    if (clock.readings.empty()) throw std::runtime_error("Graphics did not read the clock");
    const int64_t start = clock.readings.back();
    fw::SetBlend(4);

    std::vector<double> errors;  // ms
    std::vector<double> onTime;  // the errors of the frames that were not late
    int64_t due = start, lastStart = start, firstStart = start;
    int remainder = 0, late = 0;
    for (int i = 0; i < warm + frames; ++i) {
        bench::SceneFrame(1);
        const size_t mark = clock.readings.size();
        fw::Flip(-1);
        fw::KeyDown(27);
        if (clock.readings.size() == mark) throw std::runtime_error("Flip did not read the clock");
        // The schedule as the system keeps it.
        due += int64_t(1000 / hertz) * 1000;
        remainder += 1000 - hertz * (1000 / hertz);
        if (remainder >= hertz) {
            remainder -= hertz;
            due += 1000;
        }
        const int64_t first = clock.readings[mark];
        int64_t started = first;
        double error = 0;
        if (first >= due) {
            // Late: shown at once, and the schedule goes on from here.
            error = double(first - due) / 1000.0;
            due = first;
            if (i >= warm) ++late;
        } else {
            // The reading that ended the wait.
            for (size_t k = mark; k < clock.readings.size(); ++k) {
                if (clock.readings[k] >= due) {
                    started = clock.readings[k];
                    break;
                }
            }
            error = double(started - due) / 1000.0;
        }
        if (i >= warm) errors.push_back(error);
        if (i >= warm && first < due) onTime.push_back(error);
        if (i + 1 == warm) firstStart = started;
        lastStart = started;
    }
    fw::SetClock(nullptr);
    const bench::Summary s = bench::Summarise(errors);
    bench::Result("pacing")
        .Add("display", bench::DisplayName())
        .Add("frames", frames)
        .Add("warm", warm)
        .Add("total_ms", double(lastStart - firstStart) / 1000.0)
        .Add("expected_ms", double(frames) * 1000.0 / hertz)
        .Add("late_frames", late)
        .Add("error_median_ms", s.median)
        .Add("error_p99_ms", s.p99)
        .Add("error_max_ms", s.max)
        .Add("ontime_error_median_ms", bench::Summarise(onTime).median)
        .Add("ontime_error_p99_ms", bench::Summarise(onTime).p99)
        .Add("ontime_error_max_ms", bench::Summarise(onTime).max)
        .Print();
    fw::EndGraphics();
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_pacing: %s\n", e.what());
        return 1;
    }
    return 0;
}
