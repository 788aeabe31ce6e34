// The colour cycle: moves, turns at the bounds, the steps' draws.
#include "tests/scene/scene_test.h"

namespace {

// The step draw's bounds: the single-precision 0.1 carried as a double, 0.5.
constexpr double kStepLow = 0.100000001490116119384765625;

using ColourCycle = SceneTest;

// Channel 0 as given; channels 1 and 2 parked mid-range, falling by 0.25.
void SetRed(float value, int dir, float step) {
    col[0] = value;
    colDir[0] = dir;
    colStep[0] = step;
    for (int c = 1; c < 3; ++c) {
        col[c] = 150.0f;
        colDir[c] = 0;
        colStep[c] = 0.25f;
    }
}

TEST_F(ColourCycle, StartsEveryChannelAt255FallingWithItsOwnDraw) {
    fw::SeedRnd(31337);
    float steps[3];
    for (float& step : steps) step = float(fw::Rnd(kStepLow, 0.5));
    int32_t after = fw::RndSeed();

    fw::SeedRnd(31337);
    Record().calls.clear();
    StartColourCycle();
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(col[c], 255.0f);
        EXPECT_EQ(colDir[c], 0);
        EXPECT_EQ(colStep[c], steps[c]) << "channel " << c;
    }
    EXPECT_EQ(fw::RndSeed(), after);
    EXPECT_TRUE(Record().calls.empty()) << "nothing but the three draws";
}

TEST_F(ColourCycle, StepsAreDrawnWithTheSinglePrecisionLowerBound) {
    // Over many seeds, the double nearest 0.1 as the bound would store a
    // different step for some: the cycle's steps match the single-precision
    // bound for all of them.
    int differing = 0;
    for (int32_t seed = 1; seed <= 5000; ++seed) {
        fw::SeedRnd(seed);
        float expected = float(fw::Rnd(kStepLow, 0.5));
        fw::SeedRnd(seed);
        if (float(fw::Rnd(0.1, 0.5)) != expected) ++differing;
        fw::SeedRnd(seed);
        StartColourCycle();
        ASSERT_EQ(colStep[0], expected) << seed;
        ASSERT_GE(colStep[0], 0.1f);
        ASSERT_LE(colStep[0], 0.5f);
    }
    EXPECT_GT(differing, 0);
}

TEST_F(ColourCycle, FallingFrom255ByHalfReaches78In354StepsAndTurnsOnTheNext) {
    SetRed(255.0f, 0, 0.5f);
    for (int i = 0; i < 354; ++i) {
        StepColourCycle();
        ASSERT_EQ(colDir[0], 0) << "step " << i + 1;
    }
    EXPECT_EQ(col[0], 78.0f);
    fw::SeedRnd(5);
    float newStep = float(fw::Rnd(kStepLow, 0.5));
    fw::SeedRnd(5);
    StepColourCycle();
    EXPECT_EQ(colDir[0], 1);
    EXPECT_EQ(col[0], 78.0f) << "a turn does not move";
    EXPECT_EQ(colStep[0], newStep);
    StepColourCycle();
    EXPECT_EQ(col[0], 78.0f + newStep) << "the new step is applied from the next step on";
}

TEST_F(ColourCycle, FallingAtExactly78TurnsWithoutMoving) {
    SetRed(78.0f, 0, 0.3f);
    StepColourCycle();
    EXPECT_EQ(col[0], 78.0f);
    EXPECT_EQ(colDir[0], 1);
    EXPECT_NE(colStep[0], 0.3f);
}

TEST_F(ColourCycle, FallingJustAbove78MovesBelowItAndIsShownAs77Twice) {
    // Through whole frames, as the tint shows the value.
    PrepareScene(2024);
    SetRed(78.3f, 0, 0.4f);
    std::vector<int> reds;
    Record().keep = false;
    Record().sink = [&](const scenerun::Call& call) {
        if (call.op == "SetColor" && reds.size() < 4 && call.args[0] != "255") {
            reds.push_back(call.Int(0));
        }
    };
    // The first SetColor of each frame is the tint; the reset's is 255.
    for (int frame = 0; frame < 4; ++frame) DrawFrame();
    ASSERT_EQ(reds.size(), 4u);
    EXPECT_EQ(reds[0], 78);
    EXPECT_EQ(reds[1], 77) << "78.3 - 0.4 = 77.9";
    EXPECT_EQ(reds[2], 77) << "the turn does not move it";
    const float low = 78.3f - 0.4f;
    EXPECT_EQ(reds[3], fw::FloatToInt(low + colStep[0]));
    EXPECT_EQ(colDir[0], 1);
    EXPECT_EQ(col[0], (low + colStep[0]) + colStep[0]);
}

TEST_F(ColourCycle, RisingJustBelow255PassesItThenTurns) {
    SetRed(254.8f, 1, 0.3f);
    StepColourCycle();
    const float top = 254.8f + 0.3f;
    EXPECT_EQ(col[0], top);
    EXPECT_GT(col[0], 255.0f);
    EXPECT_EQ(fw::FloatToInt(col[0]), 255);
    EXPECT_EQ(colDir[0], 1);
    StepColourCycle();
    EXPECT_EQ(col[0], top) << "the turn does not move it";
    EXPECT_EQ(colDir[0], 0);
    float step = colStep[0];
    StepColourCycle();
    EXPECT_EQ(col[0], top - step);
}

TEST_F(ColourCycle, RisingAtExactly255Turns) {
    SetRed(255.0f, 1, 0.2f);
    StepColourCycle();
    EXPECT_EQ(col[0], 255.0f);
    EXPECT_EQ(colDir[0], 0);
}

TEST_F(ColourCycle, AnyNonZeroDirectionRises) {
    SetRed(100.0f, 7, 0.5f);
    StepColourCycle();
    EXPECT_EQ(col[0], 100.5f);
}

TEST_F(ColourCycle, SeveralTurnsInOneStepDrawInChannelOrder) {
    col[0] = 78.0f, colDir[0] = 0, colStep[0] = 0.2f;   // turns
    col[1] = 200.0f, colDir[1] = 0, colStep[1] = 0.2f;  // moves
    col[2] = 255.0f, colDir[2] = 1, colStep[2] = 0.4f;  // turns
    fw::SeedRnd(8080);
    float first = float(fw::Rnd(kStepLow, 0.5));
    float second = float(fw::Rnd(kStepLow, 0.5));
    int32_t after = fw::RndSeed();
    fw::SeedRnd(8080);
    StepColourCycle();
    EXPECT_EQ(colStep[0], first);
    EXPECT_EQ(colDir[0], 1);
    EXPECT_EQ(col[1], 200.0f - 0.2f);
    EXPECT_EQ(colStep[1], 0.2f);
    EXPECT_EQ(colDir[1], 0);
    EXPECT_EQ(colStep[2], second);
    EXPECT_EQ(colDir[2], 0);
    EXPECT_EQ(fw::RndSeed(), after) << "two draws, nothing else";

    // All three at once.
    col[0] = 77.9f, colDir[0] = 0;
    col[1] = 78.0f, colDir[1] = 0;
    col[2] = 255.3f, colDir[2] = 1;
    fw::SeedRnd(9);
    float steps[3];
    for (float& s : steps) s = float(fw::Rnd(kStepLow, 0.5));
    fw::SeedRnd(9);
    StepColourCycle();
    for (int c = 0; c < 3; ++c) EXPECT_EQ(colStep[c], steps[c]) << c;
    EXPECT_EQ(colDir[0], 1);
    EXPECT_EQ(colDir[1], 1);
    EXPECT_EQ(colDir[2], 0);
}

TEST_F(ColourCycle, DrawsNothingAndCallsNothing) {
    SetRed(78.0f, 0, 0.3f);
    Record().calls.clear();
    StepColourCycle();
    EXPECT_TRUE(Record().calls.empty());
}

TEST_F(ColourCycle, ValuesStayWithinBoundsOverALongRun) {
    fw::SeedRnd(1);
    StartColourCycle();
    int turns = 0;
    for (int i = 0; i < 2000000; ++i) {
        int dirs[3] = {colDir[0], colDir[1], colDir[2]};
        StepColourCycle();
        for (int c = 0; c < 3; ++c) {
            ASSERT_GT(col[c], 77.5f) << "step " << i;
            ASSERT_LT(col[c], 255.5f) << "step " << i;
            ASSERT_GE(colStep[c], 0.1f);
            ASSERT_LE(colStep[c], 0.5f);
            int shown = fw::FloatToInt(col[c]);
            ASSERT_TRUE(shown >= 77 && shown <= 255);
            if (colDir[c] != dirs[c]) ++turns;
        }
    }
    EXPECT_GT(turns, 3000) << "the run swings to and fro many times";
}

}  // namespace
