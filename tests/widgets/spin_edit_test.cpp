#include "widgets/spin_edit.h"

#include <gtest/gtest.h>

#include <limits>

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace kivo {
namespace {

class SpinEditTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QApplication::instance()) {
            static int argc = 1;
            static char name[] = "spin_edit_test";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);
        }
    }

    SpinEdit edit;
};

TEST_F(SpinEditTest, ReadsWholeNumbersAndZeroForAnythingElse) {
    edit.setText(QStringLiteral("-42"));
    EXPECT_EQ(edit.value(), -42);
    edit.setText(QStringLiteral(" 7 "));
    EXPECT_EQ(edit.value(), 7);
    for (const char* text : {"", "-", "+", "1.5", "abc", "1 2", "+-3", "99999999999999999999"}) {
        edit.setText(QString::fromUtf8(text));
        EXPECT_EQ(edit.value(), 0) << text;
    }
    edit.setText(QStringLiteral("-9223372036854775808"));
    EXPECT_EQ(edit.value(), std::numeric_limits<qint64>::min());
}

TEST_F(SpinEditTest, TypingKeepsOnlyWholeNumberCharacters) {
    edit.setText(QString());
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("-1a2.5"));
    EXPECT_EQ(edit.text(), QStringLiteral("-125"));
    EXPECT_EQ(edit.value(), -125);
}

TEST_F(SpinEditTest, ArrowButtonsStepByTheIncrement) {
    edit.setValue(1);
    QTest::mouseClick(edit.upButton(), Qt::LeftButton);
    EXPECT_EQ(edit.value(), 2);
    QTest::mouseClick(edit.downButton(), Qt::LeftButton);
    QTest::mouseClick(edit.downButton(), Qt::LeftButton);
    QTest::mouseClick(edit.downButton(), Qt::LeftButton);
    EXPECT_EQ(edit.value(), -1);
    edit.setIncrement(5);
    QTest::mouseClick(edit.upButton(), Qt::LeftButton);
    EXPECT_EQ(edit.value(), 4);
    EXPECT_FALSE(edit.isRepeating());
}

TEST_F(SpinEditTest, StepsFromZeroWhenTheTextIsNoNumber) {
    edit.setText(QStringLiteral("-"));
    QTest::mouseClick(edit.upButton(), Qt::LeftButton);
    EXPECT_EQ(edit.text(), QStringLiteral("1"));
}

TEST_F(SpinEditTest, ArrowKeysStep) {
    edit.setValue(10);
    QTest::keyClick(edit.lineEdit(), Qt::Key_Up);
    QTest::keyClick(edit.lineEdit(), Qt::Key_Up);
    QTest::keyClick(edit.lineEdit(), Qt::Key_Down);
    EXPECT_EQ(edit.value(), 11);
}

TEST_F(SpinEditTest, StaysAtTheLimitsOfTheRange) {
    edit.setValue(std::numeric_limits<qint64>::max() - 1);
    edit.stepBy(3);
    EXPECT_EQ(edit.value(), std::numeric_limits<qint64>::max());
    edit.setValue(std::numeric_limits<qint64>::min() + 1);
    edit.stepBy(-3);
    EXPECT_EQ(edit.value(), std::numeric_limits<qint64>::min());
}

TEST_F(SpinEditTest, HeldButtonRepeatsUntilReleased) {
    edit.show();
    edit.setValue(0);
    QTest::mousePress(edit.upButton(), Qt::LeftButton);
    EXPECT_EQ(edit.value(), 1) << "one step at once";
    EXPECT_TRUE(edit.isRepeating());
    EXPECT_TRUE(QTest::qWaitFor([&] { return edit.value() >= 4; }, 5000));
    QTest::mouseRelease(edit.upButton(), Qt::LeftButton);
    EXPECT_FALSE(edit.isRepeating());
    const qint64 reached = edit.value();
    QTest::mousePress(edit.downButton(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return edit.value() <= reached - 3; }, 5000));
    QTest::mouseRelease(edit.downButton(), Qt::LeftButton);
    EXPECT_FALSE(edit.isRepeating());
}

TEST_F(SpinEditTest, RepeatStopsWhenDisabled) {
    edit.show();
    QTest::mousePress(edit.upButton(), Qt::LeftButton);
    edit.setEnabled(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !edit.isRepeating(); }, 5000));
    edit.setEnabled(true);
}

TEST_F(SpinEditTest, ReportsValueChanges) {
    edit.setValue(3);
    QSignalSpy spy(&edit, &SpinEdit::valueChanged);
    edit.stepBy(1);
    edit.setText(QStringLiteral("+4")); // same value, other text
    edit.setText(QStringLiteral("x"));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toLongLong(), 4);
    EXPECT_EQ(spy.at(1).at(0).toLongLong(), 0);
}

} // namespace
} // namespace kivo
