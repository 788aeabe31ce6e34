// Peer: SFML 2.5, replaying the scene's draws: pictures as sf::Sprite,
// squares as sf::RectangleShape, all drawn with sf::BlendAdd, the background
// last. SFML opens its window through X11, so it runs under an X server only.
//
//   bench_sfml --list FILE [--media DIR] [--warm N]

#include <epoxy/gl.h>

#include <SFML/Graphics.hpp>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "bench/common/benchutil.h"
#include "bench/common/drawlist.h"

namespace {

using bench::Draw;
using bench::DrawKind;

void Load(sf::Texture& texture, const std::string& path) {
    if (!texture.loadFromFile(path)) throw std::runtime_error("cannot load " + path);
    texture.setSmooth(true);
}

void Run(int argc, char** argv) {
    const bench::DrawList list = bench::ReadDrawList(bench::TextOption(argc, argv, "list", ""));
    const std::string media = bench::TextOption(argc, argv, "media", SNOWFALL_MEDIA_DIR);
    const size_t warm = size_t(bench::IntOption(argc, argv, "warm", 10));
    if (list.Frames() == 0) throw std::runtime_error("the draw list holds no frame");

    sf::RenderWindow window(sf::VideoMode(1024, 768), "sfml", sf::Style::None);
    window.setVerticalSyncEnabled(false);
    window.setActive(true);

    sf::Texture backgroundTexture, flakeTexture;
    Load(backgroundTexture, media + "/pic4.png");
    Load(flakeTexture, media + "/flake.png");
    sf::Sprite background(backgroundTexture), flake(flakeTexture);
    sf::RectangleShape square;

    const size_t frames = list.Frames();
    const bench::FrameTimes times = bench::TimeFrames(
        warm, frames,
        [&](size_t i) {
            const size_t f = i % frames;
            window.clear(sf::Color::Black);
            for (const Draw* d = list.Begin(f); d != list.End(f); ++d) {
                const sf::Color colour(d->red, d->green, d->blue, d->alpha);
                if (d->kind == DrawKind::Rect) {
                    square.setSize({d->width, d->height});
                    square.setOrigin(d->handleX, d->handleY);
                    square.setPosition(d->x, d->y);
                    square.setRotation(d->rotation);
                    square.setScale(d->scaleX, d->scaleY);
                    square.setFillColor(colour);
                    window.draw(square, sf::BlendAdd);
                } else {
                    sf::Sprite& sprite = d->kind == DrawKind::Flake ? flake : background;
                    sprite.setOrigin(d->handleX, d->handleY);
                    sprite.setPosition(d->x, d->y);
                    sprite.setRotation(d->rotation);
                    sprite.setScale(d->scaleX, d->scaleY);
                    sprite.setColor(colour);
                    window.draw(sprite, sf::BlendAdd);
                }
            }
            window.display();
        },
        [] { glFinish(); });

    const double quads = double(list.draws.size()) / double(frames);
    bench::PrintFrameResult("sfml", list.multiplier, quads - 1, -1, -1, times);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_sfml: %s\n", e.what());
        return 1;
    }
    return 0;
}
