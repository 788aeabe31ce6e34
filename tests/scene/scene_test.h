// What the scene tests share: a fresh scene on fresh stand-ins for each test,
// and ways to read the recorded calls.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/colourcycle.h"
#include "scene/snowfall.h"
#include "tools/snowtrace/standins.h"

// Registers the three embedded files, as start-up does (a second
// registration is refused and changes nothing).
void RegisterMedia();

// The calls of start-up, in their order, up to the first frame's Cls, for a
// clock that reads 12345: the blocks are registered with the lengths of the
// files they were built from.
std::vector<std::string> StartupTrace();

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The flake picture, loaded and mid-handled as start-up does, with the
    // record cleared afterwards.
    void LoadFlakePicture();

    // The state that start-up leaves, made by hand: the display, the seeded
    // generator, blend mode 4, both pictures, the colour cycle's start and an
    // empty list; the record cleared afterwards.
    void PrepareScene(int32_t seed);

    static standins::Recorder& Record() { return standins::Record(); }
    // Every recorded line, in order.
    static std::vector<std::string> Lines();
    // The recorded calls of one operation.
    static std::vector<standins::Call> CallsOf(const std::string& op);
    // The number of recorded calls of one operation.
    static size_t Count(const std::string& op);
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
