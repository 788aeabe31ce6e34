// SIGINT, SIGTERM, SIGHUP and SIGQUIT under RunApplication: the signal is acted on at the next
// CheckTermination, the exit handlers run in order (display, then sound), and
// the process dies of the signal. Each case runs the application in a child
// process whose stand-in exit handlers write to a pipe.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/runtime/runtime.h"

namespace fw {
namespace {

int logFd = -1;

void Log(const char* line) {
    ssize_t written = write(logFd, line, std::strlen(line));
    (void)written;
}

// The order in which the framework registers its exit handlers: the sound
// output's while the framework initialises, the display's at the first
// Graphics, so the display's runs first.
void StopSound() { Log("sound\n"); }
void GiveDisplayBack() { Log("display\n"); }
void StartUp() {
    std::atexit(StopSound);
    std::atexit(GiveDisplayBack);
}

struct Outcome {
    std::string log;
    int status = 0;
};

// `ignored`: a signal the child starts with ignored, as under nohup.
Outcome RunInChild(int (*body)(), int ignored = 0) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        logFd = fds[1];
        if (ignored != 0) signal(ignored, SIG_IGN);
        // SIGQUIT's default action would leave a core file.
        const rlimit noCore = {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        RunApplication(body);
    }
    close(fds[1]);
    Outcome outcome;
    char buffer[256];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) outcome.log.append(buffer, size_t(n));
    close(fds[0]);
    EXPECT_EQ(waitpid(pid, &outcome.status, 0), pid);
    return outcome;
}

bool KilledBy(int status, int sig) { return WIFSIGNALED(status) && WTERMSIG(status) == sig; }

int signalToSend = 0;

int FrameLoop() {
    StartUp();
    for (int frame = 1; frame <= 10; ++frame) {
        Log("frame\n");
        if (frame == 3) kill(getpid(), signalToSend);
        CheckTermination();
    }
    Log("returned\n");
    return 0;
}

// Ctrl-C, kill, the terminal closing and quit (Ctrl-\ in a terminal) alike.
TEST(Termination, EachSignalEndsTheFrameLoopAfterDisplayThenSound) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        signalToSend = sig;
        Outcome outcome = RunInChild(FrameLoop);
        EXPECT_EQ(outcome.log, "frame\nframe\nframe\ndisplay\nsound\n") << strsignal(sig);
        EXPECT_TRUE(KilledBy(outcome.status, sig)) << strsignal(sig) << ": " << outcome.status;
    }
}

// The handler only records the signal: start-up goes on to the next check.
int SignalWhileLoading() {
    std::atexit(StopSound);
    kill(getpid(), SIGINT);
    Log("loaded\n");
    std::atexit(GiveDisplayBack);
    CheckTermination();
    Log("first frame\n");
    return 0;
}

TEST(Termination, SignalDuringStartUpIsActedOnAtTheFirstCheck) {
    Outcome outcome = RunInChild(SignalWhileLoading);
    EXPECT_EQ(outcome.log, "loaded\ndisplay\nsound\n");
    EXPECT_TRUE(KilledBy(outcome.status, SIGINT)) << outcome.status;
}

// A signal that comes while the exit handlers of a normal end are running is
// not lost: the remaining handlers run and the process dies of it.
void GiveDisplayBackSlowly() {
    Log("display\n");
    kill(getpid(), SIGTERM);
}
int ReturnsNormally() {
    std::atexit(StopSound);
    std::atexit(GiveDisplayBackSlowly);
    return 0;
}

TEST(Termination, SignalDuringTheExitHandlersStillEndsByIt) {
    Outcome outcome = RunInChild(ReturnsNormally);
    EXPECT_EQ(outcome.log, "display\nsound\n");
    EXPECT_TRUE(KilledBy(outcome.status, SIGTERM)) << outcome.status;
}

// A CheckTermination reached from an exit handler does not exit again.
void CheckFromExitHandler() {
    CheckTermination();
    Log("display\n");
}
int SignalThenExitHandlerChecks() {
    std::atexit(StopSound);
    std::atexit(CheckFromExitHandler);
    kill(getpid(), SIGTERM);
    CheckTermination();
    return 0;
}

TEST(Termination, CheckInsideAnExitHandlerDoesNotExitTwice) {
    Outcome outcome = RunInChild(SignalThenExitHandlerChecks);
    EXPECT_EQ(outcome.log, "display\nsound\n");
    EXPECT_TRUE(KilledBy(outcome.status, SIGTERM)) << outcome.status;
}

// A program stuck before its next check is ended by a second signal at once.
int StuckAfterTwoSignals() {
    StartUp();
    kill(getpid(), SIGTERM);
    kill(getpid(), SIGINT);
    Log("went on\n");
    return 0;
}

TEST(Termination, SecondSignalEndsAtOnceWithoutExitHandlers) {
    Outcome outcome = RunInChild(StuckAfterTwoSignals);
    EXPECT_EQ(outcome.log, "");
    EXPECT_TRUE(KilledBy(outcome.status, SIGINT)) << outcome.status;
}

int IgnoredSignal() {
    StartUp();
    kill(getpid(), signalToSend);
    CheckTermination();
    Log("went on\n");
    return 0;
}

TEST(Termination, SignalIgnoredAtStartStaysIgnored) {
    for (int sig : {SIGINT, SIGHUP}) {
        signalToSend = sig;
        Outcome outcome = RunInChild(IgnoredSignal, sig);
        EXPECT_EQ(outcome.log, "went on\ndisplay\nsound\n") << strsignal(sig);
        ASSERT_TRUE(WIFEXITED(outcome.status)) << outcome.status;
        EXPECT_EQ(WEXITSTATUS(outcome.status), 0);
    }
}

int NoSignal() {
    StartUp();
    CheckTermination();
    Log("went on\n");
    return 0;
}

TEST(Termination, WithoutASignalCheckReturnsAndTheBodyEndsWithZero) {
    Outcome outcome = RunInChild(NoSignal);
    EXPECT_EQ(outcome.log, "went on\ndisplay\nsound\n");
    ASSERT_TRUE(WIFEXITED(outcome.status)) << outcome.status;
    EXPECT_EQ(WEXITSTATUS(outcome.status), 0);
}

}  // namespace
}  // namespace fw
