// Peer: SDL2's own 2D renderer (its OpenGL back end, batching on), replaying
// the scene's draws: pictures with SDL_RenderCopyExF, squares with
// SDL_RenderGeometry, all with SDL_BLENDMODE_ADD, the background last.
//
//   bench_sdlrenderer --list FILE [--media DIR] [--warm N]

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/common/benchutil.h"
#include "bench/common/drawlist.h"
#include "framework/pixmap/pixmap.h"

namespace {

using bench::Draw;
using bench::DrawKind;

SDL_Texture* LoadTexture(SDL_Renderer* renderer, const std::string& path) {
    fw::Ref<fw::TPixmap> pixmap = fw::LoadPixmap(path);
    if (!pixmap) throw std::runtime_error("cannot load " + path);
    std::vector<uint8_t> rgba(size_t(pixmap->width) * size_t(pixmap->height) * 4);
    const bool alpha = pixmap->format == fw::PixelFormat::RGBA8888;
    for (int y = 0; y < pixmap->height; ++y) {
        const uint8_t* from = pixmap->PixelPtr(0, y);
        uint8_t* to = &rgba[size_t(y) * size_t(pixmap->width) * 4];
        for (int x = 0; x < pixmap->width; ++x, from += alpha ? 4 : 3, to += 4) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            to[3] = alpha ? from[3] : 255;
        }
    }
    SDL_Texture* texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGBA32,
                                             SDL_TEXTUREACCESS_STATIC, pixmap->width,
                                             pixmap->height);
    if (!texture) throw std::runtime_error(SDL_GetError());
    SDL_UpdateTexture(texture, nullptr, rgba.data(), pixmap->width * 4);
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_ADD);
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeLinear);
    return texture;
}

void Run(int argc, char** argv) {
    const bench::DrawList list = bench::ReadDrawList(bench::TextOption(argc, argv, "list", ""));
    const std::string media = bench::TextOption(argc, argv, "media", SNOWFALL_MEDIA_DIR);
    const size_t warm = size_t(bench::IntOption(argc, argv, "warm", 10));
    if (list.Frames() == 0) throw std::runtime_error("the draw list holds no frame");

    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
    // Naming a driver turns batching off unless it is asked for.
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) throw std::runtime_error(SDL_GetError());
    SDL_Window* window = SDL_CreateWindow("sdlrenderer", SDL_WINDOWPOS_CENTERED,
                                          SDL_WINDOWPOS_CENTERED, 1024, 768, SDL_WINDOW_OPENGL);
    if (!window) throw std::runtime_error(SDL_GetError());
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (!renderer) throw std::runtime_error(SDL_GetError());
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer, &info);
    if (std::string(info.name) != "opengl")
        throw std::runtime_error(std::string("SDL chose the ") + info.name + " renderer");

    SDL_Texture* background = LoadTexture(renderer, media + "/pic4.png");
    SDL_Texture* flake = LoadTexture(renderer, media + "/flake.png");
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_ADD);
    const int indices[6] = {0, 1, 2, 0, 2, 3};

    const size_t frames = list.Frames();
    const bench::FrameTimes times = bench::TimeFrames(
        warm, frames,
        [&](size_t i) {
            const size_t f = i % frames;
            SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
            SDL_RenderClear(renderer);
            for (const Draw* d = list.Begin(f); d != list.End(f); ++d) {
                if (d->kind == DrawKind::Rect) {
                    // SDL's geometry takes corners on the screen, so the
                    // caller turns the square itself.
                    float x[4], y[4];
                    bench::Corners(*d, x, y);
                    SDL_Vertex v[4];
                    for (int k = 0; k < 4; ++k) {
                        v[k].position = {x[k], y[k]};
                        v[k].color = {d->red, d->green, d->blue, d->alpha};
                        v[k].tex_coord = {0, 0};
                    }
                    SDL_RenderGeometry(renderer, nullptr, v, 4, indices, 6);
                    continue;
                }
                SDL_Texture* texture = d->kind == DrawKind::Flake ? flake : background;
                SDL_SetTextureColorMod(texture, d->red, d->green, d->blue);
                SDL_SetTextureAlphaMod(texture, d->alpha);
                const SDL_FRect to = {d->x - d->handleX * d->scaleX, d->y - d->handleY * d->scaleY,
                                      d->width * d->scaleX, d->height * d->scaleY};
                const SDL_FPoint centre = {d->handleX * d->scaleX, d->handleY * d->scaleY};
                SDL_RenderCopyExF(renderer, texture, nullptr, &to, d->rotation, &centre,
                                  SDL_FLIP_NONE);
            }
            SDL_RenderPresent(renderer);
        },
        [] { glFinish(); });

    const double quads = double(list.draws.size()) / double(frames);
    bench::PrintFrameResult("sdl_renderer", list.multiplier, quads - 1, -1, -1, times);

    SDL_DestroyTexture(flake);
    SDL_DestroyTexture(background);
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_sdlrenderer: %s\n", e.what());
        return 1;
    }
    return 0;
}
