// The drawing state, placing and images, through the recording driver: no
// display needed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "framework/draw2d/draw2d.h"
#include "framework/draw2d/recorddriver.h"
#include "framework/graphics/graphicsdriver.h"
#include "tests/framework/testpictures.h"

namespace fw {

// In a file that includes draw2d.h alone.
Ref<TImage> NewImageWithDraw2DAlone();

namespace {

using testing::RegisterPicture;
using testing::SolidPicture;

struct Box {
    float left, top, right, bottom;
};

Box Bounds(const TQuad& q) {
    return {*std::min_element(q.x, q.x + 4), *std::min_element(q.y, q.y + 4),
            *std::max_element(q.x, q.x + 4), *std::max_element(q.y, q.y + 4)};
}

class Draw2D : public ::testing::Test {
protected:
    void SetUp() override {
        driver = New<TRecordDriver>();
        SetGraphicsDriver(driver);
        ASSERT_TRUE(Graphics(1024, 768, 0, 60, 0));
    }
    void TearDown() override {
        EndGraphics();
        SetGraphicsDriver(nullptr);
    }

    // The quad of a 1 × 1 rectangle drawn at (0, 0) with the state in force.
    TQuad Probe() {
        driver->draws.clear();
        DrawRect(0, 0, 1, 1);
        EXPECT_EQ(driver->draws.size(), 1u);
        return driver->draws.back().quad;
    }

    Ref<TRecordDriver> driver;
};

TEST_F(Draw2D, GraphicsGivesTheStartingState) {
    SetColor(1, 2, 3);
    SetAlpha(0.25f);
    SetBlend(4);
    SetHandle(5, 6);
    SetRotation(30);
    SetScale(2, 3);
    ASSERT_TRUE(Graphics(1024, 768, 0, 60, 0));

    driver->draws.clear();
    DrawRect(10, 20, 5, 6);
    ASSERT_EQ(driver->draws.size(), 1u);
    const TQuad q = driver->draws[0].quad;
    EXPECT_EQ(driver->draws[0].frame, 0);
    EXPECT_EQ(q.red, 255);
    EXPECT_EQ(q.green, 255);
    EXPECT_EQ(q.blue, 255);
    EXPECT_EQ(q.alpha, 255);
    EXPECT_EQ(q.blend, 1);
    const float x[4] = {10, 15, 15, 10}, y[4] = {20, 20, 26, 26};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(q.x[i], x[i]) << i;
        EXPECT_FLOAT_EQ(q.y[i], y[i]) << i;
    }
}

TEST_F(Draw2D, AlphaIsClampedAndHeldAsATruncatedByte) {
    const std::pair<float, int> cases[] = {{1.5f, 255}, {-0.2f, 0},  {0.01f, 2},
                                           {0.5f, 127}, {1.0f, 255}, {0.0f, 0},
                                           {std::numeric_limits<float>::quiet_NaN(), 0}};
    for (const auto& [alpha, held] : cases) {
        SetAlpha(alpha);
        EXPECT_EQ(Probe().alpha, held) << alpha;
    }
}

TEST_F(Draw2D, EveryHundredthOfAlphaGivesItsShareOf255Truncated) {
    // The fade's steps, level / 100 for levels 1 to 100: 255 × k / 100 with
    // the fraction dropped, also where the share is whole (51 at 20, 255 at
    // 100) and so must not come out one short.
    for (int k = 1; k <= 100; ++k) {
        SetAlpha(float(k) / 100.0f);
        EXPECT_EQ(Probe().alpha, 255 * k / 100) << "k = " << k;
    }
    const std::pair<int, int> worked[] = {{1, 2}, {2, 5}, {50, 127}, {99, 252}, {100, 255}};
    for (const auto& [k, held] : worked) {
        SetAlpha(float(k) / 100.0f);
        EXPECT_EQ(Probe().alpha, held) << "k = " << k;
    }
}

TEST_F(Draw2D, ColourComponentsAreClamped) {
    SetColor(300, -5, 128);
    const TQuad q = Probe();
    EXPECT_EQ(q.red, 255);
    EXPECT_EQ(q.green, 0);
    EXPECT_EQ(q.blue, 128);
}

TEST_F(Draw2D, BlendModesOneToFiveAreKeptOthersIgnored) {
    for (int mode = 1; mode <= 5; ++mode) {
        SetBlend(mode);
        EXPECT_EQ(Probe().blend, mode);
    }
    SetBlend(3);
    SetBlend(0);
    EXPECT_EQ(Probe().blend, 3);
    SetBlend(6);
    EXPECT_EQ(Probe().blend, 3);
}

TEST_F(Draw2D, RotatedRectangleTurnsClockwiseAboutItsHandle) {
    SetRotation(90);
    driver->draws.clear();
    DrawRect(100, 100, 10, 2);
    ASSERT_EQ(driver->draws.size(), 1u);
    const TQuad q = driver->draws[0].quad;
    // The top left corner stays on the draw point; the top edge, pointing
    // right, now points down the screen.
    EXPECT_NEAR(q.x[0], 100, 1e-4);
    EXPECT_NEAR(q.y[0], 100, 1e-4);
    EXPECT_NEAR(q.x[1], 100, 1e-4);
    EXPECT_NEAR(q.y[1], 110, 1e-4);
    const Box b = Bounds(q);
    EXPECT_NEAR(b.left, 98, 1e-4);
    EXPECT_NEAR(b.right, 100, 1e-4);
    EXPECT_NEAR(b.top, 100, 1e-4);
    EXPECT_NEAR(b.bottom, 110, 1e-4);
}

TEST_F(Draw2D, ScaleComesBeforeTheTurn) {
    // Scaled first, (10, 2) becomes (20, 2); turned by 90 it covers x -2..0
    // and y 0..20. Turned first it would cover x -4..0 and y 0..10.
    SetScale(2, 1);
    SetRotation(90);
    driver->draws.clear();
    DrawRect(0, 0, 10, 2);
    const Box b = Bounds(driver->draws.at(0).quad);
    EXPECT_NEAR(b.left, -2, 1e-4);
    EXPECT_NEAR(b.right, 0, 1e-4);
    EXPECT_NEAR(b.top, 0, 1e-4);
    EXPECT_NEAR(b.bottom, 20, 1e-4);
}

TEST_F(Draw2D, HandleLandsOnTheDrawPointAtAnyScaleAndTurn) {
    SetHandle(4, 3);
    SetScale(1.5f, 0.5f);
    SetRotation(-37);
    driver->draws.clear();
    DrawRect(300, 200, 8, 6);
    const TQuad q = driver->draws.at(0).quad;
    // The handle lies at (4, 3) of an 8 × 6 rectangle: its centre, which is
    // the middle of the diagonal.
    EXPECT_NEAR((q.x[0] + q.x[2]) / 2, 300, 1e-3);
    EXPECT_NEAR((q.y[0] + q.y[2]) / 2, 200, 1e-3);
    // Corner (−4, −3) scaled to (−6, −1.5), turned by −37 degrees.
    const double turn = -37 * std::numbers::pi / 180;
    const double s = std::sin(turn), c = std::cos(turn);
    EXPECT_NEAR(q.x[0], 300 + -6 * c - -1.5 * s, 1e-3);
    EXPECT_NEAR(q.y[0], 200 + -6 * s + -1.5 * c, 1e-3);
}

TEST_F(Draw2D, MidHandledFlakeAtScaleCoversItsShareCentredOnTheDrawPoint) {
    Ref<TImage> flake =
        LoadImage(RegisterPicture(*SolidPicture(50, 48, PixelFormat::RGBA8888, 255, 255, 255)));
    ASSERT_TRUE(flake);
    MidHandleImage(flake);
    EXPECT_EQ(flake->handleX, 25);
    EXPECT_EQ(flake->handleY, 24);
    SetScale(0.7f, 0.7f);
    driver->draws.clear();
    DrawImage(flake, 200, 300);
    ASSERT_EQ(driver->draws.size(), 1u);
    EXPECT_NE(driver->draws[0].frame, 0);
    const Box b = Bounds(driver->draws[0].quad);
    EXPECT_NEAR(b.right - b.left, 35, 1e-4);
    EXPECT_NEAR(b.bottom - b.top, 33.6, 1e-4);
    EXPECT_NEAR((b.left + b.right) / 2, 200, 1e-4);
    EXPECT_NEAR((b.top + b.bottom) / 2, 300, 1e-4);
}

TEST_F(Draw2D, AHandleOfOneOnAnOddSideLeavesTheExtraPixelRightAndBelow) {
    // Side 3, handle (1, 1) at (10, 10): one pixel to the left and above the
    // draw point, two to the right and below; side 2 lies evenly about it.
    SetHandle(1, 1);
    driver->draws.clear();
    DrawRect(10, 10, 3, 3);
    DrawRect(10, 10, 2, 2);
    ASSERT_EQ(driver->draws.size(), 2u);
    const Box odd = Bounds(driver->draws[0].quad);
    EXPECT_FLOAT_EQ(odd.left, 9);
    EXPECT_FLOAT_EQ(odd.top, 9);
    EXPECT_FLOAT_EQ(odd.right, 12);
    EXPECT_FLOAT_EQ(odd.bottom, 12);
    const Box even = Bounds(driver->draws[1].quad);
    EXPECT_FLOAT_EQ(even.left, 9);
    EXPECT_FLOAT_EQ(even.top, 9);
    EXPECT_FLOAT_EQ(even.right, 11);
    EXPECT_FLOAT_EQ(even.bottom, 11);
}

TEST_F(Draw2D, ImagesUseTheirOwnHandleRectanglesSetHandles) {
    Ref<TImage> image = New<TImage>();
    image->width = 10;
    image->height = 10;
    image->pixmap = SolidPicture(10, 10, PixelFormat::RGB888, 1, 2, 3);
    image->handleX = 2;
    image->handleY = 3;
    SetHandle(7, 7);
    driver->draws.clear();
    DrawImage(image, 50, 50);
    DrawRect(50, 50, 10, 10);
    ASSERT_EQ(driver->draws.size(), 2u);
    EXPECT_FLOAT_EQ(driver->draws[0].quad.x[0], 48);
    EXPECT_FLOAT_EQ(driver->draws[0].quad.y[0], 47);
    EXPECT_FLOAT_EQ(driver->draws[1].quad.x[0], 43);
    EXPECT_FLOAT_EQ(driver->draws[1].quad.y[0], 43);
}

TEST_F(Draw2D, ImagesWithNothingToDrawDrawNothing) {
    Ref<TImage> image = NewImageWithDraw2DAlone();
    image->width = 4;
    image->height = 4;
    driver->draws.clear();
    DrawImage(nullptr, 0, 0);
    DrawImage(image, 0, 0);  // no picture
    image->pixmap = SolidPicture(4, 4, PixelFormat::RGB888, 0, 0, 0);
    DrawImage(image, 0, 0, 1);  // it has only frame 0
    EXPECT_TRUE(driver->draws.empty());
    MidHandleImage(nullptr);
    EXPECT_EQ(ImageWidth(nullptr), 0);
    EXPECT_EQ(ImageHeight(nullptr), 0);
}

TEST_F(Draw2D, NothingIsDrawnWithoutAnOpenDisplay) {
    Ref<TImage> image = New<TImage>();
    image->width = image->height = 2;
    image->pixmap = SolidPicture(2, 2, PixelFormat::RGB888, 0, 0, 0);
    EndGraphics();
    driver->log.clear();
    Cls();
    DrawRect(0, 0, 5, 5);
    DrawImage(image, 0, 0);
    Flip(0);
    Flip(-1);
    EXPECT_TRUE(driver->log.empty());
    EXPECT_EQ(GraphicsWidth(), 0);
    EXPECT_EQ(GraphicsHeight(), 0);
}

TEST_F(Draw2D, NothingIsDrawnWhenTheModeCouldNotBeSet) {
    driver->refuseMode = true;
    EXPECT_FALSE(Graphics(1024, 768, 16, 60, 0));
    driver->log.clear();
    Cls();
    DrawRect(0, 0, 5, 5);
    Flip(-1);
    EXPECT_TRUE(driver->log.empty());
}

TEST_F(Draw2D, TextureIsMadeAtTheFirstDrawAfterGraphicsAndReused) {
    const std::string url = RegisterPicture(*SolidPicture(6, 5, PixelFormat::RGB888, 9, 9, 9));
    EndGraphics();
    // Loaded with no display open: nothing for the driver yet.
    Ref<TImage> image = LoadImage(url, 2);
    ASSERT_TRUE(image);
    ASSERT_TRUE(Graphics(1024, 768, 0, 60, 0));
    EXPECT_EQ(driver->framesMade, 0);
    DrawImage(image, 0, 0);
    DrawImage(image, 10, 0);
    EXPECT_EQ(driver->framesMade, 1);
    EXPECT_EQ(driver->draws.at(0).frame, driver->draws.at(1).frame);
    // A new display cannot use the old one's textures.
    ASSERT_TRUE(Graphics(1024, 768, 0, 60, 0));
    DrawImage(image, 0, 0);
    DrawImage(image, 0, 0);
    EXPECT_EQ(driver->framesMade, 2);
    EXPECT_EQ(driver->log.back(), "image 2");
    EXPECT_NE(std::find(driver->log.begin(), driver->log.end(), "frame 2 6x5 2"),
              driver->log.end());
}

TEST_F(Draw2D, LoadImageTakesTheAutomaticFlagsAndMasksRgbPictures) {
    Ref<TPixmap> picture = SolidPicture(3, 1, PixelFormat::RGB888, 255, 0, 255);
    picture->PixelPtr(1, 0)[0] = 10;  // (10, 0, 255) in the middle
    const std::string url = RegisterPicture(*picture);
    SetMaskColor(255, 0, 255);

    Ref<TImage> image = LoadImage(url);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->flags, 3);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 1);
    EXPECT_EQ(ImageWidth(image), 3);
    EXPECT_EQ(ImageHeight(image), 1);
    EXPECT_EQ(image->handleX, 0);
    EXPECT_EQ(image->handleY, 0);
    EXPECT_EQ(image->maskRed, 255);
    EXPECT_EQ(image->maskGreen, 0);
    EXPECT_EQ(image->maskBlue, 255);
    ASSERT_EQ(image->pixmap->format, PixelFormat::RGBA8888);
    EXPECT_EQ(image->pixmap->PixelPtr(0, 0)[3], 0);
    EXPECT_EQ(image->pixmap->PixelPtr(1, 0)[3], 255);
    EXPECT_EQ(image->pixmap->PixelPtr(2, 0)[3], 0);
    // A masked pixel takes its neighbours' colour.
    EXPECT_EQ(image->pixmap->PixelPtr(0, 0)[0], 10);

    // Without flag 1 the picture is left as it is.
    Ref<TImage> plain = LoadImage(url, 2);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->flags, 2);
    EXPECT_EQ(plain->pixmap->format, PixelFormat::RGB888);
}

TEST_F(Draw2D, MaskColourIsKeptAsGivenAndComparedExactly) {
    const std::string url = RegisterPicture(*SolidPicture(1, 1, PixelFormat::RGB888, 255, 0, 255));
    // 511 is not 255: no pixel matches, though a clamped 511 would.
    SetMaskColor(511, 0, 255);
    Ref<TImage> image = LoadImage(url, 1);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->maskRed, 511);
    EXPECT_EQ(image->pixmap->PixelPtr(0, 0)[3], 255);
}

TEST_F(Draw2D, PicturesWithAlphaKeepTheirOwn) {
    Ref<TPixmap> picture = SolidPicture(2, 2, PixelFormat::RGBA8888, 255, 0, 255, 77);
    SetMaskColor(255, 0, 255);
    Ref<TImage> image = LoadImage(RegisterPicture(*picture), 1);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->pixmap->format, PixelFormat::RGBA8888);
    EXPECT_EQ(image->pixmap->pixels, picture->pixels);
}

TEST_F(Draw2D, MaskColourSetBeforeGraphicsIsForgotten) {
    Ref<TPixmap> picture = SolidPicture(2, 1, PixelFormat::RGB888, 255, 0, 255);
    picture->PixelPtr(1, 0)[0] = 0;
    picture->PixelPtr(1, 0)[2] = 0;  // black
    const std::string url = RegisterPicture(*picture);
    EndGraphics();
    SetMaskColor(255, 0, 255);
    ASSERT_TRUE(Graphics(1024, 768, 0, 60, 0));
    Ref<TImage> image = LoadImage(url, -1);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->maskRed, 0);
    EXPECT_EQ(image->maskBlue, 0);
    // The mask colour is black again: magenta stays, black goes.
    EXPECT_EQ(image->pixmap->PixelPtr(0, 0)[3], 255);
    EXPECT_EQ(image->pixmap->PixelPtr(1, 0)[3], 0);
}

TEST_F(Draw2D, LoadImageGivesNullForWhatItCannotLoad) {
    EXPECT_FALSE(LoadImage("incbin::no such picture"));
    static const char junk[] = "not a picture at all";
    IncbinAdd("draw2d junk", junk, sizeof junk);
    EXPECT_FALSE(LoadImage("incbin::draw2d junk", -1));
}

TEST_F(Draw2D, MidHandleIsHalfTheSize) {
    Ref<TImage> image = New<TImage>();
    image->width = 5;
    image->height = 3;
    MidHandleImage(image);
    EXPECT_FLOAT_EQ(image->handleX, 2.5f);
    EXPECT_FLOAT_EQ(image->handleY, 1.5f);
}

TEST_F(Draw2D, SettingsStayAcrossClsAndFlip) {
    SetColor(10, 20, 30);
    SetAlpha(0.5f);
    SetBlend(4);
    Cls();
    Flip(0);
    const TQuad q = Probe();
    EXPECT_EQ(q.red, 10);
    EXPECT_EQ(q.green, 20);
    EXPECT_EQ(q.blue, 30);
    EXPECT_EQ(q.alpha, 127);
    EXPECT_EQ(q.blend, 4);
}

}  // namespace
}  // namespace fw
