// The frame loop: one frame's calls, the pass over the flakes, removal at the
// snow line, the flake in hand.
#include <cmath>

#include "tests/scene/scene_test.h"

namespace {

using FramePass = SceneTest;
using FrameDraw = SceneTest;

std::string Num(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", double(value));
    return text;
}

// Renders a lone flake pass after pass until the pass drops it; the y of
// every drawing of it.
std::vector<float> DrawnPositions(const fw::Ref<Obj>& flake) {
    objList->AddLast(flake);
    counter = 1;
    std::vector<float> ys;
    while (!objList->IsEmpty() && ys.size() < 5000) {
        size_t before = Record().calls.size();
        RenderFlakes();
        for (size_t i = before; i < Record().calls.size(); ++i) {
            const scenerun::Call& call = Record().calls[i];
            if (call.op == "DrawImage") ys.push_back(call.Real(2));
        }
    }
    return ys;
}

TEST_F(FramePass, FastestFlakeIsDrawnIn129Frames) {
    LoadFlakePicture();
    for (float speed : {4.0f, std::nextafterf(4.0f, 0.0f)}) {
        fw::Ref<Obj> flake = HandMadeFlake(200.0f, -5.0f, speed);
        std::vector<float> ys = DrawnPositions(flake);
        EXPECT_EQ(ys.size(), 129u) << speed;
        EXPECT_EQ(ys.front(), -5.0f);
        EXPECT_LT(ys.back(), 510.0f);
        EXPECT_GE(flake->y, 510.0f);
        EXPECT_EQ(counter, 0);
        EXPECT_EQ(flake->RefCount(), 2) << "held by the test and by o alone";
    }
}

TEST_F(FramePass, SlowestFlakeIsDrawnIn1030FramesAndDroppedAtExactly510) {
    LoadFlakePicture();
    fw::Ref<Obj> flake = HandMadeFlake(200.0f, -5.0f, 0.5f);
    std::vector<float> ys = DrawnPositions(flake);
    ASSERT_EQ(ys.size(), 1030u);
    EXPECT_EQ(ys.front(), -5.0f);
    EXPECT_EQ(ys[1], -4.5f);
    EXPECT_EQ(ys.back(), 509.5f);
    EXPECT_EQ(flake->y, 510.0f) << "exactly 510 counts as reached";
    EXPECT_EQ(counter, 0);
}

TEST_F(FramePass, FlakeLandingOnTheLineIsDroppedInThatFrame) {
    LoadFlakePicture();
    fw::Ref<Obj> flake = HandMadeFlake(200.0f, 506.0f, 4.0f);
    objList->AddLast(flake);
    counter = 1;
    RenderFlakes();
    EXPECT_EQ(flake->y, 510.0f);
    EXPECT_TRUE(objList->IsEmpty());
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(Count("DrawImage"), 1u);
}

TEST_F(FramePass, DroppingTheFlakeInHandKeepsThePassGoing) {
    LoadFlakePicture();
    fw::Ref<Obj> first = HandMadeFlake(100.0f, 508.0f, 4.0f);
    fw::Ref<Obj> second = HandMadeFlake(200.0f, 10.0f, 1.0f);
    objList->AddLast(first);
    objList->AddLast(second);
    counter = 2;
    RenderFlakes();
    EXPECT_EQ(Count("DrawImage"), 2u);
    EXPECT_EQ(second->y, 11.0f);
    EXPECT_EQ(objList->Count(), 1);
    EXPECT_FALSE(objList->FindLink(first));
    EXPECT_TRUE(objList->FindLink(second));
    EXPECT_EQ(counter, 1);
}

TEST_F(FramePass, TwoNeighboursReachingTheLineAreBothDropped) {
    LoadFlakePicture();
    fw::Ref<Obj> a = HandMadeFlake(100.0f, 200.0f, 1.0f);
    fw::Ref<Obj> b = HandMadeFlake(200.0f, 507.0f, 3.0f);
    fw::Ref<Obj> c = HandMadeFlake(300.0f, 509.5f, 0.5f);
    fw::Ref<Obj> d = HandMadeFlake(400.0f, 100.0f, 1.0f);
    for (const fw::Ref<Obj>& f : {a, b, c, d}) objList->AddLast(f);
    counter = 4;
    RenderFlakes();
    EXPECT_EQ(Count("DrawImage"), 4u);
    EXPECT_EQ(objList->Count(), 2);
    EXPECT_EQ(counter, 2);
    // The others keep their order.
    fw::TListEnum e = objList->ObjectEnumerator();
    EXPECT_EQ(e.NextObject().get(), a.get());
    EXPECT_EQ(e.NextObject().get(), d.get());
    EXPECT_FALSE(e.HasNext());
}

TEST_F(FramePass, ValuesThatAreNoFlakesArePassedOver) {
    LoadFlakePicture();
    fw::Ref<Obj> a = HandMadeFlake(100.0f, 508.0f, 4.0f);
    fw::Ref<fw::Object> stranger = fw::New<fw::Object>();
    fw::Ref<Obj> b = HandMadeFlake(200.0f, 10.0f, 1.0f);
    objList->AddLast(a);
    objList->AddLast(stranger);
    objList->AddLast(nullptr);
    objList->AddLast(b);
    objList->AddLast(stranger);
    counter = 2;
    RenderFlakes();
    EXPECT_EQ(Count("DrawImage"), 2u);
    EXPECT_EQ(Count("SetAlpha"), 2u) << "nothing is done for the strangers";
    EXPECT_EQ(counter, 1) << "only the flake at the line counts";
    EXPECT_EQ(objList->Count(), 4);
    EXPECT_TRUE(objList->FindLink(stranger));
    EXPECT_FALSE(o) << "a stranger last in the pass leaves o null";
}

TEST_F(FramePass, TheLastFlakeOfAPassStaysHeldUntilTheNextPass) {
    LoadFlakePicture();
    fw::Ref<Obj> last = HandMadeFlake(100.0f, 508.0f, 4.0f);
    objList->AddLast(last);
    counter = 1;
    RenderFlakes();
    ASSERT_TRUE(objList->IsEmpty());
    EXPECT_EQ(o.get(), last.get()) << "dropped from the list, still in hand";
    EXPECT_EQ(last->RefCount(), 2);

    fw::Ref<Obj> next = HandMadeFlake(200.0f, 0.0f, 1.0f);
    objList->AddLast(next);
    counter = 1;
    RenderFlakes();
    EXPECT_EQ(o.get(), next.get());
    EXPECT_EQ(last->RefCount(), 1) << "released when the pass moved on";
    EXPECT_EQ(next->RefCount(), 3) << "the list, o and the test";
}

TEST_F(FrameDraw, FirstFrameDrawsFourNewFlakesAtTheTopThenThePicture) {
    const int32_t seed = 777;
    PrepareScene(seed);
    // Expectations from the same generator: the three colour steps, then the
    // four flakes' nine draws each.
    fw::SeedRnd(seed);
    for (int c = 0; c < 3; ++c) fw::Rnd(0.100000001490116119384765625, 0.5);
    std::vector<std::string> expected = {"Cls", "SetColor 255 255 255"};
    for (int i = 0; i < 4; ++i) {
        FlakeDraws d = NextFlakeDraws();
        expected.push_back("SetAlpha " + Num(float(d.alpha)));
        expected.push_back("SetRotation 0");
        expected.push_back("SetScale 1 1");
        std::string x = std::to_string(d.x);
        if (d.isSquare == 0) {
            expected.push_back("SetScale " + Num(float(d.scale)) + " " + Num(float(d.scale)));
            expected.push_back("DrawImage flake " + x + " -5 0");
        } else {
            std::string h = std::to_string(d.size / 2), s = std::to_string(d.size);
            expected.push_back("SetHandle " + h + " " + h);
            expected.push_back("DrawRect " + x + " -5 " + s + " " + s);
        }
    }
    for (const char* line : {"SetColor 255 255 255", "SetAlpha 1", "SetHandle 0 0", "SetRotation 0",
                             "SetScale 1 1", "DrawImage background 0 0 0"}) {
        expected.push_back(line);
    }
    int32_t stateAfterFrame = fw::RndSeed();

    fw::SeedRnd(seed);
    StartColourCycle();
    Record().calls.clear();
    DrawFrame();
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(fw::RndSeed(), stateAfterFrame) << "no turn in the first step: 36 draws in all";
    EXPECT_EQ(objList->Count(), 4);
    EXPECT_EQ(counter, 4);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(col[c], 255.0f - colStep[c]);
}

TEST_F(FrameDraw, PictureIsDrawnNeutralWhateverTheFlakesLeft) {
    PrepareScene(4242);
    int pictures = 0;
    Record().keep = false;
    fw::SetColor(90, 100, 110);
    for (int frame = 0; frame < 300; ++frame) {
        DrawFrame();
        // The picture is the frame's last draw: white, opaque, added, over
        // the whole display unturned and unscaled.
        const fw::TRecordDriver::TDraw& picture = Record().display->draws.back();
        ASSERT_TRUE(imgRed->frame);
        ASSERT_EQ(picture.frame, static_cast<fw::TRecordDriver::TRecordFrame&>(*imgRed->frame).id);
        ++pictures;
        const fw::TQuad& q = picture.quad;
        EXPECT_EQ(q.red + q.green + q.blue, 3 * 255);
        EXPECT_EQ(q.alpha, 255);
        EXPECT_EQ(q.blend, 4);
        const float x[4] = {0, 1024, 1024, 0}, y[4] = {0, 0, 768, 768};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(q.x[i], x[i]) << i;
            EXPECT_EQ(q.y[i], y[i]) << i;
        }
        Record().display->draws.clear();
    }
    EXPECT_EQ(pictures, 300);
}

TEST_F(FrameDraw, TintIsTheTruncatedColourOfThePreviousStep) {
    PrepareScene(99);
    col[0] = 200.9f;
    col[1] = 78.3f;
    col[2] = 254.999f;
    DrawFrame();
    std::vector<scenerun::Call> colours = CallsOf("SetColor");
    ASSERT_GE(colours.size(), 1u);
    EXPECT_EQ(colours[0].Line(), "SetColor 200 78 254");
}

}  // namespace
