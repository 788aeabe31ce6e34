#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/runtime/runtime.h"

namespace fw {
namespace {

class Probe : public Object {
public:
    explicit Probe(int* deleted) : deleted_(deleted) {}
    ~Probe() override { ++*deleted_; }

private:
    int* deleted_;
};

TEST(Object, IsFreedWhenTheLastReferenceGoes) {
    int deleted = 0;
    Ref<Probe> a = New<Probe>(&deleted);
    EXPECT_EQ(a->RefCount(), 1);
    {
        Ref<Object> b = a;
        EXPECT_EQ(a->RefCount(), 2);
        a = nullptr;
        EXPECT_EQ(deleted, 0);
    }
    EXPECT_EQ(deleted, 1);
}

TEST(Object, SelfAssignmentKeepsTheObject) {
    int deleted = 0;
    Ref<Probe> a = New<Probe>(&deleted);
    Ref<Probe>& alias = a;
    a = alias;
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(a->RefCount(), 1);
}

TEST(Object, CompareIsIdentity) {
    int deleted = 0;
    Ref<Probe> a = New<Probe>(&deleted), b = New<Probe>(&deleted);
    EXPECT_EQ(a->Compare(a.get()), 0);
    EXPECT_NE(a->Compare(b.get()), 0);
    EXPECT_EQ(a->Compare(b.get()), -b->Compare(a.get()));
    EXPECT_NE(a->ToString(), b->ToString());
    EXPECT_EQ(a->SendMessage(b.get(), nullptr), b.get());
}

TEST(Object, CastGivesNullForAnotherType) {
    int deleted = 0;
    Ref<Object> plain = New<Object>();
    Ref<Object> probe = New<Probe>(&deleted);
    EXPECT_EQ(Cast<Probe>(plain), nullptr);
    EXPECT_EQ(Cast<Probe>(probe).get(), probe.get());
    EXPECT_EQ(Cast<Probe>(Ref<Object>()), nullptr);
}

TEST(FloatToInt, TruncatesTowardZero) {
    EXPECT_EQ(FloatToInt(2.9), 2);
    EXPECT_EQ(FloatToInt(-2.9), -2);
    EXPECT_EQ(FloatToInt(0.99999), 0);
    EXPECT_EQ(FloatToInt(-0.0), 0);
    EXPECT_EQ(FloatToInt(2147483646.5), 2147483646);
}

TEST(FloatToInt, SaturatesOutsideTheRangeAndTakesNaNAsZero) {
    EXPECT_EQ(FloatToInt(1e12), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(FloatToInt(-1e12), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(FloatToInt(std::nan("")), 0);
}

class FixedClock : public Clock {
public:
    int64_t now = 0;
    int64_t Micros() override { return now; }
    void SleepMicros(int64_t us) override { now += us; }
};

TEST(MilliSecs, ReadsTheCurrentClockAndWrapsAt32Bits) {
    FixedClock clock;
    SetClock(&clock);
    clock.now = 12'345'999;
    EXPECT_EQ(MilliSecs(), 12345);
    clock.now = int64_t(0x80000000) * 1000;  // 2^31 ms
    EXPECT_EQ(MilliSecs(), std::numeric_limits<int32_t>::min());
    clock.now = int64_t(0x100000005) * 1000;  // 2^32 + 5 ms
    EXPECT_EQ(MilliSecs(), 5);
    SetClock(nullptr);
    EXPECT_EQ(&CurrentClock(), &SystemClock());
}

TEST(MilliSecs, SystemClockMovesForward) {
    int64_t a = SystemClock().Micros();
    SystemClock().SleepMicros(2000);
    EXPECT_GE(SystemClock().Micros() - a, 2000);
}

int ReturnsSeven() { return 7; }
int Throws() { throw RuntimeError("Unable to do the thing"); }

TEST(RunApplicationDeathTest, ExitsZeroWhateverTheBodyReturns) {
    EXPECT_EXIT(RunApplication(ReturnsSeven), testing::ExitedWithCode(0), "");
}

TEST(RunApplicationDeathTest, PrintsAnEscapedErrorAndExitsOne) {
    EXPECT_EXIT(RunApplication(Throws), testing::ExitedWithCode(1), "^Unable to do the thing\n$");
}

}  // namespace
}  // namespace fw
