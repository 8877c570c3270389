#include "RecordedCpu.h"
#include "sysinfo/CpuFrequency.h"

#include <gtest/gtest.h>

using sysinfo::MeasureFrequency;
using sysinfo::SnapFrequency;

struct SnapCase {
    int measured, nominal;
};

void PrintTo(const SnapCase &c, std::ostream *os)
{
    *os << c.measured << " -> " << c.nominal;
}

class SnapFrequencyTest : public testing::TestWithParam<SnapCase> {};

TEST_P(SnapFrequencyTest, EndsOnTheNearestNominalEnding)
{
    EXPECT_EQ(SnapFrequency(GetParam().measured), GetParam().nominal);
}

INSTANTIATE_TEST_SUITE_P(Endings, SnapFrequencyTest,
                         testing::Values(SnapCase{1997, 2000}, SnapCase{866, 866}, SnapCase{451, 450},
                                         SnapCase{334, 333}, SnapCase{2096, 2100}, SnapCase{1433, 1433},
                                         SnapCase{99, 100}, SnapCase{0, 0}, SnapCase{3695, 3700},
                                         // a tie goes to the higher ending
                                         SnapCase{1010, 1020}, SnapCase{27, 33}, SnapCase{1063, 1066}));

TEST(MeasureFrequency, ThreeAgreeingPassesGiveTheSnappedFrequency)
{
    SteppingClock clock({1997});
    const auto result = MeasureFrequency(clock);
    EXPECT_EQ(result.passes, 3);
    EXPECT_EQ(clock.raised(), 3);
    EXPECT_EQ(result.microseconds, 3000u);
    EXPECT_EQ(result.cycles, 3u * 1997000u);
    EXPECT_EQ(result.rawMHz, 1997);
    EXPECT_EQ(result.snappedMHz, 2000);
}

TEST(MeasureFrequency, PassesGoOnUntilTheLastThreeAgree)
{
    SteppingClock clock({850, 880, 866, 866, 866});
    const auto result = MeasureFrequency(clock);
    EXPECT_EQ(result.passes, 5);
    EXPECT_EQ(result.rawMHz, 866); // (850 + 880 + 3 * 866) / 5 = 865.6
    EXPECT_EQ(result.snappedMHz, 866);
}

TEST(MeasureFrequency, StopsAfterTwentyPassesThatNeverAgree)
{
    SteppingClock clock({1000, 1200});
    const auto result = MeasureFrequency(clock);
    EXPECT_EQ(result.passes, 20);
    EXPECT_EQ(result.rawMHz, 1100);
}

TEST(MeasureFrequency, TicksOfAnotherCounterFrequencyAreConvertedToMicroseconds)
{
    // A 10 MHz counter: a pass of 1000 ticks lasts 100 microseconds and reads 451 cycles per
    // tick, 4510 per microsecond; 4510 ends in 10, halfway between 0 and 20, and goes up.
    SteppingClock clock({451}, 10000000);
    const auto result = MeasureFrequency(clock);
    EXPECT_EQ(result.microseconds, 300u);
    EXPECT_EQ(result.rawMHz, 4510);
    EXPECT_EQ(result.snappedMHz, 4520);
}

TEST(MeasureFrequency, NothingWithoutAPerformanceCounter)
{
    SteppingClock clock({1997}, 0);
    const auto result = MeasureFrequency(clock);
    EXPECT_EQ(result.passes, 0);
    EXPECT_EQ(result.snappedMHz, 0);
    EXPECT_EQ(clock.raised(), 0);
}
