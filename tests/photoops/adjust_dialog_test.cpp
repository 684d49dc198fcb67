#include "photoops/adjust_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "platform/datetime.h"
#include "widgets/spin_edit.h"

namespace kivo {
namespace {

// Answers every message box that comes up while it lives with OK, remembering the texts.
class MessageBoxWatcher {
public:
    MessageBoxWatcher() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts_ << box->text();
                box->done(QMessageBox::Ok);
            }
        });
        timer_.start(5);
    }
    const QStringList& texts() const { return texts_; }

private:
    QTimer timer_;
    QStringList texts_;
};

class AdjustDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QApplication::instance()) {
            static int argc = 1;
            static char name[] = "adjust_dialog_test";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);
        }
    }

    void ShowActive() {
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    TFUprDatCas dialog;
};

TEST_F(AdjustDialogTest, StartsFromTheInitialSettings) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Úprava datumu a času"));
    EXPECT_EQ(dialog.PG->tabPosition(), QTabWidget::South);
    EXPECT_EQ(dialog.PG->tabText(0), QStringLiteral("relativně"));
    EXPECT_EQ(dialog.PG->tabText(1), QStringLiteral("absolutně"));
    EXPECT_EQ(dialog.PG->currentIndex(), 0);
    EXPECT_EQ(dialog.RSEVelikostR->text(), QStringLiteral("1"));
    EXPECT_EQ(dialog.CBHodnotaR->currentText(), QStringLiteral("den"));
    ASSERT_EQ(dialog.CBHodnotaR->count(), 6);
    EXPECT_EQ(dialog.CBHodnotaR->itemText(1), QStringLiteral("měsíc"));
    EXPECT_EQ(dialog.unitIndex(), kUnitDay);
    EXPECT_FALSE(dialog.ChBDatumZmenitA->isChecked());
    EXPECT_FALSE(dialog.DTPA->isEnabled());
    EXPECT_EQ(dialog.DTPA->date(), QDate(2005, 8, 27));
    EXPECT_FALSE(dialog.ChBCasZmenitA->isChecked());
    EXPECT_FALSE(dialog.MECasA->isEnabled());
    EXPECT_EQ(dialog.MECasA->text(), QStringLiteral("00:00"));
    EXPECT_EQ(dialog.BOK->text(), QStringLiteral("Proveď"));
    EXPECT_EQ(dialog.Bcancel->text(), QStringLiteral("Zruš"));

    const AdjustSettings s = dialog.settings();
    const AdjustSettings initial;
    EXPECT_EQ(s.page, initial.page);
    EXPECT_EQ(s.amount, initial.amount);
    EXPECT_EQ(s.unitIndex, initial.unitIndex);
    EXPECT_EQ(s.date, initial.date);
    EXPECT_EQ(s.timeText, initial.timeText);
}

TEST_F(AdjustDialogTest, CheckBoxesEnableTheirFields) {
    dialog.ChBDatumZmenitA->click();
    EXPECT_TRUE(dialog.DTPA->isEnabled());
    EXPECT_FALSE(dialog.MECasA->isEnabled());
    dialog.ChBCasZmenitA->setChecked(true);
    EXPECT_TRUE(dialog.MECasA->isEnabled());
    dialog.ChBDatumZmenitA->setChecked(false);
    EXPECT_FALSE(dialog.DTPA->isEnabled());
}

TEST_F(AdjustDialogTest, TypedUnitIsChosenWithoutRegardToCase) {
    dialog.CBHodnotaR->setEditText(QStringLiteral("ROK"));
    dialog.CBOperaceRExit();
    EXPECT_EQ(dialog.unitIndex(), kUnitYear);
    dialog.CBHodnotaR->setEditText(QStringLiteral("DEN"));
    dialog.CBOperaceRExit();
    EXPECT_EQ(dialog.unitIndex(), kUnitDay);
    EXPECT_EQ(dialog.settings().unitIndex, kUnitDay);
}

TEST_F(AdjustDialogTest, UnknownUnitKeepsThePreviousOneAndTheFocus) {
    ShowActive();
    dialog.CBHodnotaR->setFocus();
    dialog.CBHodnotaR->setEditText(QStringLiteral("hodina"));
    QTest::keyClick(dialog.CBHodnotaR, Qt::Key_Tab);
    EXPECT_EQ(dialog.unitIndex(), kUnitHour) << "leaving the combo chooses the unit";

    dialog.CBHodnotaR->setFocus();
    dialog.CBHodnotaR->setEditText(QStringLiteral("týden"));
    QTest::keyClick(dialog.CBHodnotaR, Qt::Key_Tab);
    EXPECT_EQ(dialog.unitIndex(), kUnitHour);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.CBHodnotaR->hasFocus(); }, 2000));
}

TEST_F(AdjustDialogTest, TimeFieldRefusesImpossibleTimes) {
    dialog.ChBCasZmenitA->setChecked(true);
    for (const char* bad : {"24:00", "12:60"}) {
        MessageBoxWatcher boxes;
        dialog.MECasA->setText(QString::fromLatin1(bad));
        EXPECT_TRUE(CheckTimeEdit(*dialog.MECasA)) << bad;
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Chybný formát")}) << bad;
    }
    MessageBoxWatcher boxes;
    dialog.MECasA->setText(QStringLiteral("23:59"));
    EXPECT_FALSE(CheckTimeEdit(*dialog.MECasA));
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(AdjustDialogTest, PartlyFilledTimeIsRefused) {
    dialog.ChBCasZmenitA->setChecked(true);
    dialog.MECasA->clear();
    QTest::keyClicks(dialog.MECasA, QStringLiteral("1"));
    MessageBoxWatcher boxes;
    EXPECT_TRUE(CheckTimeEdit(*dialog.MECasA)) << dialog.MECasA->text().toStdString();
    EXPECT_EQ(boxes.texts().size(), 1);
}

TEST_F(AdjustDialogTest, TimeFieldOnlyTakesDigits) {
    dialog.ChBCasZmenitA->setChecked(true);
    dialog.MECasA->clear();
    dialog.MECasA->setCursorPosition(0);
    QTest::keyClicks(dialog.MECasA, QStringLiteral("0a7x05"));
    EXPECT_EQ(dialog.MECasA->text(), QStringLiteral("07:05"));
}

TEST_F(AdjustDialogTest, ConfirmingWithARefusedTimeKeepsTheDialogOpen) {
    ShowActive();
    dialog.PG->setCurrentIndex(kPageAbsolute);
    dialog.ChBCasZmenitA->setChecked(true);
    dialog.MECasA->setText(QStringLiteral("25:00"));
    {
        MessageBoxWatcher boxes;
        QTest::mouseClick(dialog.BOK, Qt::LeftButton);
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Chybný formát")});
    }
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    dialog.MECasA->setText(QStringLiteral("07:05"));
    QTest::mouseClick(dialog.BOK, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const AdjustSettings s = dialog.settings();
    EXPECT_EQ(s.page, kPageAbsolute);
    EXPECT_TRUE(s.changeTime);
    EXPECT_EQ(s.timeText, "07:05");
}

TEST_F(AdjustDialogTest, RefusedTimeDoesNotMatterOnTheRelativePage) {
    ShowActive();
    dialog.ChBCasZmenitA->setChecked(true);
    dialog.MECasA->setText(QStringLiteral("25:00"));
    MessageBoxWatcher boxes;
    QTest::mouseClick(dialog.BOK, Qt::LeftButton);
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(AdjustDialogTest, LeavingTheTimeFieldChecksIt) {
    ShowActive();
    dialog.PG->setCurrentIndex(kPageAbsolute);
    dialog.ChBCasZmenitA->setChecked(true);
    dialog.MECasA->setFocus();
    dialog.MECasA->setText(QStringLiteral("12:60"));
    MessageBoxWatcher boxes;
    QTest::keyClick(dialog.MECasA, Qt::Key_Backtab);
    EXPECT_TRUE(QTest::qWaitFor([&] { return boxes.texts().size() == 1; }, 2000));
    // The field is the dialog's focus widget again (whether the platform re-activates the
    // dialog after the box is its own business).
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.focusWidget() == dialog.MECasA; }, 2000));
}

TEST_F(AdjustDialogTest, ConfirmTakesAUnitTypedWithoutLeavingTheCombo) {
    ShowActive();
    dialog.CBHodnotaR->setEditText(QStringLiteral("Minuta"));
    dialog.RSEVelikostR->setText(QStringLiteral("-20"));
    dialog.BOKClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.settings().unitIndex, kUnitMinute);
    EXPECT_EQ(dialog.settings().amount, -20);
}

TEST_F(AdjustDialogTest, AmountThatIsNoNumberCountsAsZero) {
    dialog.RSEVelikostR->setText(QStringLiteral("-"));
    EXPECT_EQ(dialog.settings().amount, 0);
}

TEST_F(AdjustDialogTest, CancelRejects) {
    ShowActive();
    QTest::mouseClick(dialog.Bcancel, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(AdjustDialogTest, PickerDateIsTheAbsoluteDate) {
    dialog.PG->setCurrentIndex(kPageAbsolute);
    dialog.ChBDatumZmenitA->setChecked(true);
    dialog.DTPA->setDate(QDate(2006, 1, 1));
    const AdjustSettings s = dialog.settings();
    EXPECT_TRUE(s.changeDate);
    EXPECT_EQ(s.date, EncodeDate(2006, 1, 1));
}

class UnknownUnitOnConfirm : public AdjustDialogTest,
                             public ::testing::WithParamInterface<const char*> {};

TEST_P(UnknownUnitOnConfirm, KeepsTheDialogOpenWithTheFieldMarked) {
    ShowActive();
    dialog.CBHodnotaR->setEditText(QString::fromUtf8(GetParam()));
    dialog.BOKClick();
    EXPECT_TRUE(dialog.isVisible()) << "not closed";
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.unitMarked());
    EXPECT_FALSE(dialog.LStav->isHidden());
    EXPECT_TRUE(dialog.LStav->text().contains(QString::fromUtf8(GetParam())));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return dialog.focusWidget() == dialog.CBHodnotaR ||
                   dialog.CBHodnotaR->isAncestorOf(dialog.focusWidget());
        },
        2000));
    EXPECT_EQ(dialog.unitIndex(), kUnitDay) << "the previous unit is not applied";

    // Corrected, the mark goes and the unit is taken.
    dialog.CBHodnotaR->setEditText(QStringLiteral("hodina"));
    EXPECT_FALSE(dialog.unitMarked());
    EXPECT_TRUE(dialog.LStav->isHidden());
    dialog.BOKClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.settings().unitIndex, kUnitHour);
}

INSTANTIATE_TEST_SUITE_P(Texts, UnknownUnitOnConfirm,
                         ::testing::Values("týden", "", "dny", "den "));

TEST_F(AdjustDialogTest, UnknownUnitDoesNotMatterOnTheAbsolutePage) {
    ShowActive();
    dialog.CBHodnotaR->setEditText(QStringLiteral("týden"));
    dialog.PG->setCurrentIndex(kPageAbsolute);
    dialog.BOKClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.unitMarked());
}

} // namespace
} // namespace kivo
