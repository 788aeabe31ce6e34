// The whole program behind the seams: start-up in its order, the first
// frame, Escape, and what holds between frames of a long snowfall.
#include <cstring>

#include "tests/scene/scene_test.h"

namespace {

using Startup = SceneTest;
using Snowfall = SceneTest;

TEST_F(Startup, CallsComeInTheirOrder) {
    Record().clock.Set(12345);
    Record().escapeFromFlip = 1;
    EXPECT_EQ(SnowfallMain(), 0);
    std::vector<std::string> lines = Lines();
    const std::vector<std::string> expected = StartupTrace();
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + long(expected.size())), expected);
}

TEST_F(Startup, LeavesTheStateTheFirstFrameStartsFrom) {
    Record().clock.Set(4711);
    StartUp();
    ASSERT_TRUE(objList);
    EXPECT_TRUE(objList->IsEmpty());
    EXPECT_EQ(counter, 0);
    EXPECT_FALSE(o);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(col[c], 255.0f);
        EXPECT_EQ(colDir[c], 0);
    }
    // Drawing as it stands: white, opaque, added, unturned and unscaled
    // about the handle (0, 0).
    fw::DrawRect(10.0f, 20.0f, 30.0f, 40.0f);
    const fw::TQuad& q = LastQuad();
    EXPECT_EQ(q.blend, 4);
    EXPECT_EQ(q.red + q.green + q.blue, 3 * 255);
    EXPECT_EQ(q.alpha, 255);
    EXPECT_EQ(q.x[0], 10.0f);
    EXPECT_EQ(q.y[0], 20.0f);
    EXPECT_EQ(q.x[2], 40.0f);
    EXPECT_EQ(q.y[2], 60.0f);
    // Both pictures loaded masked and filtered, with the mask colour of
    // the time; the flake's handle at its centre, the background's at 0, 0.
    EXPECT_EQ(Record().Name(imgRed.get()), "background");
    EXPECT_EQ(Record().Name(imgFlake.get()), "flake");
    EXPECT_EQ(imgRed->flags, 3);
    EXPECT_EQ(imgFlake->flags, 3);
    for (const fw::Ref<fw::TImage>& image : {imgRed, imgFlake}) {
        EXPECT_EQ(image->maskRed, 255);
        EXPECT_EQ(image->maskGreen, 0);
        EXPECT_EQ(image->maskBlue, 255);
    }
    EXPECT_EQ(imgRed->handleX, 0.0f);
    EXPECT_EQ(imgRed->handleY, 0.0f);
    EXPECT_EQ(imgFlake->handleX, 25.0f);
    EXPECT_EQ(imgFlake->handleY, 24.0f);
}

TEST_F(Startup, ColourStepsAreTheFirstThreeDrawsAfterSeeding) {
    for (int32_t ms : {12345, 0, -5, 2147483647, 86400000}) {
        fw::SeedRnd(ms);
        float steps[3];
        for (float& step : steps) step = float(fw::Rnd(0.100000001490116119384765625, 0.5));
        int firstX = fw::Rand(0, 1024);

        ResetRun();
        counter = 0;
        Record().clock.Set(ms);
        Record().escapeFromFlip = 1;
        SnowfallMain();
        EXPECT_EQ(CallsOf("SeedRnd")[0].Int(0), ms);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(colStep[c], steps[c]) << ms << " channel " << c;
            EXPECT_EQ(col[c], 255.0f - steps[c]) << "one step after the first frame";
        }
        // The first flake comes after them.
        std::vector<scenerun::Call> draws;
        for (const scenerun::Call& call : Record().calls) {
            if (call.op == "DrawImage" || call.op == "DrawRect") draws.push_back(call);
        }
        ASSERT_FALSE(draws.empty());
        EXPECT_EQ(draws[0].Real(draws[0].op == "DrawImage" ? 1 : 0), float(firstX)) << ms;
    }
}

TEST_F(Startup, FirstFrameDrawsFourFlakesAtTheTopThenThePicture) {
    Record().clock.Set(2023);
    Record().escapeFromFlip = 1;
    SnowfallMain();
    std::vector<std::string> lines = Lines();
    const size_t start = 14;  // the first Cls
    ASSERT_GE(lines.size(), start + 30);
    EXPECT_EQ(lines[start], "Cls");
    EXPECT_EQ(lines[start + 1], "SetColor 255 255 255");
    std::vector<scenerun::Call> frame(Record().calls.begin() + long(start) + 2,
                                      Record().calls.begin() + long(start) + 22);
    for (size_t f = 0; f < 4; ++f) {
        const scenerun::Call* c = &frame[f * 5];
        EXPECT_EQ(c[0].op, "SetAlpha");
        EXPECT_EQ(c[1].Line(), "SetRotation 0");
        EXPECT_EQ(c[2].Line(), "SetScale 1 1");
        if (c[4].op == "DrawImage") {
            EXPECT_EQ(c[3].op, "SetScale");
            EXPECT_EQ(c[4].args[0], "flake");
            EXPECT_EQ(c[4].args[2], "-5");
            EXPECT_EQ(c[4].args[3], "0");
        } else {
            EXPECT_EQ(c[3].op, "SetHandle");
            EXPECT_EQ(c[4].op, "DrawRect");
            EXPECT_EQ(c[4].args[1], "-5");
        }
    }
    const std::vector<std::string> tail = {
        "SetColor 255 255 255", "SetAlpha 1", "SetHandle 0 0", "SetRotation 0", "SetScale 1 1",
        "DrawImage background 0 0 0", "Flip -1", "KeyDown 27 1",
    };
    EXPECT_EQ(std::vector<std::string>(lines.begin() + long(start) + 22, lines.begin() + long(start) + 30),
              tail);
    // All four are still in the list; Escape at the end of the first frame
    // means that one frame, then the fade.
    EXPECT_EQ(objList->Count(), 4);
    EXPECT_EQ(Count("Cls"), 1u);
    EXPECT_EQ(Count("KeyDown"), 1u);
    EXPECT_EQ(Count("Flip"), 1u + 101u);
}

TEST_F(Startup, EscapeIsLookedAtOnlyAtTheEndOfEachFrame) {
    Record().clock.Set(1);
    Record().escapeFromFlip = 3;
    SnowfallMain();
    std::vector<std::string> keys;
    std::vector<std::string> lines = Lines();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("KeyDown", 0) == 0) {
            keys.push_back(lines[i]);
            EXPECT_EQ(lines[i - 1], "Flip -1");
        }
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"KeyDown 27 0", "KeyDown 27 0", "KeyDown 27 1"}));
    EXPECT_EQ(Count("Cls"), 3u);
}

TEST_F(Snowfall, BetweenFramesTheCounterMatchesTheListAndNoFlakeIsPastTheLine) {
    const int64_t frames = 2000;
    Record().clock.Set(98765);
    Record().keep = false;
    Record().escapeFromFlip = frames;
    int most = 0, checked = 0;
    bool removals = false;
    Record().onFlip = [&] {
        if (Record().flips > frames) return;  // the fade: counter counts its steps
        ++checked;
        ASSERT_EQ(counter, objList->Count()) << "frame " << Record().flips;
        fw::Ref<fw::Object> last;
        for (fw::TListEnum e = objList->ObjectEnumerator(); e.HasNext();) {
            last = e.NextObject();
            fw::Ref<Obj> flake = fw::Cast<Obj>(last);
            ASSERT_TRUE(flake);
            ASSERT_LT(flake->y, 510.0f);
        }
        // o holds the last flake of the pass: the newest, which cannot have
        // reached the line in its first frame.
        EXPECT_EQ(o.get(), last.get());
        most = std::max(most, counter);
        if (counter < 4 * Record().flips) removals = true;
    };
    EXPECT_EQ(SnowfallMain(), 0);
    EXPECT_EQ(checked, frames);
    EXPECT_TRUE(removals);
    EXPECT_LE(most, 4120);
    // In the steady state about 1,225 flakes are alive.
    EXPECT_GT(objList->Count(), 1000);
    EXPECT_LT(objList->Count(), 1500);
}

// What start-up cannot do without ends the program with a message saying
// which, instead of a snowfall on a screen that is blank or not there. Each
// case runs in a fresh process, so that its own blocks are registered before
// the program's and win. The run is made here, after the framework's own
// statics, so that at exit it goes before them.
void RunWith(const char* name, const char* bytes) {
    static scenerun::SceneRun run;
    fw::IncbinAdd(name, bytes, int32_t(std::strlen(bytes)));
    fw::RunApplication(SnowfallMain);
}

void RunWithoutDisplay() {
    static scenerun::SceneRun run;
    run.display->refuseMode = true;
    fw::RunApplication(SnowfallMain);
}

TEST(StartupDeathTest, WithoutItsDisplayTheProgramSaysSoAndEnds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunWithoutDisplay(), testing::ExitedWithCode(1),
                "^Unable to set the display to 1024 x 768\n$");
}

TEST(StartupDeathTest, WithoutAPictureOrTheJingleTheProgramSaysWhichAndEnds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunWith("pic4.png", "not a picture"), testing::ExitedWithCode(1),
                "^Unable to load the background picture\n$");
    EXPECT_EXIT(RunWith("flake.png", "not a picture"), testing::ExitedWithCode(1),
                "^Unable to load the flake picture\n$");
    EXPECT_EXIT(RunWith("hohoho.ogg", "not a sound"), testing::ExitedWithCode(1),
                "^Unable to load the jingle\n$");
}

}  // namespace
