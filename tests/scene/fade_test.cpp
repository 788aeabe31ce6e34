// The closing fade: FadeToWhite's clamps and calls, and the fade loop's 101
// steps.
#include <algorithm>
#include <cmath>
#include <limits>

#include "tests/scene/scene_test.h"

namespace {

using FadeToWhiteTest = SceneTest;
using FadeLoop = SceneTest;

constexpr float kInf = std::numeric_limits<float>::infinity();

// A small rectangle drawn on the display as the state stands, untraced.
fw::TQuad Probe() {
    scenerun::SceneRun& run = Record();
    const bool keep = run.keep;
    run.keep = false;
    fw::DrawRect(10.0f, 20.0f, 30.0f, 40.0f);
    run.keep = keep;
    return run.display->draws.back().quad;
}

bool SameQuad(const fw::TQuad& a, const fw::TQuad& b) {
    return std::equal(a.x, a.x + 4, b.x) && std::equal(a.y, a.y + 4, b.y) && a.red == b.red &&
           a.green == b.green && a.blue == b.blue && a.alpha == b.alpha && a.blend == b.blend;
}

// The whole display, 1024 × 768, unturned and unscaled.
void ExpectCoversTheDisplay(const fw::TQuad& q) {
    EXPECT_EQ(q.x[0], 0.0f);
    EXPECT_EQ(q.y[0], 0.0f);
    EXPECT_EQ(q.x[2], 1024.0f);
    EXPECT_EQ(q.y[2], 768.0f);
}

TEST_F(FadeToWhiteTest, ZeroNegativeAndNaNCallNothing) {
    fw::Graphics(1024, 768, 16, 60, 0);
    fw::SetColor(10, 20, 30);
    fw::SetBlend(4);
    fw::SetAlpha(0.5f);
    fw::SetRotation(30.0f);
    const fw::TQuad before = Probe();
    const float levels[] = {0.0f,
                            -0.0f,
                            -1.0f,
                            -std::numeric_limits<float>::denorm_min(),
                            -1e30f,
                            -kInf,
                            std::numeric_limits<float>::quiet_NaN(),
                            -std::numeric_limits<float>::quiet_NaN()};
    for (float level : levels) {
        Record().calls.clear();
        EXPECT_EQ(FadeToWhite(level), 0) << level;
        EXPECT_TRUE(Record().calls.empty()) << level;
        EXPECT_TRUE(SameQuad(Probe(), before)) << level;
    }
}

TEST_F(FadeToWhiteTest, HundredAndAboveDrawOpaqueWhiteOverTheDisplay) {
    fw::Graphics(1024, 768, 16, 60, 0);
    for (float level : {100.0f, std::nextafterf(100.0f, 200.0f), 250.0f,
                        std::numeric_limits<float>::max(), kInf}) {
        Record().calls.clear();
        EXPECT_EQ(FadeToWhite(level), 0) << level;
        EXPECT_EQ(Lines(), (std::vector<std::string>{
                               "SetColor 255 255 255",
                               "SetBlend 3",
                               "SetAlpha 1",
                               "DrawRect 0 0 1024 768",
                           }))
            << level;
        EXPECT_EQ(LastQuad().alpha, 255);
        EXPECT_EQ(LastQuad().blend, 3);
        ExpectCoversTheDisplay(LastQuad());
    }
}

TEST_F(FadeToWhiteTest, CoversTheDisplayThatGraphicsOpened) {
    fw::Graphics(800, 600, 0, 60, 0);
    Record().calls.clear();
    FadeToWhite(50.0f);
    EXPECT_EQ(Lines().back(), "DrawRect 0 0 800 600");
}

TEST_F(FadeToWhiteTest, BelowOneByteOfAlphaStillLeavesItsState) {
    fw::Graphics(1024, 768, 16, 60, 0);
    fw::SetBlend(4);
    Record().calls.clear();
    EXPECT_EQ(FadeToWhite(0.3f), 0);
    ASSERT_EQ(Lines().size(), 4u);
    EXPECT_EQ(Lines()[0], "SetColor 255 255 255");
    EXPECT_EQ(Lines()[1], "SetBlend 3");
    EXPECT_EQ(CallsOf("SetAlpha")[0].Real(0), 0.3f / 100.0f);
    EXPECT_EQ(Lines()[3], "DrawRect 0 0 1024 768");
    // Alpha byte 0 draws nothing visible, yet white and mode 3 stay.
    const fw::TQuad q = Probe();
    EXPECT_EQ(q.alpha, 0);
    EXPECT_EQ(q.blend, 3);
    EXPECT_EQ(q.red + q.green + q.blue, 3 * 255);
}

TEST_F(FadeToWhiteTest, AlphaIsTheLevelInHundredths) {
    fw::Graphics(1024, 768, 16, 60, 0);
    struct Case {
        float level;
        const char* line;
        int byte;
    };
    const Case cases[] = {{1.0f, "SetAlpha 0.00999999978", 2},
                          {2.0f, "SetAlpha 0.0199999996", 5},
                          {50.0f, "SetAlpha 0.5", 127},
                          {99.0f, "SetAlpha 0.99000001", 252},
                          {100.0f, "SetAlpha 1", 255}};
    for (const Case& c : cases) {
        Record().calls.clear();
        FadeToWhite(c.level);
        EXPECT_EQ(Lines()[2], c.line);
        EXPECT_EQ(LastQuad().alpha, c.byte) << c.level;
    }
}

TEST_F(FadeToWhiteTest, SetsNoHandleRotationOrScale) {
    fw::Graphics(1024, 768, 16, 60, 0);
    fw::SetHandle(3.0f, 4.0f);
    fw::SetRotation(30.0f);
    fw::SetScale(2.0f, 0.5f);
    Record().calls.clear();
    FadeToWhite(40.0f);
    EXPECT_EQ(Count("SetHandle") + Count("SetRotation") + Count("SetScale"), 0u);
}

// Runs the whole program with Escape found held at the end of frame
// `frames`; the calls after that last KeyDown.
std::vector<scenerun::Call> RunAndTakeFade(int64_t frames) {
    scenerun::SceneRun& record = Record();
    Record().clock.Set(1000);
    record.escapeFromFlip = frames;
    record.keep = false;
    std::vector<scenerun::Call> fade;
    bool fading = false;
    record.sink = [&](const scenerun::Call& call) {
        if (fading) fade.push_back(call);
        if (call.Line() == "KeyDown 27 1") fading = true;
    };
    EXPECT_EQ(SnowfallMain(), 0);
    record.sink = nullptr;
    return fade;
}

TEST_F(FadeLoop, RunsExactly101StepsWithoutLookingAtInput) {
    std::vector<scenerun::Call> fade = RunAndTakeFade(5);
    EXPECT_EQ(counter, 101);
    int pictures = 0, rects = 0, flips = 0, alphas = 0, colours = 0, blends = 0;
    for (const scenerun::Call& call : fade) {
        if (call.op == "DrawImage") {
            EXPECT_EQ(call.Line(), "DrawImage background 0 0 0");
            ++pictures;
        } else if (call.op == "DrawRect") {
            EXPECT_EQ(call.Line(), "DrawRect 0 0 1024 768");
            ++rects;
        } else if (call.op == "Flip") {
            EXPECT_EQ(call.Line(), "Flip -1");
            ++flips;
        } else if (call.op == "SetAlpha") {
            ++alphas;
        } else if (call.op == "SetColor") {
            EXPECT_EQ(call.Line(), "SetColor 255 255 255");
            ++colours;
        } else if (call.op == "SetBlend") {
            EXPECT_EQ(call.Line(), "SetBlend 3");
            ++blends;
        } else {
            ADD_FAILURE() << "unexpected in the fade: " << call.Line();
        }
    }
    EXPECT_EQ(pictures, 101);
    EXPECT_EQ(rects, 100);
    EXPECT_EQ(flips, 101);
    EXPECT_EQ(alphas, 100);
    EXPECT_EQ(colours, 100);
    EXPECT_EQ(blends, 100);
    EXPECT_EQ(fade.back().Line(), "Flip -1") << "nothing after the last step";
}

TEST_F(FadeLoop, StepZeroDrawsNoWhiteAndEachStepRaisesTheAlpha) {
    std::vector<std::string> fade;
    for (const scenerun::Call& call : RunAndTakeFade(1)) fade.push_back(call.Line());
    ASSERT_EQ(fade.size(), 2u + 100u * 6u);
    EXPECT_EQ(fade[0], "DrawImage background 0 0 0");
    EXPECT_EQ(fade[1], "Flip -1");
    for (int k = 1; k <= 100; ++k) {
        size_t at = 2 + size_t(k - 1) * 6;
        EXPECT_EQ(fade[at], "DrawImage background 0 0 0") << k;
        EXPECT_EQ(fade[at + 1], "SetColor 255 255 255") << k;
        EXPECT_EQ(fade[at + 2], "SetBlend 3") << k;
        scenerun::Call alpha{"SetAlpha", {fade[at + 3].substr(9)}};
        EXPECT_EQ(alpha.Real(0), float(k) / 100.0f) << k;
        EXPECT_EQ(fade[at + 4], "DrawRect 0 0 1024 768") << k;
        EXPECT_EQ(fade[at + 5], "Flip -1") << k;
    }
}

TEST_F(FadeLoop, PicturesOfSteps0And1AreAddedTheRestBlendedAtThePreviousAlpha) {
    Record().clock.Set(1000);
    Record().escapeFromFlip = 1;
    Record().keep = false;
    std::vector<fw::TQuad> atPicture;
    Record().sink = [&](const scenerun::Call& call) {
        if (call.op == "DrawImage" && call.args[0] == "background" && Record().flips >= 1) {
            atPicture.push_back(LastQuad());
        }
    };
    SnowfallMain();
    ASSERT_EQ(atPicture.size(), 101u);
    for (int k : {0, 1}) {
        EXPECT_EQ(atPicture[size_t(k)].blend, 4) << k;
        EXPECT_EQ(atPicture[size_t(k)].alpha, 255) << k;
    }
    EXPECT_EQ(atPicture[2].blend, 3);
    EXPECT_EQ(atPicture[2].alpha, 2);
    EXPECT_EQ(atPicture[100].alpha, 252);
    EXPECT_EQ(LastQuad().alpha, 255);
    EXPECT_EQ(LastQuad().blend, 3);
    ExpectCoversTheDisplay(LastQuad());
}

TEST_F(FadeLoop, IsTheSameHoweverManyFlakesAreAlive) {
    std::vector<std::string> fades[2];
    const int64_t frames[2] = {1, 700};
    for (int run = 0; run < 2; ++run) {
        ResetRun();
        counter = 0;
        o = nullptr;
        for (const scenerun::Call& call : RunAndTakeFade(frames[run])) {
            fades[run].push_back(call.Line());
        }
    }
    ASSERT_EQ(fades[0].size(), 602u);
    EXPECT_EQ(fades[0], fades[1]);
}

}  // namespace
