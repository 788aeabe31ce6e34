#include "bench/common/benchutil.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

namespace bench {

double WallMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

Summary Summarise(std::vector<double> values) {
    Summary s;
    s.count = values.size();
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    // The smallest value with at least p of the values at or below it.
    auto rank = [&](double p) {
        size_t i = size_t(std::ceil(p * double(values.size())));
        return values[std::clamp<size_t>(i, 1, values.size()) - 1];
    };
    s.median = rank(0.5);
    s.p95 = rank(0.95);
    s.p99 = rank(0.99);
    s.min = values.front();
    s.max = values.back();
    double sum = 0;
    for (double v : values) sum += v;
    s.mean = sum / double(values.size());
    return s;
}

int64_t PeakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
    }
    return -1;
}

namespace {

const char* FindOption(int argc, char** argv, std::string_view name) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (argv[i] == std::string("--") + std::string(name)) return argv[i + 1];
    }
    return nullptr;
}

}  // namespace

int64_t IntOption(int argc, char** argv, std::string_view name, int64_t fallback) {
    const char* value = FindOption(argc, argv, name);
    return value ? std::atoll(value) : fallback;
}

std::string TextOption(int argc, char** argv, std::string_view name, std::string_view fallback) {
    const char* value = FindOption(argc, argv, name);
    return value ? std::string(value) : std::string(fallback);
}

bool FlagOption(int argc, char** argv, std::string_view name) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == std::string("--") + std::string(name)) return true;
    }
    return false;
}

std::string DisplayName() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && std::strcmp(driver, "offscreen") == 0) return "offscreen";
    const char* display = std::getenv("DISPLAY");
    return display && *display ? "x11" : "none";
}

std::string NoSpaces(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c == ' ') c = '_';
    return s;
}

Result::Result(std::string_view bench) : line_("result bench=") { line_ += bench; }

Result& Result::Add(std::string_view key, std::string_view value) {
    line_ += ' ';
    line_ += key;
    line_ += '=';
    line_ += value;
    return *this;
}

Result& Result::Add(std::string_view key, double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", value);
    return Add(key, std::string_view(text));
}

Result& Result::Add(std::string_view key, int64_t value) {
    return Add(key, std::string_view(std::to_string(value)));
}

Result& Result::Add(std::string_view key, const Summary& s) {
    const std::string k(key);
    Add(k + "_median", s.median);
    Add(k + "_p95", s.p95);
    Add(k + "_p99", s.p99);
    Add(k + "_mean", s.mean);
    Add(k + "_max", s.max);
    return *this;
}

void Result::Print() const {
    std::printf("%s\n", line_.c_str());
    std::fflush(stdout);
}

}  // namespace bench

namespace bench {

void PrintFrameResult(std::string_view impl, int multiplier, double flakesPerFrame,
                      double drawCallsPerFrame, double verticesPerFrame, const FrameTimes& times) {
    Result r("frame");
    r.Add("impl", impl).Add("display", DisplayName()).Add("mult", multiplier);
    r.Add("frames", int64_t(times.wall.size())).Add("flakes", flakesPerFrame);
    if (drawCallsPerFrame >= 0) r.Add("draw_calls", drawCallsPerFrame);
    if (verticesPerFrame >= 0) r.Add("vertices", verticesPerFrame);
    r.Add("wall", Summarise(times.wall)).Add("cpu", Summarise(times.cpu));
    r.Print();
}

}  // namespace bench
