// What the scene tests share: a fresh scene on the framework behind its seams
// for each test (tools/snowtrace/scenerun.h), and ways to read the traced
// calls.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "scene/colourcycle.h"
#include "scene/snowfall.h"
#include "tools/snowtrace/scenerun.h"

// Registers the three embedded files, as start-up does (a second
// registration is refused and changes nothing).
void RegisterMedia();

// The calls of start-up, in their order, up to the first frame's Cls, for a
// clock that reads 12345: the blocks are registered with the lengths of the
// files they were built from.
std::vector<std::string> StartupTrace();

// The run in place: a fresh one for every SceneTest, gone after it.
scenerun::SceneRun& Record();
// Replaces the run with a fresh one: nothing traced, no display, Escape up
// for good, the clock at 0 ms.
void ResetRun();

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The flake picture, loaded and mid-handled as start-up does, with the
    // record cleared afterwards.
    void LoadFlakePicture();

    // The state that start-up leaves: the program's own start-up, with the
    // generator seeded anew with `seed` and the colour cycle started anew
    // from it; the record cleared afterwards.
    void PrepareScene(int32_t seed);

    // Every traced line, in order.
    static std::vector<std::string> Lines();
    // The traced calls of one operation.
    static std::vector<scenerun::Call> CallsOf(const std::string& op);
    // The number of traced calls of one operation.
    static size_t Count(const std::string& op);
    // The quad of the display's last draw.
    static const fw::TQuad& LastQuad();
};

// The nine draws of a new flake, in the order they are made, from the
// generator as it stands: x, alpha, speedY, spin, isSquare, size, swayDir,
// swayMin, scale. The bounds 0.2, 0.7 and 1.3 are the single-precision values
// widened to double.
struct FlakeDraws {
    int x;
    double alpha, speedY, spin;
    int isSquare, size, swayDir;
    double swayMin, scale;
};
FlakeDraws NextFlakeDraws();

// A flake made by hand: a picture at (x, y) falling by speedY, with no sway
// turn for a long while, turning 1 degree a frame, drawn at alpha 1, scale 1.
fw::Ref<Obj> HandMadeFlake(float x, float y, float speedY);
