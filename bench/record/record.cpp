// Records the scene's draws for the peers and the floor: the scene's own
// start-up state from a fixed seed, `--warmup` frames with nothing recorded,
// then `--frames` frames written to `--out`, each with 4 × `--mult` flakes
// born. bench_frame draws the very same frames with the framework.
//
// The scene runs on the framework with the recording display
// (tools/snowtrace/scenerun.h): each draw takes its colour, byte alpha and
// blend mode from the quad that draw2d hands the display, and its position,
// size, handle, rotation and scale from the calls the trace reports.
//
//   bench_record --out FILE [--seed S] [--mult M] [--warmup W] [--frames N]

#include <cstdio>
#include <exception>
#include <stdexcept>

#include "bench/common/benchscene.h"
#include "bench/common/benchutil.h"
#include "bench/common/drawlist.h"
#include "scene/snowfall.h"
#include "tools/snowtrace/scenerun.h"

namespace {

// The calls' arguments in force, as the draws are made.
struct Placement {
    float handleX = 0, handleY = 0, rotation = 0, scaleX = 1, scaleY = 1;
};

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string out = bench::TextOption(argc, argv, "out", "");
        const int32_t seed = int32_t(bench::IntOption(argc, argv, "seed", 20241224));
        const int mult = int(bench::IntOption(argc, argv, "mult", 1));
        const int warmup = int(bench::IntOption(argc, argv, "warmup", 2000));
        const int frames = int(bench::IntOption(argc, argv, "frames", 300));
        if (out.empty()) throw std::runtime_error("--out FILE is needed");

        scenerun::SceneRun run(seed);
        run.keep = false;
        run.display->keep = false;
        bench::StartScene(seed);
        // No display is open while warming up: nothing is drawn.
        for (int i = 0; i < warmup; ++i) bench::SceneFrame(mult);

        bench::DrawList list;
        Placement placed;
        bool inFrame = false;
        fw::TRecordDriver& display = *run.display;
        auto add = [&](bench::DrawKind kind, float x, float y, float w, float h, float hx, float hy) {
            if (!inFrame || display.draws.empty()) return;
            const fw::TQuad& quad = display.draws.back().quad;
            bench::Draw d{};
            d.kind = kind;
            d.red = quad.red;
            d.green = quad.green;
            d.blue = quad.blue;
            d.alpha = quad.alpha;
            d.blend = uint8_t(quad.blend);
            d.x = x;
            d.y = y;
            d.width = w;
            d.height = h;
            d.handleX = hx;
            d.handleY = hy;
            d.rotation = placed.rotation;
            d.scaleX = placed.scaleX;
            d.scaleY = placed.scaleY;
            list.draws.push_back(d);
            display.draws.clear();
        };
        run.observe = [&](const fw::TTraceCall& call) {
            const std::string_view op = call.op;
            auto real = [&](size_t i) { return std::get<float>(call.args[i]); };
            if (op == "Graphics") {
                placed = Placement{};
            } else if (op == "SetHandle") {
                placed.handleX = real(0);
                placed.handleY = real(1);
            } else if (op == "SetRotation") {
                placed.rotation = real(0);
            } else if (op == "SetScale") {
                placed.scaleX = real(0);
                placed.scaleY = real(1);
            } else if (op == "DrawImage") {
                const auto* image = dynamic_cast<const fw::TImage*>(std::get<const fw::Object*>(call.args[0]));
                if (!image) return;
                add(image == imgRed.get() ? bench::DrawKind::Background : bench::DrawKind::Flake, real(1),
                    real(2), float(image->width), float(image->height), image->handleX, image->handleY);
            } else if (op == "DrawRect") {
                add(bench::DrawKind::Rect, real(0), real(1), real(2), real(3), placed.handleX,
                    placed.handleY);
            } else if (op == "Cls") {
                // A frame that was not closed by Flip is dropped.
                list.draws.resize(list.first.back());
                inFrame = true;
            } else if (op == "Flip" && inFrame) {
                // What was drawn since its Cls is one frame.
                list.first.push_back(uint32_t(list.draws.size()));
                inFrame = false;
            }
        };
        fw::Graphics(1024, 768, 16, 60, 0);
        display.keep = true;
        fw::SetBlend(4);
        for (int i = 0; i < frames; ++i) {
            bench::SceneFrame(mult);
            fw::Flip(0);
            display.log.clear();
        }
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
