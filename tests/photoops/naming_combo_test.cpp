#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include "photoops/naming.h"
#include "photoops/naming_combo.h"

namespace kivo {
namespace {

// One application object for the whole program, gone before the statics are.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QCoreApplication::instance() == nullptr)
            app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[8] = "kivo";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class FormatCombo : public ::testing::Test {
protected:
    void SetUp() override {
        layout = new QVBoxLayout(&window);
        combo = new QComboBox(&window);
        other = new QLineEdit(&window);
        layout->addWidget(combo);
        layout->addWidget(other);
    }

    void Type(const QString& text) {
        combo->lineEdit()->selectAll();
        QTest::keyClick(combo->lineEdit(), Qt::Key_Delete);
        QTest::keyClicks(combo->lineEdit(), text);
    }

    QWidget window;
    QVBoxLayout* layout = nullptr;
    QComboBox* combo = nullptr;
    QLineEdit* other = nullptr;
};

TEST_F(FormatCombo, SetupShowsTheStoredItem) {
    SetupFormatCombo(*combo, 2);
    ASSERT_EQ(combo->count(), kFormatCount);
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(combo->itemText(0), "YYYY_MM_DD_hh_mm_ss");
    EXPECT_EQ(combo->itemText(6), "####");
    EXPECT_EQ(combo->currentText(), "YYYY_MM_DD_###");
    EXPECT_EQ(FormatIndexOf(*combo), 2);
}

TEST_F(FormatCombo, StoredIndexOutsideTheItemsGivesEmptyTextAndKeepsTheTag) {
    SetupFormatCombo(*combo, 9);
    EXPECT_EQ(combo->currentText(), "");
    EXPECT_EQ(FormatIndexOf(*combo), 9);
}

TEST_F(FormatCombo, TypedTextSelectsTheFormatIgnoringCase) {
    SetupFormatCombo(*combo, 0);
    ConnectFormatCombo(*combo);
    Type("yyyy_mm_dd_##");
    EXPECT_EQ(FormatIndexOf(*combo), 1);
    Type("###");
    EXPECT_EQ(FormatIndexOf(*combo), 5);
}

TEST_F(FormatCombo, ChoosingAnItemSelectsItsIndex) {
    SetupFormatCombo(*combo, 0);
    ConnectFormatCombo(*combo);
    combo->setCurrentIndex(4);
    EXPECT_EQ(FormatIndexOf(*combo), 4);
}

TEST_F(FormatCombo, UnknownTextGivesMinusOneAndKeepsTheFocus) {
    SetupFormatCombo(*combo, 1);
    ConnectFormatCombo(*combo);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    combo->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return combo->hasFocus(); }, 2000));

    Type("YYYY_MM");
    EXPECT_EQ(FormatIndexOf(*combo), -1);

    other->setFocus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return combo->hasFocus(); }, 2000));
    EXPECT_EQ(FormatIndexOf(*combo), -1);

    // A valid text lets the focus go.
    Type("####");
    EXPECT_EQ(FormatIndexOf(*combo), 6);
    other->setFocus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return other->hasFocus(); }, 2000));
    QTest::qWait(50);
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(FormatIndexOf(*combo), 6);
}

TEST_F(FormatCombo, ExitMapsTheCurrentTextWithoutConnection) {
    SetupFormatCombo(*combo, 0);
    combo->setEditText("yyyy_MM_dd_####");
    EXPECT_EQ(CBTypExit(*combo), 3);
    EXPECT_EQ(FormatIndexOf(*combo), 3);
    combo->setEditText("nic");
    EXPECT_EQ(CBTypExit(*combo), -1);
    EXPECT_EQ(FormatIndexOf(*combo), -1);
}

} // namespace
} // namespace kivo
