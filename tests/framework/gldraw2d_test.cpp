// Pixel tests of the OpenGL driver: draws into the render target of an
// offscreen display (SDL_VIDEODRIVER=offscreen, Mesa) and reads it back.
#include <gtest/gtest.h>

#include <SDL.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/draw2d/draw2d.h"
#include "framework/draw2d/gldraw2d/gldraw2d.h"
#include "framework/draw2d/gldraw2d/readback.h"
#include "framework/graphics/graphics.h"
#include "framework/graphics/graphicsdriver.h"
#include "framework/polledinput/polledinput.h"
#include "framework/runtime/runtime.h"
#include "tests/framework/keeploaded.h"
#include "tests/framework/testpictures.h"

namespace fw {
namespace {

using testing::KeepLibrariesLoaded;
using testing::RegisterPicture;
using testing::SolidPicture;
using Rgba = std::array<int, 4>;

Rgba Pixel(int x, int y) {
    std::vector<uint8_t> p = ReadRenderTarget(x, y, 1, 1);
    if (p.size() != 4) return {-1, -1, -1, -1};
    return {p[0], p[1], p[2], p[3]};
}

Rgba Rgb(int x, int y) {
    Rgba p = Pixel(x, y);
    p[3] = 0;
    return p;
}

void ExpectNear(const Rgba& got, const Rgba& want, int within, const char* what) {
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], within) << what << " component " << i;
}

// Fills the target with one colour, opaque.
void Fill(int r, int g, int b) {
    SetBlend(2);
    SetColor(r, g, b);
    SetAlpha(1);
    DrawRect(0, 0, 1024, 768);
}

Ref<TImage> Image(const Ref<TPixmap>& picture, int flags) {
    Ref<TImage> image = New<TImage>();
    image->width = picture->width;
    image->height = picture->height;
    image->flags = flags;
    image->pixmap = picture;
    return image;
}

class GLDraw2D : public ::testing::Test {
protected:
    void SetUp() override {
        SetGraphicsDriver(GLDraw2DDriver());
        ASSERT_TRUE(Graphics(1024, 768, 0, 60, 0));
        static bool kept = false;
        if (!kept) {
            KeepLibrariesLoaded();
            kept = true;
        }
    }
    void TearDown() override { SetGraphicsDriver(nullptr); }
};

TEST_F(GLDraw2D, GraphicsLeavesTheTargetBlack) {
    EXPECT_EQ(Pixel(0, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(Pixel(512, 384), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(Pixel(1023, 767), (Rgba{0, 0, 0, 255}));
}

TEST_F(GLDraw2D, AlphaIsDrawnAsItsByte) {
    // Solid mode writes the source as it is, alpha included.
    SetBlend(2);
    const std::pair<float, int> cases[] = {{1.5f, 255}, {-0.2f, 0}, {0.01f, 2}, {0.5f, 127}};
    int x = 100;
    for (const auto& [alpha, held] : cases) {
        SetAlpha(alpha);
        DrawRect(float(x), 100, 10, 10);
        EXPECT_EQ(Pixel(x + 5, 105)[3], held) << alpha;
        x += 20;
    }
    // Blended over black, the colour is weighted by the same byte.
    SetBlend(3);
    SetAlpha(0.01f);
    DrawRect(300, 100, 10, 10);
    EXPECT_EQ(Rgb(305, 105), (Rgba{2, 2, 2, 0}));
}

TEST_F(GLDraw2D, ColourIsClamped) {
    SetBlend(2);
    SetColor(300, -5, 128);
    DrawRect(10, 10, 20, 20);
    EXPECT_EQ(Pixel(20, 20), (Rgba{255, 0, 128, 255}));
}

TEST_F(GLDraw2D, RotatedRectangleCoversItsTurnedArea) {
    SetBlend(2);
    SetRotation(90);
    DrawRect(100, 100, 10, 2);
    const Rgba white{255, 255, 255, 255}, black{0, 0, 0, 255};
    for (int y = 100; y < 110; ++y) {
        EXPECT_EQ(Pixel(98, y), white) << y;
        EXPECT_EQ(Pixel(99, y), white) << y;
        EXPECT_EQ(Pixel(97, y), black) << y;
        EXPECT_EQ(Pixel(100, y), black) << y;
    }
    EXPECT_EQ(Pixel(99, 99), black);
    EXPECT_EQ(Pixel(99, 110), black);
}

TEST_F(GLDraw2D, MidHandledFlakeAtScaleCoversItsShareCentredOnThePoint) {
    Ref<TImage> flake = Image(SolidPicture(50, 48, PixelFormat::RGBA8888, 255, 255, 255), 3);
    MidHandleImage(flake);
    SetBlend(3);
    SetScale(0.7f, 0.7f);
    DrawImage(flake, 512, 384);
    // 35 × 33.6 centred on (512, 384): x 494.5 to 529.5, y 367.2 to 400.8.
    const Rgba black{0, 0, 0, 255};
    EXPECT_EQ(Rgb(495, 368), (Rgba{255, 255, 255, 0}));
    EXPECT_EQ(Rgb(528, 399), (Rgba{255, 255, 255, 0}));
    EXPECT_EQ(Rgb(512, 384), (Rgba{255, 255, 255, 0}));
    EXPECT_EQ(Pixel(493, 384), black);
    EXPECT_EQ(Pixel(530, 384), black);
    EXPECT_EQ(Pixel(512, 366), black);
    EXPECT_EQ(Pixel(512, 401), black);
}

TEST_F(GLDraw2D, AdditiveOverWhiteLeavesWhite) {
    Fill(255, 255, 255);
    SetBlend(4);
    SetColor(200, 100, 50);
    SetAlpha(1);
    DrawRect(100, 100, 50, 50);
    Ref<TImage> image = Image(SolidPicture(8, 8, PixelFormat::RGBA8888, 90, 180, 30, 200), 3);
    DrawImage(image, 300, 300);
    EXPECT_EQ(Pixel(120, 120), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(Pixel(304, 304), (Rgba{255, 255, 255, 255}));
}

TEST_F(GLDraw2D, AdditiveAddsTheWeightedSourceAndKeepsTargetAlpha) {
    Fill(10, 20, 30);
    SetBlend(4);
    SetColor(200, 100, 50);
    SetAlpha(0.5f);  // 127
    DrawRect(100, 100, 50, 50);
    ExpectNear(Pixel(120, 120),
               {10 + 200 * 127 / 255, 20 + 100 * 127 / 255, 30 + 50 * 127 / 255, 255}, 1,
               "additive");
}

TEST_F(GLDraw2D, AlphaBlendingMixesByAlpha) {
    Fill(100, 150, 200);
    SetBlend(3);
    SetColor(250, 50, 0);
    SetAlpha(0.3f);  // 76
    DrawRect(100, 100, 50, 50);
    const double a = 76 / 255.0;
    const Rgba want{int(250 * a + 100 * (1 - a) + 0.5), int(50 * a + 150 * (1 - a) + 0.5),
                    int(0 * a + 200 * (1 - a) + 0.5), 0};
    ExpectNear(Rgb(120, 120), want, 1, "alpha");
    // A picture's own alpha weighs in too: 128/255 × 76/255.
    Fill(100, 150, 200);
    SetBlend(3);
    SetColor(255, 255, 255);
    SetAlpha(0.3f);
    DrawImage(Image(SolidPicture(16, 16, PixelFormat::RGBA8888, 250, 50, 0, 128), 0), 200, 200);
    const double b = 128 / 255.0 * a;
    const Rgba want2{int(250 * b + 100 * (1 - b) + 0.5), int(50 * b + 150 * (1 - b) + 0.5),
                     int(200 * (1 - b) + 0.5), 0};
    ExpectNear(Rgb(208, 208), want2, 1, "picture alpha");
}

TEST_F(GLDraw2D, MaskModeDrawsOnlyWhereAlphaIsAtLeastHalf) {
    Fill(0, 0, 255);
    // Left half alpha 200, right half alpha 100.
    Ref<TPixmap> picture = SolidPicture(20, 10, PixelFormat::RGBA8888, 255, 0, 0, 200);
    for (int y = 0; y < 10; ++y)
        for (int x = 10; x < 20; ++x) picture->PixelPtr(x, y)[3] = 100;
    SetBlend(1);
    SetColor(255, 255, 255);
    SetAlpha(1);
    DrawImage(Image(picture, 0), 100, 100);
    // Replaced, not blended: the source's alpha is written as it is.
    EXPECT_EQ(Pixel(104, 105), (Rgba{255, 0, 0, 200}));
    EXPECT_EQ(Pixel(115, 105), (Rgba{0, 0, 255, 255}));

    // The held alpha counts as well: 127 is below half, 130 is not.
    SetAlpha(0.5f);
    DrawRect(200, 100, 10, 10);
    EXPECT_EQ(Pixel(205, 105), (Rgba{0, 0, 255, 255}));
    SetAlpha(0.51f);
    DrawRect(200, 100, 10, 10);
    EXPECT_EQ(Pixel(205, 105), (Rgba{255, 255, 255, 130}));
}

TEST_F(GLDraw2D, SolidAndMultiplyModes) {
    Fill(255, 255, 255);
    SetBlend(2);
    SetColor(10, 20, 30);
    SetAlpha(0.2f);
    DrawRect(100, 100, 10, 10);
    EXPECT_EQ(Pixel(105, 105), (Rgba{10, 20, 30, 51}));

    Fill(200, 100, 50);
    SetBlend(5);
    SetColor(128, 255, 0);
    SetAlpha(1);
    DrawRect(100, 100, 10, 10);
    ExpectNear(Pixel(105, 105), {200 * 128 / 255, 100, 0, 255}, 1, "multiply");
}

TEST_F(GLDraw2D, MaskedPicturesMaskPixelsAreTransparent) {
    // A 20 × 20 RGB picture: red, with a magenta square in its middle.
    Ref<TPixmap> picture = SolidPicture(20, 20, PixelFormat::RGB888, 255, 0, 0);
    for (int y = 5; y < 15; ++y)
        for (int x = 5; x < 15; ++x) {
            uint8_t* p = picture->PixelPtr(x, y);
            p[0] = 255;
            p[2] = 255;
        }
    const std::string url = RegisterPicture(*picture);
    SetMaskColor(255, 0, 255);
    Ref<TImage> image = LoadImage(url, 1);
    ASSERT_TRUE(image);
    Fill(0, 255, 0);
    SetBlend(3);
    SetColor(255, 255, 255);
    DrawImage(image, 100, 100);
    EXPECT_EQ(Rgb(102, 102), (Rgba{255, 0, 0, 0}));
    EXPECT_EQ(Rgb(110, 110), (Rgba{0, 255, 0, 0}));
    EXPECT_EQ(Rgb(106, 113), (Rgba{0, 255, 0, 0}));
}

TEST_F(GLDraw2D, MaskColourSetBeforeGraphicsHasNoEffect) {
    Ref<TPixmap> picture = SolidPicture(20, 10, PixelFormat::RGB888, 255, 0, 255);
    for (int y = 0; y < 10; ++y)
        for (int x = 10; x < 20; ++x) picture->PixelPtr(x, y)[0] = picture->PixelPtr(x, y)[2] = 0;
    const std::string url = RegisterPicture(*picture);
    SetMaskColor(255, 0, 255);
    ASSERT_TRUE(Graphics(1024, 768, 0, 60, 0));
    Ref<TImage> image = LoadImage(url, -1);
    ASSERT_TRUE(image);
    Fill(0, 255, 0);
    SetBlend(3);
    SetColor(255, 255, 255);
    DrawImage(image, 100, 100);
    // The mask colour is black again: the magenta half shows, the black half
    // is transparent.
    EXPECT_EQ(Rgb(104, 105), (Rgba{255, 0, 255, 0}));
    EXPECT_EQ(Rgb(115, 105), (Rgba{0, 255, 0, 0}));
}

TEST_F(GLDraw2D, FullSizePictureAtOriginCoversTheTargetOneToOne) {
    Ref<TPixmap> picture = CreatePixmap(1024, 768, PixelFormat::RGB888);
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            uint8_t* p = picture->PixelPtr(x, y);
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = uint8_t((x >> 8) | ((y >> 8) << 4));
        }
    // Filtered, as the automatic flags have it.
    Ref<TImage> image = Image(picture, 3);
    SetBlend(4);
    DrawImage(image, 0, 0);
    const std::vector<uint8_t> target = ReadRenderTarget(0, 0, 1024, 768);
    ASSERT_EQ(target.size(), size_t(1024) * 768 * 4);
    int wrong = 0;
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            const uint8_t* got = &target[(size_t(y) * 1024 + size_t(x)) * 4];
            const uint8_t* want = picture->PixelPtr(x, y);
            if (got[0] != want[0] || got[1] != want[1] || got[2] != want[2]) {
                if (++wrong <= 5) ADD_FAILURE() << "pixel " << x << ", " << y;
            }
        }
    EXPECT_EQ(wrong, 0);
}

TEST_F(GLDraw2D, FlakesOfBothKindsUnderOneBlendModeAreOneDrawCall) {
    Ref<TImage> flake = Image(SolidPicture(50, 48, PixelFormat::RGBA8888, 255, 255, 255, 128), 3);
    Ref<TImage> background = Image(SolidPicture(1024, 768, PixelFormat::RGB888, 0, 0, 40), 3);
    MidHandleImage(flake);
    Cls();
    SetBlend(4);
    const int64_t before = DrawCallCount();
    // A rectangle first, before any picture has settled the texture.
    for (int i = 0; i < 1000; ++i) {
        SetColor(100 + i % 156, 200, 255);
        SetAlpha(float(i % 10) / 10);
        SetRotation(float(i));
        if (i % 2 == 0) {
            SetScale(1, 1);
            DrawRect(float(i % 1000), float(i % 500), 3, 3);
        } else {
            SetScale(0.5f, 0.5f);
            DrawImage(flake, float(i % 1000), float(i % 500));
        }
    }
    SetColor(255, 255, 255);
    SetAlpha(1);
    SetRotation(0);
    SetScale(1, 1);
    DrawImage(background, 0, 0);
    Flip(0);
    EXPECT_EQ(DrawCallCount() - before, 2);

    // A change of blend mode or of picture starts a new batch.
    Cls();
    const int64_t again = DrawCallCount();
    DrawImage(flake, 10, 10);
    SetBlend(3);
    DrawImage(flake, 10, 10);
    DrawImage(background, 0, 0);
    DrawRect(0, 0, 1, 1);
    ReadRenderTarget(0, 0, 1, 1);
    EXPECT_EQ(DrawCallCount() - again, 3);
}

TEST_F(GLDraw2D, RectanglesAmongPicturesKeepTheirOwnColour) {
    Ref<TImage> red = Image(SolidPicture(10, 10, PixelFormat::RGB888, 255, 0, 0), 3);
    Ref<TImage> blue = Image(SolidPicture(10, 10, PixelFormat::RGB888, 0, 0, 255), 0);
    SetBlend(2);
    SetColor(0, 200, 0);
    DrawRect(50, 50, 10, 10);  // before the batch has a picture
    SetColor(255, 255, 255);
    DrawImage(red, 100, 50);
    SetColor(0, 200, 0);
    DrawRect(150, 50, 10, 10);  // sampling the red picture's texture
    SetColor(255, 255, 255);
    DrawImage(blue, 200, 50);
    SetColor(7, 8, 9);
    DrawRect(250, 50, 10, 10);  // and the blue one's
    EXPECT_EQ(Pixel(55, 55), (Rgba{0, 200, 0, 255}));
    EXPECT_EQ(Pixel(105, 55), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(155, 55), (Rgba{0, 200, 0, 255}));
    EXPECT_EQ(Pixel(205, 55), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(255, 55), (Rgba{7, 8, 9, 255}));
}

TEST_F(GLDraw2D, FilteredPicturesBlendNeighboursUnfilteredTakeTheNearest) {
    // Two columns: black and white. Drawn at twice the size, half a pixel to
    // the right, a filtered picture shows a step between them; an unfiltered
    // one a hard edge.
    Ref<TPixmap> picture = SolidPicture(2, 1, PixelFormat::RGB888, 0, 0, 0);
    picture->PixelPtr(1, 0)[0] = picture->PixelPtr(1, 0)[1] = picture->PixelPtr(1, 0)[2] = 255;
    Fill(0, 0, 0);
    SetBlend(2);
    SetColor(255, 255, 255);
    SetScale(8, 8);
    DrawImage(Image(picture, 2), 100, 100);
    DrawImage(Image(picture, 0), 100, 200);
    const int filtered = Pixel(108, 104)[0];
    EXPECT_GT(filtered, 20);
    EXPECT_LT(filtered, 235);
    EXPECT_EQ(Pixel(107, 204)[0], 0);
    EXPECT_EQ(Pixel(108, 204)[0], 255);
    // Beyond the picture's edge nothing repeats: the edge columns stay as
    // they are up to the picture's borders.
    EXPECT_EQ(Pixel(100, 104)[0], 0);
    EXPECT_EQ(Pixel(115, 104)[0], 255);
    // Nor does the white below the picture bleed into its bottom row.
    EXPECT_EQ(Pixel(100, 107)[0], 0);
    // Unscaled but half a pixel off the grid, a filtered picture still blends.
    SetScale(1, 1);
    DrawImage(Image(picture, 2), 300.5f, 300);
    const int between = Pixel(301, 300)[0];
    EXPECT_GT(between, 20);
    EXPECT_LT(between, 235);
}

TEST_F(GLDraw2D, TargetKeepsItsContentAcrossFlip) {
    SetBlend(2);
    SetColor(1, 2, 3);
    DrawRect(10, 10, 10, 10);
    Flip(0);
    Flip(0);
    EXPECT_EQ(Pixel(15, 15), (Rgba{1, 2, 3, 255}));
    Cls();
    EXPECT_EQ(Pixel(15, 15), (Rgba{0, 0, 0, 255}));
}

TEST_F(GLDraw2D, ImagesAreRedrawnAfterANewGraphics) {
    Ref<TImage> image = Image(SolidPicture(10, 10, PixelFormat::RGB888, 30, 60, 90), 0);
    SetBlend(2);
    DrawImage(image, 10, 10);
    EXPECT_EQ(Pixel(15, 15), (Rgba{30, 60, 90, 255}));
    ASSERT_TRUE(Graphics(1024, 768, 0, 60, 0));
    SetBlend(2);
    DrawImage(image, 10, 10);
    EXPECT_EQ(Pixel(15, 15), (Rgba{30, 60, 90, 255}));
}

TEST_F(GLDraw2D, AnImageLetGoBeforeItsBatchIsDrawnStillShows) {
    SetBlend(2);
    {
        Ref<TImage> image = Image(SolidPicture(10, 10, PixelFormat::RGB888, 40, 50, 60), 0);
        DrawImage(image, 10, 10);
    }
    EXPECT_EQ(Pixel(15, 15), (Rgba{40, 50, 60, 255}));
}

TEST_F(GLDraw2D, ReadbackOutsideTheTargetIsEmpty) {
    EXPECT_TRUE(ReadRenderTarget(-1, 0, 2, 2).empty());
    EXPECT_TRUE(ReadRenderTarget(1023, 0, 2, 1).empty());
    EXPECT_TRUE(ReadRenderTarget(0, 767, 1, 2).empty());
    EXPECT_EQ(ReadRenderTarget(1023, 767, 1, 1).size(), 4u);
    EndGraphics();
    EXPECT_TRUE(ReadRenderTarget(0, 0, 1, 1).empty());
}

TEST_F(GLDraw2D, FullScreenOpensOffscreenToo) {
    ASSERT_TRUE(Graphics(1024, 768, 16, 60, 0));
    EXPECT_EQ(GraphicsWidth(), 1024);
    EXPECT_EQ(GraphicsHeight(), 768);
    SetBlend(2);
    SetColor(9, 8, 7);
    DrawRect(0, 0, 1024, 768);
    Flip(-1);
    EXPECT_EQ(Pixel(1000, 700), (Rgba{9, 8, 7, 255}));
}

TEST_F(GLDraw2D, FlipTakesInNoEvents) {
    SDL_Event press{};
    press.type = SDL_KEYDOWN;
    press.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    ASSERT_EQ(SDL_PushEvent(&press), 1);
    Flip(0);
    Flip(-1);
    SDL_Event seen;
    EXPECT_EQ(SDL_PeepEvents(&seen, 1, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYDOWN), 1);
    // Polled input takes it in.
    EXPECT_EQ(KeyDown(27), 1);
    // A new display starts with every key up.
    ASSERT_TRUE(Graphics(1024, 768, 0, 60, 0));
    EXPECT_EQ(KeyDown(27), 0);
}

TEST(GLGraphicsNoDisplay, NoWindowSystemIsAClearErrorAndExitStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto body = [] {
        unsetenv("SDL_VIDEODRIVER");
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        RunApplication([] {
            SetGraphicsDriver(GLDraw2DDriver());
            Graphics(1024, 768, 16, 60, 0);
            return 0;
        });
    };
    EXPECT_EXIT(body(), ::testing::ExitedWithCode(1),
                "Unable to open the display: no X11 or Wayland display found \\(DISPLAY is not "
                "set\\)");
}

}  // namespace
}  // namespace fw
