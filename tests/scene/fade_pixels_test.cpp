// The whole program on the real framework, drawn into an offscreen display
// (SDL_VIDEODRIVER=offscreen, Mesa) and read back, with Escape pressed
// through SDL's event queue after three frames: the closing fade's first
// steps still add the picture to the last frame of the snowfall, and its
// last leaves every pixel white.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "framework/draw2d/gldraw2d/readback.h"
#include "framework/framework.h"
#include "framework/runtime/trace.h"
#include "scene/snowfall.h"
#include "tests/framework/keeploaded.h"

namespace {

// A pixel of the night sky that no flake reaches in a few frames; the
// picture there is a dim blue, (40, 73, 146).
constexpr int kSkyX = 512, kSkyY = 300;

// Red + green + blue of a pixel of the render target.
int Brightness(int x, int y) {
    const std::vector<uint8_t> p = fw::ReadRenderTarget(x, y, 1, 1);
    return p.size() == 4 ? p[0] + p[1] + p[2] : -1;
}

// Watches the run: Escape goes down after the third frame, and the sky is
// read after it and after each of the fade's first two steps.
class Watch final : public fw::TTracer {
public:
    void Called(const fw::TTraceCall& call) override {
        if (std::string_view(call.op) != "Flip") return;
        ++flips;
        if (flips == 3) {
            SDL_Event press = {};
            press.type = SDL_KEYDOWN;
            press.key.state = SDL_PRESSED;
            press.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
            SDL_PushEvent(&press);
        }
        if (flips >= 3 && flips <= 5) sky.push_back(Brightness(kSkyX, kSkyY));
    }
    int flips = 0;
    std::vector<int> sky;
};

TEST(ClosingFade, AddsThePictureTwiceThenEndsOnAWhiteScreen) {
    // Nothing here is listened to: SDL's silent sound output, whatever sound
    // device the machine has.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    Watch watch;
    fw::SetTracer(&watch);
    EXPECT_EQ(SnowfallMain(), 0);
    fw::SetTracer(nullptr);
    fw::testing::KeepLibrariesLoaded();

    // Steps 0 and 1 draw the picture under the snowfall's additive blending
    // (step 0's fade draws nothing and so leaves it in force), so the sky
    // grows brighter; from step 2 on the blend mode is the fade's own.
    ASSERT_EQ(watch.sky.size(), 3u);
    EXPECT_GT(watch.sky[0], 0);
    EXPECT_GT(watch.sky[1], watch.sky[0]) << "step 0";
    EXPECT_GT(watch.sky[2], watch.sky[1]) << "step 1";
    EXPECT_EQ(watch.flips, 3 + 101);

    const std::vector<uint8_t> screen = fw::ReadRenderTarget(0, 0, 1024, 768);
    ASSERT_EQ(screen.size(), size_t(1024 * 768 * 4));
    size_t notWhite = 0, first = screen.size();
    for (size_t i = 0; i < screen.size(); i += 4) {
        if (screen[i] != 255 || screen[i + 1] != 255 || screen[i + 2] != 255) {
            if (notWhite++ == 0) first = i / 4;
        }
    }
    EXPECT_EQ(notWhite, 0u) << "the first at (" << first % 1024 << ", " << first / 1024 << "): "
                            << int(screen[first * 4]) << ", " << int(screen[first * 4 + 1]) << ", "
                            << int(screen[first * 4 + 2]);

    o = nullptr;
    objList = nullptr;
    imgRed = nullptr;
    imgFlake = nullptr;
}

}  // namespace
