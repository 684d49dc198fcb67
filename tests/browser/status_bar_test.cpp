// The panel status bar as the main window sets it up: date, time and gauge panels.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QTest>

#include "browser/status_bar.h"
#include "support/qt_wait.h"

namespace kivo {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!QCoreApplication::instance())
            app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[16] = "status_bar_test";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};
const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// The main window's bar: date "yyyy.mm.dd", time in the long format, a gauge.
class MainWindowBar : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ProcessFormatSettings();
        ProcessFormatSettings().LongTimeFormat = "hh:nn:ss";
        ProcessFormatSettings().TimeSeparator = ':';
        now = EncodeDate(2026, 12, 8) + EncodeTime(10, 11, 12);
        bar.Now = [this] { return now; };
        bar.resize(400, 20);

        TStatusPanel& date = bar.AddPanel();
        date.SetPanelType(TStatusPanelType::sptDate);
        date.SetDateFormat(QStringLiteral("yyyy.mm.dd"));
        date.SetAutoFit(true);
        date.SetWidth(62);
        TStatusPanel& time = bar.AddPanel();
        time.SetPanelType(TStatusPanelType::sptTime);
        time.SetAutoFit(true);
        time.SetWidth(50);
        TStatusPanel& gauge = bar.AddPanel();
        gauge.SetPanelType(TStatusPanelType::sptGauge);
        gauge.GaugeAttrs().SetStyle(TGaugeStyle::gsPercent);
        gauge.GaugeAttrs().SetSpeed(0);
        gauge.SetAlignment(TPanelAlignment::Center);
        gauge.SetText(QStringLiteral(" "));
        gauge.SetAutoFit(false);
        gauge.SetWidth(50);
    }
    void TearDown() override { ProcessFormatSettings() = saved_; }

    void Show() {
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
        QCoreApplication::processEvents();
    }

    QColor PixelAt(int x) {
        const QImage image = bar.grab().toImage();
        return image.pixelColor(x, bar.height() / 2);
    }

    FormatSettings saved_;
    TDateTime now = 0;
    TPanelStatusBar bar;
};

TEST_F(MainWindowBar, DateAndTimeTexts) {
    EXPECT_EQ(bar.Panel(0).Text(), QStringLiteral("2026.12.08"));
    EXPECT_EQ(bar.Panel(1).Text(), QStringLiteral("10:11:12"));
    EXPECT_TRUE(bar.Panel(0).AutoFit());
    EXPECT_TRUE(bar.ClockTimerActive());
    EXPECT_EQ(bar.ClockTimerInterval(), 1000);
}

TEST_F(MainWindowBar, SettingTheTypeClearsAutoFitAndAGaugeIsCentred) {
    TPanelStatusBar other;
    TStatusPanel& p = other.AddPanel();
    p.SetAutoFit(true);
    p.SetPanelType(TStatusPanelType::sptDate);
    EXPECT_FALSE(p.AutoFit());
    EXPECT_EQ(other.ClockTimerInterval(), 60000); // a lone date panel ticks every minute
    p.SetPanelType(TStatusPanelType::sptGauge);
    EXPECT_FALSE(p.AutoFit());
    EXPECT_EQ(p.Alignment(), TPanelAlignment::Center);
    EXPECT_FALSE(other.ClockTimerActive()); // it left the clock
}

TEST_F(MainWindowBar, DateChangesAtMidnightWithinOneTick) {
    now = EncodeDate(2026, 12, 8) + EncodeTime(23, 59, 59);
    bar.ClockTick();
    EXPECT_EQ(bar.Panel(0).Text(), QStringLiteral("2026.12.08"));
    EXPECT_EQ(bar.Panel(1).Text(), QStringLiteral("23:59:59"));
    now = EncodeDate(2026, 12, 9) + EncodeTime(0, 0, 0, 400);
    // The running timer (one second) picks the new day up.
    KIVO_WAIT_EQ(bar.Panel(0).Text(), QStringLiteral("2026.12.09"), 3000);
    EXPECT_EQ(bar.Panel(1).Text(), QStringLiteral("00:00:00"));
}

TEST_F(MainWindowBar, DatePanelIsNotReformattedOnAnOrdinaryTick) {
    // Same day: the date text stays even when its pattern would now say otherwise.
    bar.Panel(0).SetDateFormat(QStringLiteral("yyyy.mm.dd"));
    ProcessFormatSettings().ShortDateFormat = "dd/MM/yyyy";
    now += 1.0 / 86400;
    bar.ClockTick();
    EXPECT_EQ(bar.Panel(0).Text(), QStringLiteral("2026.12.08"));
    EXPECT_EQ(bar.Panel(1).Text(), QStringLiteral("10:11:13"));
}

TEST_F(MainWindowBar, EmptyFormatsUseThePlatformDefaults) {
    ProcessFormatSettings().ShortDateFormat = "yyyy.MM.DD";
    bar.Panel(0).SetDateFormat(QString());
    EXPECT_EQ(bar.Panel(0).Text(), QStringLiteral("2026.12.08"));
    bar.Panel(1).SetTimeFormat(QStringLiteral("hh:nn"));
    EXPECT_EQ(bar.Panel(1).Text(), QStringLiteral("10:11"));
}

TEST_F(MainWindowBar, AutoFitWidthFollowsTheText) {
    const QFontMetrics fm(bar.font());
    EXPECT_EQ(bar.Panel(0).EffectiveWidth(),
              fm.horizontalAdvance(QStringLiteral("2026.12.08")) + 6);
    bar.Panel(0).SetBorderWidth(3);
    EXPECT_EQ(bar.Panel(0).EffectiveWidth(),
              fm.horizontalAdvance(QStringLiteral("2026.12.08")) + 3 + 6);
    EXPECT_EQ(bar.Panel(2).EffectiveWidth(), 50);
    // The last panel reaches the right edge.
    EXPECT_EQ(bar.PanelRect(2).right(), bar.width() - 1);
    EXPECT_EQ(bar.PanelRect(1).left(), bar.Panel(0).EffectiveWidth());
}

TEST(Gauge, SplitAndText) {
    EXPECT_EQ(GaugeSplit(0, 100, 0), 0);
    EXPECT_EQ(GaugeSplit(0, 100, 42), 42);
    EXPECT_EQ(GaugeSplit(10, 200, 100), 210);
    EXPECT_EQ(GaugeSplit(10, 3, 50), 12); // 1.5 rounds up
    EXPECT_EQ(GaugeSplit(0, 7, 10), 1);   // 0.7 rounds up
    EXPECT_EQ(GaugeText(QString(), 42), QStringLiteral("42%"));
    EXPECT_EQ(GaugeText(QString(), 0), QStringLiteral("0%"));
    EXPECT_EQ(GaugeText(QStringLiteral(" "), 42), QStringLiteral(" "));
}

TEST_F(MainWindowBar, GaugeRepaintsOnlyWhenThePositionChanges) {
    Show();
    TGaugeAttrs& g = bar.Panel(2).GaugeAttrs();
    const int before = bar.PanelPaintCount(2);
    g.SetPosition(42); // synchronous: no event processing needed
    EXPECT_EQ(bar.PanelPaintCount(2), before + 1);
    g.SetPosition(42);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar.PanelPaintCount(2), before + 1);
    g.SetPosition(250);
    EXPECT_EQ(g.Position(), 100);
    g.SetPosition(-3);
    EXPECT_EQ(g.Position(), 0);
}

TEST_F(MainWindowBar, GaugeFillFromEmptyToFull) {
    bar.Panel(2).GaugeAttrs().SetColor(QColor(255, 0, 0));
    const QRect r = bar.PanelRect(2);
    const QColor face = bar.palette().color(QPalette::Window);
    const int nearLeft = r.left() + 3;
    const int nearRight = r.right() - 3;

    EXPECT_EQ(PixelAt(nearLeft), face);
    EXPECT_EQ(PixelAt(nearRight), face);
    bar.Panel(2).GaugeAttrs().SetPosition(100);
    EXPECT_EQ(PixelAt(nearLeft), QColor(255, 0, 0));
    EXPECT_EQ(PixelAt(nearRight), QColor(255, 0, 0));
    bar.Panel(2).GaugeAttrs().SetPosition(50);
    EXPECT_EQ(PixelAt(nearLeft), QColor(255, 0, 0));
    EXPECT_EQ(PixelAt(nearRight), face);
}

TEST_F(MainWindowBar, PercentTextChangesColourWhereTheFillEnds) {
    TStatusPanel& g = bar.Panel(2);
    g.SetText(QString());
    g.GaugeAttrs().SetColor(QColor(0, 0, 255));
    g.GaugeAttrs().SetTextColor(QColor(255, 255, 0));
    g.GaugeAttrs().SetPosition(100);
    // Somewhere in the centred "100%" the text colour shows over the fill.
    const QImage image = bar.grab().toImage();
    const QRect r = bar.PanelRect(2);
    bool yellow = false;
    for (int x = r.left(); x <= r.right(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y) == QColor(255, 255, 0))
                yellow = true;
    EXPECT_TRUE(yellow);
}

TEST_F(MainWindowBar, DisabledPanelsDrawNothingAndLeaveTheClock) {
    bar.Panel(0).SetEnabled(false);
    EXPECT_TRUE(bar.ClockTimerActive()); // the time panel still runs it
    bar.Panel(1).SetEnabled(false);
    EXPECT_FALSE(bar.ClockTimerActive());
    bar.Panel(1).SetEnabled(true);
    EXPECT_EQ(bar.ClockTimerInterval(), 1000);

    bar.Panel(2).GaugeAttrs().SetColor(QColor(255, 0, 0));
    bar.Panel(2).GaugeAttrs().SetPosition(100);
    bar.setEnabled(false);
    EXPECT_EQ(PixelAt(bar.PanelRect(2).left() + 3), bar.palette().color(QPalette::Window));
}

TEST_F(MainWindowBar, RemovingClockPanelsFreesTheTimer) {
    bar.RemovePanel(0);
    EXPECT_TRUE(bar.ClockTimerActive());
    bar.RemovePanel(0);
    EXPECT_FALSE(bar.ClockTimerActive());
    EXPECT_EQ(bar.PanelCount(), 1);
}

struct IdleGaugeCase {
    int position;
    QString text; // what the gauge shows
};

class MainWindowPanels : public ::testing::TestWithParam<IdleGaugeCase> {};

TEST_P(MainWindowPanels, TheGaugeShowsNoPercentage) {
    TPanelStatusBar bar;
    AddMainWindowPanels(bar);
    ASSERT_EQ(bar.PanelCount(), 3);
    EXPECT_EQ(bar.Panel(0).PanelType(), TStatusPanelType::sptDate);
    EXPECT_EQ(bar.Panel(0).DateFormat(), QStringLiteral("yyyy.mm.dd"));
    EXPECT_TRUE(bar.Panel(0).AutoFit());
    EXPECT_EQ(bar.Panel(1).PanelType(), TStatusPanelType::sptTime);
    EXPECT_TRUE(bar.Panel(1).AutoFit());
    TStatusPanel& gauge = bar.Panel(2);
    EXPECT_EQ(gauge.PanelType(), TStatusPanelType::sptGauge);
    EXPECT_EQ(gauge.Alignment(), TPanelAlignment::Center);
    EXPECT_FALSE(gauge.AutoFit());
    EXPECT_EQ(gauge.Width(), 50);
    gauge.GaugeAttrs().SetPosition(GetParam().position);
    EXPECT_EQ(gauge.Text(), QStringLiteral(" "));
    EXPECT_EQ(GaugeText(gauge.Text(), gauge.GaugeAttrs().Position()), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Positions, MainWindowPanels,
                         ::testing::Values(IdleGaugeCase{0, QStringLiteral(" ")},
                                           IdleGaugeCase{42, QStringLiteral(" ")},
                                           IdleGaugeCase{100, QStringLiteral(" ")}));

} // namespace
} // namespace kivo
