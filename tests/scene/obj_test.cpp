// Obj: the nine draws of Create, and what Render draws and how it moves a
// flake.
#include <cmath>

#include "tests/scene/scene_test.h"

namespace {

using ObjCreate = SceneTest;
using ObjRender = SceneTest;

TEST_F(ObjCreate, NewZeroesEveryField) {
    fw::Ref<Obj> flake = fw::New<Obj>();
    EXPECT_EQ(flake->x, 0.0f);
    EXPECT_EQ(flake->y, 0.0f);
    EXPECT_EQ(flake->speedY, 0.0f);
    EXPECT_EQ(flake->angle, 0);
    EXPECT_EQ(flake->alpha, 0.0f);
    EXPECT_EQ(flake->spin, 0.0f);
    EXPECT_EQ(flake->isSquare, 0);
    EXPECT_EQ(flake->size, 0);
    EXPECT_EQ(flake->sway, 0.0f);
    EXPECT_EQ(flake->swayMin, 0.0f);
    EXPECT_EQ(flake->swayDir, 0);
    EXPECT_EQ(flake->scale, 0.0f);
    EXPECT_EQ(counter, 0);
}

TEST_F(ObjCreate, NineDrawsInOrderWithSinglePrecisionBounds) {
    // Seeds for which the double nearest 0.2, 0.7 or 1.3 as a bound would
    // store a different value: the test must be able to tell them apart.
    int distinguishing = 0;
    for (int32_t seed = 1; seed <= 3000; ++seed) {
        fw::SeedRnd(seed);
        FlakeDraws d = NextFlakeDraws();
        int32_t stateAfter = fw::RndSeed();

        fw::SeedRnd(seed);
        fw::Rand(0, 1024);
        bool alphaDiffers = float(fw::Rnd(0.2, 1.0)) != float(d.alpha);
        for (int skipped = 0; skipped < 6; ++skipped) fw::RndDouble();  // speedY .. swayMin
        bool scaleDiffers = float(fw::Rnd(0.7, 1.3)) != float(d.scale);
        if (alphaDiffers || scaleDiffers) ++distinguishing;

        fw::SeedRnd(seed);
        counter = 41;
        Record().calls.clear();
        fw::Ref<Obj> flake = Obj::Create();
        ASSERT_TRUE(flake);
        EXPECT_EQ(flake->x, float(d.x)) << seed;
        EXPECT_EQ(flake->y, -5.0f) << seed;
        EXPECT_EQ(flake->angle, 0) << seed;
        EXPECT_EQ(flake->alpha, float(d.alpha)) << seed;
        EXPECT_EQ(flake->speedY, float(d.speedY)) << seed;
        EXPECT_EQ(flake->spin, float(d.spin)) << seed;
        EXPECT_EQ(flake->isSquare, d.isSquare) << seed;
        EXPECT_EQ(flake->size, d.size) << seed;
        EXPECT_EQ(flake->swayDir, d.swayDir) << seed;
        EXPECT_EQ(flake->swayMin, float(d.swayMin)) << seed;
        EXPECT_EQ(flake->scale, float(d.scale)) << seed;
        // sway is not drawn: it starts at 0.
        EXPECT_EQ(flake->sway, 0.0f) << seed;
        EXPECT_EQ(counter, 42) << seed;
        // Exactly nine draws, and nothing drawn on the screen.
        EXPECT_EQ(fw::RndSeed(), stateAfter) << seed;
        EXPECT_TRUE(Record().calls.empty()) << seed;
        EXPECT_EQ(flake->RefCount(), 1) << "held by nobody but the caller";
    }
    EXPECT_GT(distinguishing, 0);
}

TEST_F(ObjCreate, FieldsStayWithinTheirRanges) {
    fw::SeedRnd(20231224);
    bool sizes[6] = {};
    int squares = 0, swayDirs = 0, xAtEnds = 0;
    const int n = 100000;
    for (int i = 0; i < n; ++i) {
        fw::Ref<Obj> f = Obj::Create();
        ASSERT_TRUE(f->x >= 0.0f && f->x <= 1024.0f && f->x == std::floor(f->x)) << f->x;
        if (f->x == 0.0f || f->x == 1024.0f) ++xAtEnds;
        ASSERT_TRUE(f->alpha >= 0.2f && f->alpha <= 1.0f) << f->alpha;
        ASSERT_TRUE(f->speedY >= 0.5f && f->speedY <= 4.0f) << f->speedY;
        ASSERT_TRUE(f->spin >= 1.0f && f->spin <= 3.0f) << f->spin;
        ASSERT_TRUE(f->isSquare == 0 || f->isSquare == 1);
        ASSERT_TRUE(f->size >= 2 && f->size <= 5) << f->size;
        ASSERT_TRUE(f->swayDir == 0 || f->swayDir == 1);
        ASSERT_TRUE(f->swayMin >= -1.0f && f->swayMin <= -0.5f) << f->swayMin;
        ASSERT_TRUE(f->scale >= 0.7f && f->scale <= 1.3f) << f->scale;
        sizes[f->size] = true;
        squares += f->isSquare;
        swayDirs += f->swayDir;
    }
    EXPECT_TRUE(sizes[2] && sizes[3] && sizes[4] && sizes[5]);
    EXPECT_GT(squares, n * 45 / 100);
    EXPECT_LT(squares, n * 55 / 100);
    EXPECT_GT(swayDirs, n * 45 / 100);
    EXPECT_LT(swayDirs, n * 55 / 100);
    EXPECT_GT(xAtEnds, 0) << "both ends of 0..1024 are reachable";
    EXPECT_EQ(counter, n);
}

TEST_F(ObjRender, PictureFlakeFirstFrame) {
    fw::Graphics(1024, 768, 0, 60, 0);
    LoadFlakePicture();
    fw::Ref<Obj> f = HandMadeFlake(300.0f, -5.0f, 2.5f);
    f->alpha = 0.75f;
    f->scale = 1.25f;
    f->spin = 2.5f;
    f->Render();
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "SetAlpha 0.75",
                           "SetRotation 0",
                           "SetScale 1 1",
                           "SetScale 1.25 1.25",
                           "DrawImage flake 300 -5 0",
                       }));
    // Drawn where it was, then turned by the integer part of spin and dropped.
    EXPECT_EQ(f->angle, 2);
    EXPECT_EQ(f->y, -2.5f);
    EXPECT_EQ(f->x, 300.0f) << "no sideways move in the first frame";
    EXPECT_EQ(f->sway, -0.01f);
    // Drawn at the flake's alpha, unturned, scaled about its centre; no
    // colour, blend mode or handle of its own.
    const fw::TQuad& q = LastQuad();
    EXPECT_EQ(q.alpha, 191) << "0.75 × 255, truncated";
    EXPECT_EQ(q.x[0], 300.0f - 25.0f * 1.25f);
    EXPECT_EQ(q.y[0], -5.0f - 24.0f * 1.25f);
    EXPECT_EQ(q.x[2], 300.0f + 25.0f * 1.25f);
    EXPECT_EQ(q.y[2], -5.0f + 24.0f * 1.25f);
    EXPECT_EQ(Count("SetColor") + Count("SetBlend") + Count("SetHandle"), 0u);
}

TEST_F(ObjRender, SquareHandlesAreHalfTheSizeTruncated) {
    fw::Graphics(1024, 768, 0, 60, 0);
    const int handles[] = {0, 0, 1, 1, 2, 2};
    for (int size = 2; size <= 5; ++size) {
        Record().calls.clear();
        fw::Ref<Obj> f = HandMadeFlake(100.5f, 7.0f, 1.0f);
        f->isSquare = 1;
        f->size = size;
        f->alpha = 0.5f;
        f->Render();
        std::string h = std::to_string(handles[size]);
        std::string s = std::to_string(size);
        EXPECT_EQ(Lines(), (std::vector<std::string>{
                               "SetAlpha 0.5",
                               "SetRotation 0",
                               "SetScale 1 1",
                               "SetHandle " + h + " " + h,
                               "DrawRect 100.5 7 " + s + " " + s,
                           }))
            << "size " << size;
        // A square keeps the scale 1, 1.
        EXPECT_EQ(LastQuad().x[1] - LastQuad().x[0], float(size));
    }
}

TEST_F(ObjRender, AnyNonZeroIsSquareDrawsASquare) {
    fw::Ref<Obj> f = HandMadeFlake(10.0f, 10.0f, 1.0f);
    f->isSquare = 255;
    f->size = 3;
    f->Render();
    EXPECT_EQ(Count("DrawRect"), 1u);
    EXPECT_EQ(Count("DrawImage"), 0u);
}

TEST_F(ObjRender, OnlyTheIntegerPartOfSpinTurns) {
    struct Case {
        float spin;
        int perFrame;
    };
    const Case cases[] = {{1.0f, 1}, {1.99f, 1}, {std::nextafterf(2.0f, 0.0f), 1},
                          {2.0f, 2},  {2.5f, 2},  {std::nextafterf(3.0f, 0.0f), 2},
                          {3.0f, 3}};
    for (const Case& c : cases) {
        Record().calls.clear();
        fw::Ref<Obj> f = HandMadeFlake(0.0f, 0.0f, 0.5f);
        f->spin = c.spin;
        for (int frame = 0; frame < 1000; ++frame) f->Render();
        EXPECT_EQ(f->angle, 1000 * c.perFrame) << c.spin;
        // The rotation drawn is the angle before the frame's turn.
        std::vector<scenerun::Call> turns = CallsOf("SetRotation");
        ASSERT_EQ(turns.size(), 1000u);
        EXPECT_EQ(turns[0].Real(0), 0.0f);
        EXPECT_EQ(turns[999].Real(0), float(999 * c.perFrame)) << c.spin;
    }
}

TEST_F(ObjRender, TurnIsSummedInDoublePrecision) {
    // In single precision 1000 + 2.9999998 rounds up to 1003; the flake turns
    // by 2, as with any spin below 3.
    fw::Ref<Obj> f = HandMadeFlake(0.0f, 0.0f, 0.5f);
    f->angle = 1000;
    f->spin = std::nextafterf(3.0f, 0.0f);
    f->Render();
    EXPECT_EQ(f->angle, 1002);
}

TEST_F(ObjRender, SwayTurnsAtItsMinimum) {
    // The frame of the first turn, and the frames from one turn to the next.
    struct Case {
        float swayMin;
        int first, period;
    };
    const Case cases[] = {{-1.0f, 101, 201},
                          {-0.9f, 91, 191},
                          {-0.75f, 76, 176},
                          {-0.6f, 61, 161},
                          {std::nextafterf(-0.5f, -1.0f), 51, 151}};
    for (const Case& c : cases) {
        for (int startDir = 0; startDir <= 1; ++startDir) {
            fw::Ref<Obj> f = HandMadeFlake(500.0f, 0.0f, 0.0f);
            f->swayMin = c.swayMin;
            f->swayDir = startDir;
            std::vector<int> turns;
            for (int frame = 1; frame <= 1000 && turns.size() < 3; ++frame) {
                int dir = f->swayDir;
                f->Render();
                if (f->swayDir != dir) {
                    turns.push_back(frame);
                    EXPECT_EQ(f->sway, 1.0f);
                }
            }
            ASSERT_EQ(turns.size(), 3u) << c.swayMin;
            EXPECT_EQ(turns[0], c.first) << c.swayMin << " dir " << startDir;
            EXPECT_EQ(turns[1] - turns[0], c.period) << c.swayMin << " dir " << startDir;
            EXPECT_EQ(turns[2] - turns[1], c.period) << c.swayMin << " dir " << startDir;
        }
    }
}

TEST_F(ObjRender, SwayMovesByTheOldStepInTheFrameOfTheTurn) {
    fw::Ref<Obj> f = HandMadeFlake(500.0f, 0.0f, 0.0f);
    for (int frame = 1; frame < 101; ++frame) f->Render();
    ASSERT_EQ(f->swayDir, 0);
    float x = f->x, sway = f->sway;
    f->Render();
    ASSERT_EQ(f->swayDir, 1);
    EXPECT_EQ(f->x, x - sway);
    EXPECT_EQ(f->sway, 1.0f);
    // The next frame goes on the same way, now by a whole pixel.
    x = f->x;
    f->Render();
    EXPECT_EQ(f->x, x + 1.0f);
}

TEST_F(ObjRender, SwayEqualToItsMinimumTurns) {
    fw::Ref<Obj> f = HandMadeFlake(500.0f, 0.0f, 0.0f);
    f->swayMin = -0.01f;  // the decremented 0 equals it exactly
    f->Render();
    EXPECT_EQ(f->swayDir, 1);
    EXPECT_EQ(f->sway, 1.0f);
}

TEST_F(ObjRender, DriftStaysOnOneSideOfTheBirthPosition) {
    for (int startDir = 0; startDir <= 1; ++startDir) {
        fw::Ref<Obj> f = HandMadeFlake(500.0f, 0.0f, 0.0f);
        f->swayDir = startDir;
        float least = 500.0f, most = 500.0f;
        for (int frame = 0; frame < 1030; ++frame) {
            f->Render();
            least = std::min(least, f->x);
            most = std::max(most, f->x);
        }
        if (startDir == 0) {
            EXPECT_GE(least, 500.0f - 0.001f);
            EXPECT_NEAR(most, 601.0f, 1.0f);
        } else {
            EXPECT_LE(most, 500.0f + 0.001f);
            EXPECT_NEAR(least, 399.0f, 1.0f);
        }
    }
}

TEST_F(ObjRender, SwayArithmeticIsSinglePrecision) {
    // Every stored value is the nearest float of the single-precision result.
    fw::Ref<Obj> f = HandMadeFlake(1000.3f, 0.0f, 0.1f);
    float x = 1000.3f, sway = 0.0f, y = 0.0f;
    for (int frame = 0; frame < 300; ++frame) {
        f->Render();
        x = x - sway;
        sway = sway - 0.01f;
        if (sway <= -1.0f) break;
        y = y + 0.1f;
        ASSERT_EQ(f->x, x) << frame;
        ASSERT_EQ(f->sway, sway) << frame;
        ASSERT_EQ(f->y, y) << frame;
    }
}

}  // namespace
