// The status bar's clock rules without a timer.

#include <gtest/gtest.h>

#include "browser/status_bar_clock.h"

namespace kivo {
namespace {

TEST(StatusBarClock, DateFirstThenTimeRunsEverySecond) {
    StatusBarClock c;
    EXPECT_FALSE(c.Running());
    EXPECT_TRUE(c.Register(1, ClockPanelKind::Date, 100)); // the timer comes into being
    EXPECT_EQ(c.Interval(), kClockDateInterval);
    EXPECT_EQ(c.RecordedDay(), 100);
    EXPECT_FALSE(c.Register(2, ClockPanelKind::Time, 101));
    EXPECT_EQ(c.Interval(), kClockTimeInterval);
    EXPECT_EQ(c.RecordedDay(), 100); // recorded only when the timer was created
}

TEST(StatusBarClock, ADateAfterATimeKeepsTheSecond) {
    StatusBarClock c;
    c.Register(1, ClockPanelKind::Time, 0);
    c.Register(2, ClockPanelKind::Date, 0);
    EXPECT_EQ(c.Interval(), kClockTimeInterval);
}

TEST(StatusBarClock, AnimatedGaugeTakesFiftyMilliseconds) {
    StatusBarClock c;
    c.Register(1, ClockPanelKind::Time, 0);
    c.Register(2, ClockPanelKind::AnimatedGauge, 0);
    EXPECT_EQ(c.Interval(), kClockGaugeInterval);
    // A time panel registered later does not slow the animation down.
    c.Register(3, ClockPanelKind::Time, 0);
    EXPECT_EQ(c.Interval(), kClockGaugeInterval);
}

TEST(StatusBarClock, UnregisterRecomputesAndTheLastOneFreesTheTimer) {
    StatusBarClock c;
    c.Register(1, ClockPanelKind::Date, 0);
    c.Register(2, ClockPanelKind::Time, 0);
    c.Register(3, ClockPanelKind::AnimatedGauge, 0);
    EXPECT_FALSE(c.Unregister(3));
    EXPECT_EQ(c.Interval(), kClockTimeInterval);
    EXPECT_FALSE(c.Unregister(2));
    EXPECT_EQ(c.Interval(), kClockDateInterval);
    EXPECT_FALSE(c.Unregister(42)); // not registered: nothing happens
    EXPECT_TRUE(c.Running());
    EXPECT_TRUE(c.Unregister(1));
    EXPECT_FALSE(c.Running());
}

TEST(StatusBarClock, RegisteringTwiceCountsOnce) {
    StatusBarClock c;
    c.Register(1, ClockPanelKind::Date, 0);
    EXPECT_FALSE(c.Register(1, ClockPanelKind::Date, 0));
    EXPECT_TRUE(c.Unregister(1));
}

TEST(StatusBarClock, TickReportsANewDayOnce) {
    StatusBarClock c;
    c.Register(1, ClockPanelKind::Date, 500);
    EXPECT_FALSE(c.Tick(500));
    EXPECT_TRUE(c.Tick(501));
    EXPECT_FALSE(c.Tick(501));
    EXPECT_EQ(c.RecordedDay(), 501);
}

} // namespace
} // namespace kivo
