// The floor alone (bench/common/floorgl.h): every frame of the list drawn
// with a single call into the window and shown.
//
//   bench_floor --list FILE [--media DIR] [--warm N]

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "bench/common/benchutil.h"
#include "bench/common/drawlist.h"
#include "bench/common/floorgl.h"
#include "bench/common/glutil.h"
#include "framework/pixmap/pixmap.h"

namespace {

fw::Ref<fw::TPixmap> Load(const std::string& path) {
    fw::Ref<fw::TPixmap> pixmap = fw::LoadPixmap(path);
    if (!pixmap) throw std::runtime_error("cannot load " + path);
    return pixmap;
}

void Run(int argc, char** argv) {
    const bench::DrawList list = bench::ReadDrawList(bench::TextOption(argc, argv, "list", ""));
    const std::string media = bench::TextOption(argc, argv, "media", SNOWFALL_MEDIA_DIR);
    const size_t warm = size_t(bench::IntOption(argc, argv, "warm", 10));
    if (list.Frames() == 0) throw std::runtime_error("the draw list holds no frame");

    const auto [window, context] = bench::OpenGLWindow("floor");
    SDL_GL_SetSwapInterval(0);

    {
        const bench::FloorRenderer floor(list, *Load(media + "/pic4.png"),
                                         *Load(media + "/flake.png"));
        const size_t frames = list.Frames();
        const bench::FrameTimes times = bench::TimeFrames(
            warm, frames,
            [&](size_t i) {
                floor.Draw(i % frames);
                SDL_GL_SwapWindow(window);
            },
            [] { glFinish(); });
        const double quads = double(list.draws.size()) / double(frames);
        bench::PrintFrameResult("floor", list.multiplier, quads - 1, 1, quads * 4, times);
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_floor: %s\n", e.what());
        return 1;
    }
    return 0;
}
