// The snowfall's frame loop for a long run on the framework with the
// recording display, silent sound and a clock that moves only when asked:
// between every two frames `counter` equals the number of flakes in objList
// and no flake has reached the snow line, and once the scene is in its
// steady state the process's resident memory stays put.
//
// The number of frames comes from SNOWFALL_SOAK_FRAMES (1,000,000 when unset);
// the memory is compared between frame 100,000 and the last frame.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "scene/snowfall.h"
#include "tools/snowtrace/scenerun.h"

namespace {

constexpr int64_t kSteadyFrame = 100'000;

// VmRSS from /proc/self/status, in KiB; -1 where it cannot be read.
int64_t ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtoll(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

int64_t FramesToRun() {
    const char* text = std::getenv("SNOWFALL_SOAK_FRAMES");
    return text ? std::strtoll(text, nullptr, 10) : 1'000'000;
}

TEST(Soak, FlakeCountAndSnowLineHoldAndMemoryStaysFlat) {
    const int64_t frames = FramesToRun();
    ASSERT_GT(frames, kSteadyFrame);

    scenerun::SceneRun record(20'241'224);
    record.keep = false;  // nothing recorded: the loop runs at full speed
    record.display->keep = false;
    record.escapeFromFlip = frames;

    int64_t badCount = 0, badLine = 0, mostFlakes = 0;
    int64_t rssSteady = -1, rssEnd = -1;
    const auto start = std::chrono::steady_clock::now();
    // Flip is the last call of a frame but KeyDown: the scene stands between
    // frames. Flips after `frames` belong to the closing fade.
    record.onFlip = [&] {
        const int64_t frame = record.flips;
        if (frame > frames) return;
        int64_t flakes = 0;
        for (fw::TListEnum e = objList->ObjectEnumerator(); e.HasNext();) {
            fw::Ref<Obj> flake = fw::Cast<Obj>(e.NextObject());
            if (!flake) continue;
            ++flakes;
            if (!(flake->y < 510.0f) && badLine++ == 0) {
                ADD_FAILURE() << "frame " << frame << ": a flake at y = " << flake->y;
            }
        }
        if ((counter != flakes || objList->Count() != flakes) && badCount++ == 0) {
            ADD_FAILURE() << "frame " << frame << ": counter " << counter << ", Count "
                          << objList->Count() << ", flakes " << flakes;
        }
        if (flakes > mostFlakes) mostFlakes = flakes;
        if (frame == kSteadyFrame) rssSteady = ResidentKiB();
        if (frame == frames) rssEnd = ResidentKiB();
    };

    EXPECT_EQ(SnowfallMain(), 0);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    EXPECT_EQ(record.flips, frames + 101);  // the frames, then the fade
    EXPECT_EQ(badCount, 0);
    EXPECT_EQ(badLine, 0);
    EXPECT_LE(mostFlakes, 4120);  // no flake lives more than 1,030 frames
    ASSERT_GT(rssSteady, 0);
    ASSERT_GT(rssEnd, 0);
    EXPECT_LT(rssEnd - rssSteady, 1024) << "resident memory grew from " << rssSteady
                                        << " KiB to " << rssEnd << " KiB";
    std::printf("soak: %lld frames in %.1f s, at most %lld flakes, resident %lld KiB at frame "
                "%lld and %lld KiB at frame %lld\n",
                (long long)frames, seconds, (long long)mostFlakes, (long long)rssSteady,
                (long long)kSteadyFrame, (long long)rssEnd, (long long)frames);
}

}  // namespace
