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

#include <SDL.h>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <vector>

#include "bench/common/benchscene.h"
#include "bench/common/benchutil.h"
#include "bench/common/drawlist.h"
#include "bench/common/floorgl.h"
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

// One more copy of the render target into the window, as Flip makes it.
void CopyTargetToWindow() {
    GLint target = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &target);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(target));
    glBlitFramebuffer(0, 0, 1024, 768, 0, 0, 1024, 768, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(target));
}

double Median(std::vector<double> values) { return bench::Summarise(std::move(values)).median; }

struct Paired {
    std::vector<double> overFloor;  // ours / the floor's, median frame of each block
    std::vector<double> copyMs;     // a frame with one more copy − ours
};

// The shared machine's load drifts: the variants run in turns, `block`
// frames each, in one process on one context, and each block of ours is
// compared with the floor's and the extra copy's blocks next to it. Ours
// draws the scene's next frames; the floor replays the same frames from the
// list; the third variant is ours with one more copy of the target into the
// window, which measures what the copy costs. The order of the three turns
// rotates, so no variant always follows the same one.
template <class Ours>
Paired Alternate(const bench::DrawList& list, int frames, int block, Ours ours) {
    if (list.Frames() == 0 || block <= 0) throw std::runtime_error("bad --list or --block");
    fw::Ref<fw::TPixmap> background = fw::LoadPixmap("incbin::pic4.png");
    fw::Ref<fw::TPixmap> flake = fw::LoadPixmap("incbin::flake.png");
    if (!background || !flake) throw std::runtime_error("cannot load the pictures");
    const bench::FloorRenderer floor(list, *background, *flake);
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    Paired paired;
    // The scene's frames drawn so far, which are the list's frames too.
    int drawn = 0;
    for (int turn = 0; drawn + 2 * block <= frames; ++turn) {
        std::vector<double> a, f, c;
        auto place = [&](int variant) { return (variant - turn % 3 + 3) % 3; };
        // The frames the block of ours draws, which the floor's replays.
        const int first = drawn + (place(2) < place(0) ? block : 0);
        for (int v = 0; v < 3; ++v) {
            switch ((v + turn) % 3) {
            case 0:
                for (int i = 0; i < block; ++i, ++drawn) a.push_back(ours(false));
                break;
            case 1: {
                GLint target = 0;
                glGetIntegerv(GL_FRAMEBUFFER_BINDING, &target);
                for (int i = 0; i < block; ++i) {
                    const double wall0 = bench::WallMs();
                    floor.Draw(size_t(first + i) % list.Frames());
                    SDL_GL_SwapWindow(window);
                    glFinish();
                    f.push_back(bench::WallMs() - wall0);
                }
                glBindFramebuffer(GL_FRAMEBUFFER, GLuint(target));
                break;
            }
            default:
                for (int i = 0; i < block; ++i, ++drawn) c.push_back(ours(true));
            }
        }
        paired.overFloor.push_back(Median(a) / Median(f));
        paired.copyMs.push_back(Median(c) - Median(a));
    }
    return paired;
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

    // Each timed frame as the program's loop runs it: the frame, Flip, the
    // look at Escape; then glFinish, so the driver's work is counted in it.
    bench::FrameTimes times;
    std::vector<double> frameCpu, flipCpu;
    int64_t flakes = 0, calls = 0, countedQuads = 0;
    auto ours = [&](bool extraCopy) {
        // Every flake alive and the four × mult born are drawn once.
        if (!extraCopy) flakes += bench::LiveFlakes() + 4 * mult;
        const int64_t calls0 = fw::DrawCallCount();
        const int64_t quads0 = counting ? counting->quads : 0;
        const double wall0 = bench::WallMs();
        const double cpu0 = bench::ThreadCpuMs();
        bench::SceneFrame(mult);
        const double cpu1 = bench::ThreadCpuMs();
        fw::Flip(0);
        fw::KeyDown(27);
        if (extraCopy) CopyTargetToWindow();
        const double cpu2 = bench::ThreadCpuMs();
        glFinish();
        const double wall1 = bench::WallMs();
        if (extraCopy) return wall1 - wall0;
        calls += fw::DrawCallCount() - calls0;
        if (counting) countedQuads += counting->quads - quads0;
        times.wall.push_back(wall1 - wall0);
        times.cpu.push_back(cpu2 - cpu0);
        frameCpu.push_back(cpu1 - cpu0);
        flipCpu.push_back(cpu2 - cpu1);
        return wall1 - wall0;
    };
    const std::string listPath = bench::TextOption(argc, argv, "list", "");
    Paired paired;
    if (listPath.empty()) {
        for (int i = 0; i < frames; ++i) ours(false);
    } else {
        paired = Alternate(bench::ReadDrawList(listPath), frames,
                           int(bench::IntOption(argc, argv, "block", 10)), ours);
    }
    const int timed = int(times.wall.size());
    const double perFrame = 1.0 / timed;
    const double quads = counting ? double(countedQuads) * perFrame
                                  : double(flakes + timed) * perFrame;
    bench::Result r("frame");
    r.Add("impl", "snowfall").Add("display", bench::DisplayName()).Add("mult", mult);
    r.Add("frames", int64_t(timed)).Add("flakes", double(flakes) * perFrame);
    r.Add("draw_calls", double(calls) * perFrame);
    r.Add("vertices", quads * 4).Add("vertices_counted", counting ? "yes" : "no");
    r.Add("wall", bench::Summarise(times.wall)).Add("cpu", bench::Summarise(times.cpu));
    r.Add("cpu_scene_only", bench::Summarise(sceneCpu));
    r.Add("cpu_frame", bench::Summarise(frameCpu)).Add("cpu_flip", bench::Summarise(flipCpu));
    r.Add("renderer", bench::NoSpaces(reinterpret_cast<const char*>(glGetString(GL_RENDERER))));
    r.Add("gl_version", bench::NoSpaces(reinterpret_cast<const char*>(glGetString(GL_VERSION))));
    r.Print();
    if (!listPath.empty()) {
        bench::Result p("frame_paired");
        p.Add("display", bench::DisplayName()).Add("mult", mult);
        p.Add("blocks", int64_t(paired.overFloor.size()));
        p.Add("over_floor", bench::Summarise(paired.overFloor));
        p.Add("copy_ms", bench::Summarise(paired.copyMs));
        p.Print();
    }
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
