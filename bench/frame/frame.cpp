// Our frame: the scene's own code (Obj, the colour cycle, the frame) on the
// real framework and its OpenGL driver, from a fixed seed, warmed up until
// the number of flakes is steady, then drawn unpaced: each timed frame is the
// scene's frame, Flip(0) (shown at once, no pacing) and glFinish, so the
// driver's work is counted in it. bench_record writes the very same frames
// for the peers and the floor.
//
//   bench_frame [--seed S] [--mult M] [--warmup W] [--frames N] [--warm G] [--count]
//   bench_frame --hash [--seed S] [--frames N]
//
// --hash times nothing: it draws N frames from the start of the scene and
// then the closing fade, and prints one hash of the render target as each
// of them left it, so a change to the drawing can be shown to leave every
// pixel as it was.
// --count draws through a thin driver that counts the quads it is handed
// (one more virtual call a draw); without it the vertices are reckoned from
// the flakes drawn (every flake and the background are one quad each).

#include <epoxy/gl.h>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <vector>

#include "bench/common/benchscene.h"
#include "bench/common/benchutil.h"
#include "framework/draw2d/draw2ddriver.h"
#include "framework/draw2d/gldraw2d/gldraw2d.h"
#include "framework/draw2d/gldraw2d/readback.h"
#include "framework/framework.h"
#include "scene/snowfall.h"

namespace {

// Hands everything on to the OpenGL driver and counts the quads.
class CountingDriver : public fw::TDraw2DDriver {
public:
    explicit CountingDriver(fw::Ref<fw::TDraw2DDriver> driver) : driver_(std::move(driver)) {}

    fw::Ref<fw::TGraphics> CreateGraphics(int width, int height, int depth, int hertz,
                                          int flags) override {
        return driver_->CreateGraphics(width, height, depth, hertz, flags);
    }
    void CloseGraphics(fw::TGraphics& graphics) override { driver_->CloseGraphics(graphics); }
    bool CanWaitForRefresh() override { return driver_->CanWaitForRefresh(); }
    void Cls() override { driver_->Cls(); }
    void Flip(bool waitForRefresh) override { driver_->Flip(waitForRefresh); }
    void MovePointer(int x, int y) override { driver_->MovePointer(x, y); }
    fw::Ref<fw::TImageFrame> CreateFrame(const fw::TPixmap& pixmap, int flags) override {
        return driver_->CreateFrame(pixmap, flags);
    }
    void DrawFrame(fw::TImageFrame& frame, const fw::TQuad& quad) override {
        ++quads;
        driver_->DrawFrame(frame, quad);
    }
    void DrawRect(const fw::TQuad& quad) override {
        ++quads;
        driver_->DrawRect(quad);
    }

    int64_t quads = 0;

private:
    fw::Ref<fw::TDraw2DDriver> driver_;
};

// FNV-1a over the bytes.
uint64_t Hash(uint64_t hash, const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) hash = (hash ^ b) * 1099511628211u;
    return hash;
}

// The scene from its start, drawn as the program draws it: the snowfall,
// then the fade over its last frame.
void HashFrames(int32_t seed, int frames) {
    bench::StartScene(seed);
    if (!fw::Graphics(1024, 768, 16, 60, 0)) throw std::runtime_error("no display");
    fw::SetBlend(4);
    uint64_t hash = 14695981039346656037u;
    auto shown = [&] {
        fw::Flip(0);
        hash = Hash(hash, fw::ReadRenderTarget(0, 0, 1024, 768));
    };
    for (int i = 0; i < frames; ++i) {
        DrawFrame();
        shown();
    }
    for (int step = 0; step <= 100; ++step) {
        fw::DrawImage(imgRed, 0.0f, 0.0f, 0);
        FadeToWhite(float(step));
        shown();
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    bench::Result r("frame_hash");
    r.Add("seed", int64_t(seed)).Add("frames", int64_t(frames)).Add("fade_frames", int64_t(101));
    r.Add("display", bench::DisplayName()).Add("hash", text);
    r.Print();
    fw::EndGraphics();
}

void Run(int argc, char** argv) {
    const int32_t seed = int32_t(bench::IntOption(argc, argv, "seed", 20241224));
    const int mult = int(bench::IntOption(argc, argv, "mult", 1));
    const int warmup = int(bench::IntOption(argc, argv, "warmup", 2000));
    const int frames = int(bench::IntOption(argc, argv, "frames", 300));
    const int warmGL = int(bench::IntOption(argc, argv, "warm", 10));
    const bool count = bench::FlagOption(argc, argv, "count");
    if (warmGL > warmup) throw std::runtime_error("--warm must not exceed --warmup");

    bench::RegisterMedia();
    fw::InitFramework();
    if (bench::FlagOption(argc, argv, "hash")) {
        HashFrames(seed, frames);
        return;
    }
    fw::Ref<CountingDriver> counting;
    if (count) {
        counting = fw::New<CountingDriver>(fw::GLDraw2DDriver());
        fw::SetGraphicsDriver(counting);
    }

    bench::StartScene(seed);
    // With no display open the draws draw nothing: these frames run the
    // scene alone. The last of them are timed as the scene's own CPU cost.
    std::vector<double> sceneCpu;
    for (int i = 0; i < warmup - warmGL; ++i) {
        const double cpu0 = bench::ThreadCpuMs();
        bench::SceneFrame(mult);
        if (i >= warmup - warmGL - frames) sceneCpu.push_back(bench::ThreadCpuMs() - cpu0);
    }

    if (!fw::Graphics(1024, 768, 16, 60, 0)) throw std::runtime_error("no display");
    fw::SetBlend(4);
    for (int i = 0; i < warmGL; ++i) {
        bench::SceneFrame(mult);
        fw::Flip(0);
        glFinish();
    }

    bench::FrameTimes times;
    std::vector<double> frameCpu, flipCpu;
    int64_t flakes = 0;
    const int64_t calls0 = fw::DrawCallCount();
    const int64_t quads0 = counting ? counting->quads : 0;
    for (int i = 0; i < frames; ++i) {
        // Every flake alive and the four × mult born are drawn once.
        flakes += bench::LiveFlakes() + 4 * mult;
        const double wall0 = bench::WallMs();
        const double cpu0 = bench::ThreadCpuMs();
        bench::SceneFrame(mult);
        const double cpu1 = bench::ThreadCpuMs();
        fw::Flip(0);
        const double cpu2 = bench::ThreadCpuMs();
        glFinish();
        const double wall1 = bench::WallMs();
        times.wall.push_back(wall1 - wall0);
        times.cpu.push_back(cpu2 - cpu0);
        frameCpu.push_back(cpu1 - cpu0);
        flipCpu.push_back(cpu2 - cpu1);
    }
    const double perFrame = 1.0 / frames;
    const double quads = counting ? double(counting->quads - quads0) * perFrame
                                  : double(flakes + frames) * perFrame;
    bench::Result r("frame");
    r.Add("impl", "snowfall").Add("display", bench::DisplayName()).Add("mult", mult);
    r.Add("frames", int64_t(frames)).Add("flakes", double(flakes) * perFrame);
    r.Add("draw_calls", double(fw::DrawCallCount() - calls0) * perFrame);
    r.Add("vertices", quads * 4).Add("vertices_counted", counting ? "yes" : "no");
    r.Add("wall", bench::Summarise(times.wall)).Add("cpu", bench::Summarise(times.cpu));
    r.Add("cpu_scene_only", bench::Summarise(sceneCpu));
    r.Add("cpu_frame", bench::Summarise(frameCpu)).Add("cpu_flip", bench::Summarise(flipCpu));
    r.Add("renderer", bench::NoSpaces(reinterpret_cast<const char*>(glGetString(GL_RENDERER))));
    r.Add("gl_version", bench::NoSpaces(reinterpret_cast<const char*>(glGetString(GL_VERSION))));
    r.Print();
    fw::EndGraphics();
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_frame: %s\n", e.what());
        return 1;
    }
    return 0;
}
