// Records the scene's draws for the peers and the floor: the scene's own
// start-up state from a fixed seed, `--warmup` frames with nothing recorded,
// then `--frames` frames written to `--out`, each with 4 × `--mult` flakes
// born. bench_frame draws the very same frames with the framework.
//
//   bench_record --out FILE [--seed S] [--mult M] [--warmup W] [--frames N]

#include <cstdio>
#include <exception>
#include <stdexcept>

#include "bench/common/benchscene.h"
#include "bench/common/benchutil.h"
#include "bench/record/standins.h"
#include "framework/framework.h"

int main(int argc, char** argv) {
    try {
        const std::string out = bench::TextOption(argc, argv, "out", "");
        const int32_t seed = int32_t(bench::IntOption(argc, argv, "seed", 20241224));
        const int mult = int(bench::IntOption(argc, argv, "mult", 1));
        const int warmup = int(bench::IntOption(argc, argv, "warmup", 2000));
        const int frames = int(bench::IntOption(argc, argv, "frames", 300));
        if (out.empty()) throw std::runtime_error("--out FILE is needed");

        bench::RegisterMedia();
        bench::StartScene(seed);
        // No display is open while warming up: the stand-ins record nothing.
        for (int i = 0; i < warmup; ++i) bench::SceneFrame(mult);
        fw::Graphics(1024, 768, 16, 60, 0);
        fw::SetBlend(4);
        for (int i = 0; i < frames; ++i) {
            bench::SceneFrame(mult);
            fw::Flip(0);
        }
        bench::DrawList& list = bench::Recording();
        list.seed = seed;
        list.multiplier = mult;
        list.warmup = warmup;
        bench::WriteDrawList(out, list);
        bench::Result("record")
            .Add("mult", mult)
            .Add("frames", int64_t(list.Frames()))
            .Add("draws", int64_t(list.draws.size()))
            .Add("live_flakes", int64_t(bench::LiveFlakes()))
            .Print();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_record: %s\n", e.what());
        return 1;
    }
    return 0;
}
