// The closing fade on the real framework, drawn into an offscreen display
// (SDL_VIDEODRIVER=offscreen, Mesa) and read back: its first steps still add
// the picture to the last frame of the snowfall, and its last leaves every
// pixel white.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "framework/draw2d/gldraw2d/readback.h"
#include "framework/framework.h"
#include "media/media.h"
#include "scene/colourcycle.h"
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

TEST(ClosingFade, AddsThePictureTwiceThenEndsOnAWhiteScreen) {
    // Nothing here is listened to: SDL's silent sound output, whatever sound
    // device the machine has.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    fw::IncbinAdd("pic4.png", snowfall_media_pic4_png, snowfall_media_pic4_png_length);
    fw::IncbinAdd("flake.png", snowfall_media_flake_png, snowfall_media_flake_png_length);
    fw::InitFramework();
    ASSERT_TRUE(fw::Graphics(1024, 768, 0, 60, 0));
    fw::testing::KeepLibrariesLoaded();
    fw::SeedRnd(12345);
    fw::SetBlend(4);
    fw::SetMaskColor(255, 0, 255);
    imgRed = fw::LoadImage("incbin::pic4.png", -1);
    imgFlake = fw::LoadImage("incbin::flake.png", -1);
    ASSERT_TRUE(imgRed);
    ASSERT_TRUE(imgFlake);
    fw::MidHandleImage(imgFlake);
    StartColourCycle();
    objList = fw::New<fw::TList>();

    for (int frame = 0; frame < 3; ++frame) {
        DrawFrame();
        fw::Flip(0);
    }
    int before = Brightness(kSkyX, kSkyY);
    ASSERT_GT(before, 0);

    // The fade as the main body runs it. Steps 0 and 1 draw the picture
    // under the snowfall's additive blending (step 0's fade draws nothing and
    // so leaves it in force), so the sky grows brighter; from step 2 on the
    // blend mode is the fade's own.
    counter = 0;
    while (counter <= 100) {
        fw::DrawImage(imgRed, 0.0f, 0.0f, 0);
        FadeToWhite(float(counter));
        fw::Flip(0);
        if (counter <= 1) {
            const int now = Brightness(kSkyX, kSkyY);
            EXPECT_GT(now, before) << "step " << counter;
            before = now;
        }
        counter = counter + 1;
    }

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
