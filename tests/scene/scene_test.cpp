#include "tests/scene/scene_test.h"

#include <filesystem>

#include "media/media.h"

void RegisterMedia() {
    fw::IncbinAdd("pic4.png", snowfall_media_pic4_png, snowfall_media_pic4_png_length);
    fw::IncbinAdd("flake.png", snowfall_media_flake_png, snowfall_media_flake_png_length);
    fw::IncbinAdd("hohoho.ogg", snowfall_media_hohoho_ogg, snowfall_media_hohoho_ogg_length);
}

namespace {

std::string FileSize(const char* name) {
    return std::to_string(std::filesystem::file_size(std::filesystem::path(SNOWFALL_MEDIA_DIR) / name));
}

}  // namespace

std::vector<std::string> StartupTrace() {
    return {
        "IncbinAdd pic4.png " + FileSize("pic4.png"),
        "IncbinAdd flake.png " + FileSize("flake.png"),
        "IncbinAdd hohoho.ogg " + FileSize("hohoho.ogg"),
        "Graphics 1024 768 16 60 0",
        "MilliSecs 12345",
        "SeedRnd 12345",
        "SetBlend 4",
        "HideMouse",
        "SetMaskColor 255 0 255",
        "LoadImage incbin::pic4.png -1",
        "LoadImage incbin::flake.png -1",
        "MidHandleImage flake",
        "LoadSound incbin::hohoho.ogg 0",
        "PlaySound jingle null",
        "Cls",
    };
}

namespace {

std::unique_ptr<scenerun::SceneRun> run;

}  // namespace

scenerun::SceneRun& Record() { return *run; }

void ResetRun() {
    run.reset();
    run = std::make_unique<scenerun::SceneRun>();
}

void SceneTest::SetUp() {
    ResetRun();
    RegisterMedia();
    imgRed = nullptr;
    imgFlake = nullptr;
    objList = fw::New<fw::TList>();
    counter = 0;
    o = nullptr;
    for (int c = 0; c < 3; ++c) {
        col[c] = 0.0f;
        colDir[c] = 0;
        colStep[c] = 0.0f;
    }
    Record().calls.clear();
}

void SceneTest::TearDown() {
    o = nullptr;
    objList = nullptr;
    imgRed = nullptr;
    imgFlake = nullptr;
    run.reset();
}

void SceneTest::LoadFlakePicture() {
    imgFlake = fw::LoadImage("incbin::flake.png", -1);
    fw::MidHandleImage(imgFlake);
    ASSERT_EQ(Record().Name(imgFlake.get()), "flake");
    Record().calls.clear();
}

void SceneTest::PrepareScene(int32_t seed) {
    StartUp();
    fw::SeedRnd(seed);
    StartColourCycle();
    Record().calls.clear();
}

std::vector<std::string> SceneTest::Lines() {
    std::vector<std::string> lines;
    for (const scenerun::Call& call : Record().calls) lines.push_back(call.Line());
    return lines;
}

std::vector<scenerun::Call> SceneTest::CallsOf(const std::string& op) {
    std::vector<scenerun::Call> calls;
    for (const scenerun::Call& call : Record().calls) {
        if (call.op == op) calls.push_back(call);
    }
    return calls;
}

size_t SceneTest::Count(const std::string& op) { return CallsOf(op).size(); }

const fw::TQuad& SceneTest::LastQuad() {
    EXPECT_FALSE(Record().display->draws.empty()) << "nothing was drawn";
    return Record().display->draws.back().quad;
}

fw::Ref<Obj> HandMadeFlake(float x, float y, float speedY) {
    fw::Ref<Obj> flake = fw::New<Obj>();
    flake->x = x;
    flake->y = y;
    flake->speedY = speedY;
    flake->alpha = 1.0f;
    flake->spin = 1.0f;
    flake->swayMin = -1.0f;
    flake->scale = 1.0f;
    return flake;
}

FlakeDraws NextFlakeDraws() {
    FlakeDraws d;
    d.x = fw::Rand(0, 1024);
    d.alpha = fw::Rnd(0.20000000298023224, 1.0);
    d.speedY = fw::Rnd(0.5, 4.0);
    d.spin = fw::Rnd(1.0, 3.0);
    d.isSquare = fw::Rand(0, 1);
    d.size = fw::Rand(2, 5);
    d.swayDir = fw::Rand(0, 1);
    d.swayMin = fw::Rnd(-0.5, -1.0);
    d.scale = fw::Rnd(0.699999988079071, 1.2999999523162842);
    return d;
}
