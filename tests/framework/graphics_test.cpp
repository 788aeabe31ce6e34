// Opening the display and the pace of Flip, with the recording driver and a
// clock of the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/draw2d/recorddriver.h"
#include "framework/graphics/glgraphics.h"
#include "framework/graphics/graphics.h"
#include "framework/graphics/graphicsdriver.h"
#include "framework/runtime/runtime.h"

namespace fw {
namespace {

// Time moves only when the program sleeps, and by 1 µs each time it is read,
// as a real clock does while the program spins on it.
class TestClock : public Clock {
public:
    int64_t Micros() override { return now++; }
    void SleepMicros(int64_t us) override {
        if (us > 0) now += us;
    }
    int64_t now = 5'000'000'000;
};

class GraphicsPace : public ::testing::Test {
protected:
    void SetUp() override {
        SetClock(&clock);
        driver = New<TRecordDriver>();
        SetGraphicsDriver(driver);
    }
    void TearDown() override {
        EndGraphics();
        SetGraphicsDriver(nullptr);
        SetClock(nullptr);
    }

    // Opens the display and returns the moment Graphics returned.
    int64_t Open(int depth, int hertz) {
        EXPECT_TRUE(Graphics(1024, 768, depth, hertz, 0));
        shown = driver->shows.size();
        return clock.now;
    }

    // The times of the shows since Open, in whole ms after `start`. The
    // clock's own reading costs a few µs per frame; a late show would be
    // late by at least a millisecond.
    std::vector<int64_t> ShownAt(int64_t start) {
        std::vector<int64_t> ms;
        for (size_t i = shown; i < driver->shows.size(); ++i)
            ms.push_back((driver->shows[i].micros - start + 500) / 1000);
        return ms;
    }

    TestClock clock;
    Ref<TRecordDriver> driver;
    size_t shown = 0;
};

TEST_F(GraphicsPace, SixtyFramesAtSixtyHertzTakeExactlyOneSecond) {
    const int64_t start = Open(0, 60);
    for (int i = 0; i < 60; ++i) Flip(-1);
    const std::vector<int64_t> at = ShownAt(start);
    ASSERT_EQ(at.size(), 60u);
    const int64_t lengths[3] = {16, 17, 17};
    int64_t expected = 0;
    for (int i = 0; i < 60; ++i) {
        expected += lengths[i % 3];
        EXPECT_EQ(at[i], expected) << "frame " << i;
        EXPECT_FALSE(driver->shows[shown + i].waitedForRefresh);
    }
    EXPECT_EQ(at.back(), 1000);
    // Shown on time, not before it.
    EXPECT_GE(driver->shows.back().micros, start + 1'000'000 - 5);
    EXPECT_LT(driver->shows.back().micros, start + 1'000'000 + 200);
}

TEST_F(GraphicsPace, ALateFrameIsShownAtOnceAndTheScheduleGoesOnFromIt) {
    const int64_t start = Open(0, 60);
    Flip(-1);  // due at 16
    Flip(-1);  // due at 33
    clock.now += 100'000;  // the program worked for 100 ms
    const int64_t late = clock.now;
    Flip(-1);  // was due at 50: shown at once
    Flip(-1);
    Flip(-1);
    const std::vector<int64_t> at = ShownAt(start);
    ASSERT_EQ(at.size(), 5u);
    EXPECT_EQ(at[0], 16);
    EXPECT_EQ(at[1], 33);
    EXPECT_LT(driver->shows[shown + 2].micros - late, 100);
    // One frame after the late one, then the next: the lost 67 ms are not
    // made up. The remainder goes on: the frames after it last 16 and 17.
    const int64_t lateMs = at[2];
    EXPECT_EQ(at[3] - lateMs, 16);
    EXPECT_EQ(at[4] - lateMs, 33);
}

TEST_F(GraphicsPace, ScheduleStartsWhenGraphicsReturns) {
    const int64_t start = Open(0, 60);
    clock.now += 10'000;  // 10 ms of loading
    Flip(-1);
    const std::vector<int64_t> at = ShownAt(start);
    ASSERT_EQ(at.size(), 1u);
    EXPECT_EQ(at[0], 16);
}

TEST_F(GraphicsPace, FlipZeroShowsAtOnceOtherValuesWaitForTheRefresh) {
    driver->refreshMicros = 10'000;
    Open(0, 60);
    const int64_t before = clock.now;
    Flip(0);
    EXPECT_LT(driver->shows.back().micros - before, 100);
    EXPECT_FALSE(driver->shows.back().waitedForRefresh);
    Flip(1);
    EXPECT_TRUE(driver->shows.back().waitedForRefresh);
    Flip(2);
    EXPECT_TRUE(driver->shows.back().waitedForRefresh);
}

TEST_F(GraphicsPace, FullScreenThatKeepsTheRateFlipsOnTheRefresh) {
    driver->refreshMicros = 16'667;
    const int64_t before = clock.now;
    const int64_t start = Open(16, 60);
    // Three frames in a row are enough; the first may be a part of one.
    EXPECT_LT(start - before, 5 * 16'667);
    Flip(-1);
    Flip(-1);
    ASSERT_EQ(driver->shows.size(), shown + 2);
    EXPECT_TRUE(driver->shows[shown].waitedForRefresh);
    EXPECT_TRUE(driver->shows[shown + 1].waitedForRefresh);
}

TEST_F(GraphicsPace, RefreshAtAnotherRateIsMeasuredForOneSecondThenScheduled) {
    driver->refreshMicros = 10'000;  // 100 Hz, not the 60 asked for
    const int64_t before = clock.now;
    const int64_t start = Open(16, 60);
    EXPECT_GE(start - before, 1'000'000);
    EXPECT_LT(start - before, 1'000'000 + 20'000);
    for (int i = 0; i < 3; ++i) Flip(-1);
    const std::vector<int64_t> at = ShownAt(start);
    EXPECT_EQ(at, (std::vector<int64_t>{16, 33, 50}));
    EXPECT_FALSE(driver->shows.back().waitedForRefresh);
}

TEST_F(GraphicsPace, NoMeasurementWhereTheDisplayCannotWaitOrInAWindow) {
    // Cannot wait for the refresh at all: straight to the schedule.
    const int64_t before = clock.now;
    Open(16, 60);
    EXPECT_LT(clock.now - before, 1000);
    EXPECT_EQ(driver->shows.size(), 2u);  // the two black frames

    // A window is not measured either.
    driver->refreshMicros = 16'667;
    driver->shows.clear();
    Open(0, 60);
    EXPECT_EQ(driver->shows.size(), 2u);
    Flip(-1);
    EXPECT_FALSE(driver->shows.back().waitedForRefresh);
}

TEST_F(GraphicsPace, NoRateShowsAtOnce) {
    Open(0, 0);
    const int64_t before = clock.now;
    Flip(-1);
    EXPECT_LT(driver->shows.back().micros - before, 100);
}

TEST(Graphics, OpensInOrderAndClosesTheEarlierDisplay) {
    Ref<TRecordDriver> driver = New<TRecordDriver>();
    SetGraphicsDriver(driver);
    Ref<TGraphics> g = Graphics(1024, 768, 0, 60, 0);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->width, 1024);
    EXPECT_EQ(g->height, 768);
    EXPECT_EQ(GraphicsWidth(), 1024);
    EXPECT_EQ(GraphicsHeight(), 768);
    EXPECT_EQ(driver->log, (std::vector<std::string>{"open 1024x768 0 60 0", "cls", "show", "cls",
                                                      "show", "pointer 512 384"}));
    driver->log.clear();
    ASSERT_TRUE(Graphics(640, 480, 0, 60, 0));
    EXPECT_EQ(driver->log.at(0), "close");
    EXPECT_EQ(driver->log.at(1), "open 640x480 0 60 0");
    EXPECT_EQ(GraphicsWidth(), 640);
    EXPECT_EQ(GraphicsHeight(), 480);
    driver->log.clear();
    EndGraphics();
    EndGraphics();
    EXPECT_EQ(driver->log, std::vector<std::string>{"close"});
    SetGraphicsDriver(nullptr);
}

TEST(Graphics, NullWhenTheModeCannotBeSet) {
    Ref<TRecordDriver> driver = New<TRecordDriver>();
    driver->refuseMode = true;
    SetGraphicsDriver(driver);
    EXPECT_FALSE(Graphics(1024, 768, 16, 60, 0));
    EXPECT_EQ(GraphicsWidth(), 0);
    EXPECT_EQ(driver->log, std::vector<std::string>{"open 1024x768 16 60 0"});
    SetGraphicsDriver(nullptr);
}

TEST(Graphics, ThePictureFillsTheDrawableWithItsShapeKept) {
    auto fit = [](int w, int h) {
        const TFit f = FitWithAspect(1024, 768, w, h);
        return std::vector<int>{f.x, f.y, f.width, f.height};
    };
    EXPECT_EQ(fit(1024, 768), (std::vector<int>{0, 0, 1024, 768}));
    EXPECT_EQ(fit(800, 600), (std::vector<int>{0, 0, 800, 600}));
    // Bars above and below on a 5:4 screen, left and right on a 16:9 one.
    EXPECT_EQ(fit(1280, 1024), (std::vector<int>{0, 32, 1280, 960}));
    EXPECT_EQ(fit(1920, 1080), (std::vector<int>{240, 0, 1440, 1080}));
    EXPECT_EQ(fit(0, 768), (std::vector<int>{0, 0, 0, 0}));
}

TEST(Graphics, WithoutADriverIsAnError) {
    SetGraphicsDriver(nullptr);
    EXPECT_THROW(Graphics(1024, 768, 0, 60, 0), RuntimeError);
}

}  // namespace
}  // namespace fw
