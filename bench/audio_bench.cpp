// The jingle made ready to play: decoded and converted to the output's format
// (what LoadSound does at start-up) against the decode alone, in time and in
// peak memory. The conversion should add no more than 10 % to the decode.
//
// Two views: Google Benchmark's loops, where the allocator hands the same
// memory back round after round (warm), and single loads in new processes of
// this program, as at start-up, where every page of the new buffers is
// touched for the first time (cold); those also give the peak memory.
//
// The output is SDL's dummy driver, so the benchmark needs no sound device
// and makes no noise, yet LoadSound converts exactly as for a real one.
#include <SDL_mixer.h>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "framework/audio/audio.h"
#include "framework/audio/mixeraudio/mixeraudio.h"

namespace {

const char* const kJingle = SNOWFALL_MEDIA_DIR "/hohoho.ogg";

void Decode(benchmark::State& state) {
    for (auto _ : state) {
        fw::Ref<fw::TAudioSample> sample = fw::LoadAudioSample(kJingle);
        if (!sample) state.SkipWithError("the jingle does not decode");
        benchmark::DoNotOptimize(sample.get());
    }
}

void DecodeAndConvert(benchmark::State& state) {
    for (auto _ : state) {
        fw::Ref<fw::TSound> sound = fw::LoadSound(kJingle);
        if (!sound) state.SkipWithError("the jingle does not load");
        benchmark::DoNotOptimize(sound.get());
    }
}

// The conversion alone, from a sample decoded beforehand.
void Convert(benchmark::State& state) {
    fw::Ref<fw::TAudioSample> sample = fw::LoadAudioSample(kJingle);
    if (!sample) {
        state.SkipWithError("the jingle does not decode");
        return;
    }
    for (auto _ : state) {
        fw::Ref<fw::TSound> sound = fw::LoadSound(sample);
        benchmark::DoNotOptimize(sound.get());
    }
}

BENCHMARK(Decode)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeAndConvert)->Unit(benchmark::kMillisecond);
BENCHMARK(Convert)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration for the summary.
class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred) times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

long long StatusBytes(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) return std::atoll(line.c_str() + std::string(key).size()) * 1024;
    }
    return -1;
}

struct Cold {
    double ms = 0;
    double peakMB = 0;  // growth of the resident set at its peak
};

// One load in this process, fresh: its wall time and how far the resident
// set rose above where it stood before.
Cold LoadOnce(bool convert) {
    // Large blocks straight from the system and back to it, so that the
    // resident set follows what is allocated.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak
    const long long before = StatusBytes("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    const bool ok = convert ? bool(fw::LoadSound(kJingle)) : bool(fw::LoadAudioSample(kJingle));
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!ok) return {};
    return {ms, double(StatusBytes("VmHWM:") - before) / 1e6};
}

// The median of `rounds` loads, each in a new process of this program; the
// peak is the largest seen.
Cold MedianCold(const char* what, int rounds) {
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return {};
    exe[n] = 0;
    std::vector<Cold> runs;
    for (int i = 0; i < rounds; ++i) {
        const std::string command = std::string("'") + exe + "' --cold " + what;
        FILE* child = popen(command.c_str(), "r");
        if (!child) return {};
        Cold run;
        const bool got = std::fscanf(child, "%lf %lf", &run.ms, &run.peakMB) == 2;
        if (pclose(child) != 0 || !got || run.ms <= 0) return {};
        runs.push_back(run);
    }
    std::sort(runs.begin(), runs.end(), [](const Cold& a, const Cold& b) { return a.ms < b.ms; });
    Cold median = runs[runs.size() / 2];
    for (const Cold& run : runs) median.peakMB = std::max(median.peakMB, run.peakMB);
    return median;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    fw::InitAudio();
    int hertz = 0, channels = 0;
    Uint16 format = 0;
    if (!Mix_QuerySpec(&hertz, &format, &channels)) {
        std::fprintf(stderr, "audio_bench: SDL's dummy audio output did not open\n");
        return 1;
    }
    // A child of the cold runs: "--cold decode" or "--cold load".
    if (argc == 3 && std::string(argv[1]) == "--cold") {
        const Cold cold = LoadOnce(std::string(argv[2]) == "load");
        std::printf("%f %f\n", cold.ms, cold.peakMB);
        return cold.ms > 0 ? 0 : 1;
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    auto& t = collector.times;
    if (t.count("Decode") && t.count("DecodeAndConvert") && t.count("Convert")) {
        std::printf("warm: decode %.1f ms, decode and convert %.1f ms (ratio %.3f), conversion alone %.1f ms = %.1f %% of the decode (target: at most 10 %%)\n",
                    t["Decode"], t["DecodeAndConvert"], t["DecodeAndConvert"] / t["Decode"], t["Convert"],
                    100 * t["Convert"] / t["Decode"]);
    }
    const Cold decode = MedianCold("decode", 5);
    const Cold load = MedianCold("load", 5);
    if (decode.ms > 0 && load.ms > 0) {
        std::printf("cold: decode %.1f ms, peak +%.1f MB; decode and convert %.1f ms, peak +%.1f MB; time ratio %.3f, peak ratio %.2f\n",
                    decode.ms, decode.peakMB, load.ms, load.peakMB, load.ms / decode.ms, load.peakMB / decode.peakMB);
    }
    return 0;
}
