// snowtrace: the trace of a whole run, from outside, as its user sees it.
#include <sys/wait.h>

#include <cstdio>

#include "tests/scene/scene_test.h"

namespace {

struct TraceRun {
    int status = -1;
    std::vector<std::string> lines;
};

TraceRun Snowtrace(const std::string& arguments) {
    TraceRun run;
    std::string command = std::string(SNOWTRACE) + " " + arguments + " 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    if (!out) return run;
    std::string line;
    for (int c; (c = std::fgetc(out)) != EOF;) {
        if (c == '\n') {
            run.lines.push_back(line);
            line.clear();
        } else {
            line += char(c);
        }
    }
    if (!line.empty()) run.lines.push_back(line);
    int status = pclose(out);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

using SnowtraceTool = SceneTest;

TEST_F(SnowtraceTool, ThreeFramesFromSeed12345) {
    TraceRun run = Snowtrace("12345 3");
    ASSERT_EQ(run.status, 0);
    // Start-up: 14 lines. Frame f draws the 4f flakes born so far (none can
    // reach the line in three frames), 5 lines each, plus Cls, the tint, the
    // 5 resets, the picture, Flip and KeyDown. The fade: step 0 draws the
    // picture and flips, steps 1 to 100 six lines each.
    size_t frames = 0;
    for (size_t f = 1; f <= 3; ++f) frames += 10 + 5 * 4 * f;
    EXPECT_EQ(run.lines.size(), 14 + frames + 2 + 100 * 6);

    // The seed stands for the clock's reading: start-up as at 12345, then the
    // first frame's tint.
    std::vector<std::string> startup = StartupTrace();
    startup.push_back("SetColor 255 255 255");
    ASSERT_GT(run.lines.size(), startup.size());
    EXPECT_EQ(std::vector<std::string>(run.lines.begin(), run.lines.begin() + long(startup.size())),
              startup);

    // The first flake picture: the first of the frame's four new flakes that
    // is not a square, after the three colour steps.
    fw::SeedRnd(12345);
    for (int c = 0; c < 3; ++c) fw::Rnd(0.100000001490116119384765625, 0.5);
    std::string firstPicture;
    for (int i = 0; i < 4 && firstPicture.empty(); ++i) {
        FlakeDraws d = NextFlakeDraws();
        if (d.isSquare == 0) firstPicture = "DrawImage flake " + std::to_string(d.x) + " -5 0";
    }
    ASSERT_FALSE(firstPicture.empty()) << "seed 12345 makes a picture flake in frame 1";
    std::string found;
    for (const std::string& line : run.lines) {
        if (line.rfind("DrawImage flake", 0) == 0) {
            found = line;
            break;
        }
    }
    EXPECT_EQ(found, firstPicture);

    std::vector<std::string> keys;
    for (const std::string& line : run.lines) {
        if (line.rfind("KeyDown", 0) == 0) keys.push_back(line);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"KeyDown 27 0", "KeyDown 27 0", "KeyDown 27 1"}));
    size_t step1 = 14 + frames + 2;
    EXPECT_EQ(run.lines[step1 + 3], "SetAlpha 0.00999999978");
    EXPECT_EQ(run.lines[run.lines.size() - 3], "SetAlpha 1");
    EXPECT_EQ(run.lines.back(), "Flip -1");
}

TEST_F(SnowtraceTool, PrintsTheRecordedTraceOfSeed12345ForThreeFrames) {
    // Recorded from an earlier snowtrace built on stand-ins written apart from
    // the framework: the same run, line for line.
    std::FILE* file = std::fopen(SNOWFALL_SOURCE_DIR "/tests/scene/snowtrace-12345-3.txt", "r");
    ASSERT_TRUE(file);
    std::vector<std::string> expected;
    char line[256];
    while (std::fgets(line, sizeof line, file)) {
        std::string text = line;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        expected.push_back(text);
    }
    std::fclose(file);
    TraceRun run = Snowtrace("12345 3");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.lines, expected);
}

TEST_F(SnowtraceTool, IsTheSameRunAsTheSceneInThisProcess) {
    TraceRun run = Snowtrace("-77 2");
    ASSERT_EQ(run.status, 0);
    Record().clock.Set(-77);
    Record().escapeFromFlip = 2;
    SnowfallMain();
    std::vector<std::string> lines;
    for (const scenerun::Call& call : Record().calls) lines.push_back(call.Line());
    EXPECT_EQ(run.lines, lines);
    EXPECT_EQ(run.lines[4], "MilliSecs -77");
}

TEST_F(SnowtraceTool, RefusesBadArgumentsWithNothingOnStandardOutput) {
    for (const char* arguments : {"", "12345", "12345 0", "12345 -3", "x 3", "12345 3x", "1 2 3",
                                  "99999999999 1"}) {
        TraceRun run = Snowtrace(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_TRUE(run.lines.empty()) << arguments;
    }
}

}  // namespace
