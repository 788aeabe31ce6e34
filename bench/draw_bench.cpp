// The cost of drawing one frame of the snowfall through draw2d and the
// OpenGL driver: 1,225 flakes (pictures and squares interleaved, additive)
// plus the background, shown unpaced on an offscreen display, glFinish each
// frame. Against a floor measured in the same run: the very same quads,
// prebuilt in a static vertex buffer over one texture, drawn with one draw
// call and shown the same way. Prints ms per frame, draw calls per frame and
// the ratio to the floor.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/common/floorgl.h"
#include "framework/draw2d/draw2d.h"
#include "framework/draw2d/gldraw2d/gldraw2d.h"
#include "framework/draw2d/gldraw2d/readback.h"
#include "framework/draw2d/recorddriver.h"
#include "framework/graphics/graphics.h"
#include "framework/graphics/graphicsdriver.h"

namespace {

using namespace fw;

constexpr int kFlakes = 1225;

struct Flake {
    float x, y, alpha, scale;
    int angle, size;
    bool isSquare;
};

struct Scene {
    Ref<TImage> flake, background;
    std::vector<Flake> flakes;
    int red = 255, green = 230, blue = 200;
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

// A soft white disc, as the flake picture is.
Ref<TPixmap> FlakePicture() {
    Ref<TPixmap> p = CreatePixmap(50, 48, PixelFormat::RGBA8888);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 50; ++x) {
            const double d = std::hypot(x - 24.5, y - 23.5) / 24;
            uint8_t* px = p->PixelPtr(x, y);
            px[0] = px[1] = px[2] = 255;
            px[3] = uint8_t(d >= 1 ? 0 : 255 * (1 - d));
        }
    return p;
}

Ref<TPixmap> BackgroundPicture() {
    Ref<TPixmap> p = CreatePixmap(1024, 768, PixelFormat::RGB888);
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            uint8_t* px = p->PixelPtr(x, y);
            px[0] = uint8_t(x / 8);
            px[1] = uint8_t(y / 6);
            px[2] = uint8_t(60 + (x ^ y) % 64);
        }
    return p;
}

Ref<TImage> Image(Ref<TPixmap> picture) {
    Ref<TImage> image = New<TImage>();
    image->width = picture->width;
    image->height = picture->height;
    image->flags = 3;
    image->pixmap = std::move(picture);
    return image;
}

void MakeScene() {
    Scene& s = TheScene();
    s.flake = Image(FlakePicture());
    s.background = Image(BackgroundPicture());
    MidHandleImage(s.flake);
    uint32_t state = 12345;
    auto next = [&state](int n) {
        state = state * 1103515245u + 12345u;
        return int((state >> 8) % uint32_t(n));
    };
    for (int i = 0; i < kFlakes; ++i) {
        Flake f;
        f.x = float(next(1025));
        f.y = float(next(516) - 5);
        f.alpha = 0.2f + float(next(800)) / 1000;
        f.scale = 0.7f + float(next(600)) / 1000;
        f.angle = next(360);
        f.size = 2 + next(4);
        f.isSquare = next(2) == 1;
        s.flakes.push_back(f);
    }
}

// One frame as the scene draws it.
void DrawFrame() {
    const Scene& s = TheScene();
    Cls();
    SetBlend(4);
    SetColor(s.red, s.green, s.blue);
    for (const Flake& f : s.flakes) {
        SetAlpha(f.alpha);
        SetRotation(float(f.angle));
        if (!f.isSquare) {
            SetScale(f.scale, f.scale);
            DrawImage(s.flake, f.x, f.y);
        } else {
            SetScale(1, 1);
            const float h = float(f.size / 2);
            SetHandle(h, h);
            DrawRect(f.x, f.y, float(f.size), float(f.size));
        }
    }
    SetColor(255, 255, 255);
    SetAlpha(1);
    SetHandle(0, 0);
    SetRotation(0);
    SetScale(1, 1);
    DrawImage(s.background, 0, 0);
}

void BM_Frame(benchmark::State& state) {
    const int64_t before = DrawCallCount();
    for (auto _ : state) {
        DrawFrame();
        Flip(0);
        glFinish();
    }
    state.counters["draw_calls_per_frame"] =
        double(DrawCallCount() - before) / double(state.iterations());
}

// The floor's renderer: the floor's program (bench/common/floorgl.h), the
// frame's quads in a static buffer, one texture holding the background, the
// flake and a white row.
struct Floor {
    GLuint program = 0, texture = 0;
    bench::FloorBuffers quads;
    GLsizei count = 0;
};

// The frame's quads as draw2d hands them to a driver.
std::vector<TRecordDriver::TDraw> RecordFrame() {
    Ref<TRecordDriver> recorder = New<TRecordDriver>();
    SetGraphicsDriver(recorder);
    Graphics(1024, 768, 0, 60, 0);
    DrawFrame();
    EndGraphics();
    return recorder->draws;
}

Floor BuildFloor(const std::vector<TRecordDriver::TDraw>& draws) {
    Floor f;
    // Rows 0..767 the background; 769..816 the flake, with a transparent
    // row and column around it so that filtering at its edges finds what a
    // clamped edge would; 818 white.
    const int rows = 768 + 1 + 48 + 1 + 1;
    std::vector<uint8_t> texels(size_t(1024) * rows * 4, 0);
    const Scene& s = TheScene();
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            const uint8_t* p = s.background->pixmap->PixelPtr(x, y);
            uint8_t* t = &texels[(size_t(y) * 1024 + size_t(x)) * 4];
            t[0] = p[0], t[1] = p[1], t[2] = p[2], t[3] = 255;
        }
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 50; ++x) {
            const uint8_t* p = s.flake->pixmap->PixelPtr(x, y);
            uint8_t* t = &texels[(size_t(769 + y) * 1024 + size_t(x)) * 4];
            t[0] = p[0], t[1] = p[1], t[2] = p[2], t[3] = p[3];
        }
    std::fill(texels.end() - 1024 * 4, texels.end(), 255);
    // The flake is the first picture made, the background the second.
    const float h = float(rows);
    std::vector<bench::FloorVertex> vertices;
    for (const TRecordDriver::TDraw& d : draws) {
        float u[4], v[4];
        if (d.frame == 1) {
            const float r = 50 / 1024.0f, top = 769 / h, bottom = 817 / h;
            const float uu[4] = {0, r, r, 0}, vv[4] = {top, top, bottom, bottom};
            std::copy(uu, uu + 4, u), std::copy(vv, vv + 4, v);
        } else if (d.frame == 2) {
            const float bottom = 768 / h;
            const float uu[4] = {0, 1, 1, 0}, vv[4] = {0, 0, bottom, bottom};
            std::copy(uu, uu + 4, u), std::copy(vv, vv + 4, v);
        } else {
            std::fill(u, u + 4, 0.5f);
            std::fill(v, v + 4, 818.5f / h);
        }
        for (int i = 0; i < 4; ++i)
            vertices.push_back({d.quad.x[i], d.quad.y[i], u[i], v[i], d.quad.red, d.quad.green,
                                d.quad.blue, d.quad.alpha});
    }
    f.count = GLsizei(vertices.size() / 4 * 6);
    f.program = bench::BuildFloorProgram();
    f.quads = bench::LoadFloorQuads(vertices, vertices.size() / 4);
    glGenTextures(1, &f.texture);
    glBindTexture(GL_TEXTURE_2D, f.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1024, rows, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return f;
}

void BM_Floor(benchmark::State& state) {
    static const std::vector<TRecordDriver::TDraw> draws = [] {
        std::vector<TRecordDriver::TDraw> d = RecordFrame();
        SetGraphicsDriver(GLDraw2DDriver());
        Graphics(1024, 768, 0, 60, 0);
        return d;
    }();
    // The driver's blend state, given back before each Flip: the driver
    // keeps track of what it set.
    const GLboolean blend = glIsEnabled(GL_BLEND);
    GLint src = 0, dst = 0, srcAlpha = 0, dstAlpha = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &src);
    glGetIntegerv(GL_BLEND_DST_RGB, &dst);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &srcAlpha);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &dstAlpha);
    static const Floor f = BuildFloor(draws);

    for (auto _ : state) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glUseProgram(f.program);
        glBindVertexArray(f.quads.vertexArray);
        glBindTexture(GL_TEXTURE_2D, f.texture);
        glEnable(GL_BLEND);
        glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE, GL_ZERO, GL_ONE);
        glDrawElements(GL_TRIANGLES, f.count, GL_UNSIGNED_INT, nullptr);
        if (!blend) glDisable(GL_BLEND);
        glBlendFuncSeparate(GLenum(src), GLenum(dst), GLenum(srcAlpha), GLenum(dstAlpha));
        Flip(0);
        glFinish();
    }
    state.counters["draw_calls_per_frame"] = 1;
}

BENCHMARK(BM_Frame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Keeps each benchmark's real time per frame for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                msPerFrame[run.run_name.function_name] =
                    run.real_accumulated_time * 1000 / double(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> msPerFrame;
};

}  // namespace

int main(int argc, char** argv) {
    // Unpaced and with no X server: Mesa's offscreen display.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SetGraphicsDriver(GLDraw2DDriver());
    if (!Graphics(1024, 768, 0, 60, 0)) {
        std::fprintf(stderr, "draw_bench: no display\n");
        return 1;
    }
    MakeScene();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto frame = reporter.msPerFrame.find("BM_Frame");
    const auto floor = reporter.msPerFrame.find("BM_Floor");
    if (frame != reporter.msPerFrame.end() && floor != reporter.msPerFrame.end()) {
        std::printf("frame %.3f ms, floor %.3f ms: %.2f times the floor\n", frame->second,
                    floor->second, frame->second / floor->second);
    }
    EndGraphics();
    benchmark::Shutdown();
    return 0;
}
