// What every benchmark shares: clocks, summaries of timings, the machine's
// description and the one-line results the report is made from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

// Milliseconds on the monotonic clock (shared by all processes, so a parent
// and its child can compare readings).
double WallMs();
// CPU milliseconds spent by the calling thread: what it computed, not what it
// waited for.
double ThreadCpuMs();

struct Summary {
    double median = 0, p95 = 0, p99 = 0, mean = 0, min = 0, max = 0;
    size_t count = 0;
};
// Order statistics by the nearest rank.
Summary Summarise(std::vector<double> values);

// The peak resident set of this process so far, in bytes (VmHWM).
int64_t PeakResidentBytes();

// A named integer option from "--name value" in argv, or `fallback`.
int64_t IntOption(int argc, char** argv, std::string_view name, int64_t fallback);
// A named text option, or `fallback`.
std::string TextOption(int argc, char** argv, std::string_view name, std::string_view fallback);
bool FlagOption(int argc, char** argv, std::string_view name);

// The display the process draws to, as results name it: "x11" under an X
// server, "offscreen" under SDL's offscreen driver.
std::string DisplayName();

// `text` with every space turned into an underscore, for a result's value.
std::string NoSpaces(std::string_view text);

// One line of results on standard output, "result key=value key=value ...",
// which scripts/bench gathers into the report. Values hold no spaces.
class Result {
public:
    explicit Result(std::string_view bench);
    Result& Add(std::string_view key, std::string_view value);
    Result& Add(std::string_view key, double value);
    Result& Add(std::string_view key, int64_t value);
    Result& Add(std::string_view key, int value) { return Add(key, int64_t(value)); }
    Result& Add(std::string_view key, const Summary& summary);  // key_median, key_p95, ...
    void Print() const;

private:
    std::string line_;
};

}  // namespace bench

namespace bench {

// Wall and CPU milliseconds of each timed frame.
struct FrameTimes {
    std::vector<double> wall;  // from the frame's start to the end of its glFinish
    std::vector<double> cpu;   // the thread's CPU time up to just before glFinish
};

// Runs `warm` untimed frames, then `frames` timed ones. `draw(i)` does the
// whole work of frame i (0 … warm − 1 while warming up, then 0 … frames − 1)
// up to and including showing it; `finish()` waits for the driver to complete
// it (glFinish), so the work is counted in the frame.
template <class DrawFrame, class Finish>
FrameTimes TimeFrames(size_t warm, size_t frames, DrawFrame draw, Finish finish) {
    for (size_t i = 0; i < warm; ++i) {
        draw(i);
        finish();
    }
    FrameTimes times;
    times.wall.reserve(frames);
    times.cpu.reserve(frames);
    for (size_t i = 0; i < frames; ++i) {
        const double wall0 = WallMs();
        const double cpu0 = ThreadCpuMs();
        draw(i);
        const double cpu1 = ThreadCpuMs();
        finish();
        const double wall1 = WallMs();
        times.wall.push_back(wall1 - wall0);
        times.cpu.push_back(cpu1 - cpu0);
    }
    return times;
}

}  // namespace bench

namespace bench {

// The result line of a frame benchmark. Draw calls or vertices below 0 are
// not known for that renderer and left out.
void PrintFrameResult(std::string_view impl, int multiplier, double flakesPerFrame,
                      double drawCallsPerFrame, double verticesPerFrame, const FrameTimes& times);

}  // namespace bench
