#include <sys/stat.h>

#include <fcntl.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include "core/journal.h"
#include "core/settings.h"
#include "photoops/naming.h"
#include "photoops/rename_dialog.h"
#include "platform/datetime.h"
#include "platform/exe_folder.h"
#include "platform/file_system.h"
#include "support/list_rows.h"
#include "support/temp_dir.h"
#include "widgets/column_fit.h"

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

void MakeFile(const test::TempDir& dir, const std::string& name, int y, int mo, int d, int h,
              int mi, int s) {
    const std::string path = dir.write(name, name);
    const std::time_t t = LocalDateTimeToUnix(EncodeDate(y, mo, d) + EncodeTime(h, mi, s));
    const timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

QStringList ColumnTexts(const QTreeView& list, int column) {
    QStringList out;
    for (int i = 0; i < test::RowCount(list); ++i)
        out << test::CellText(list, i, column);
    return out;
}

class RenameDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("KIVO_DATA_DIR", settingsDir.path().c_str(), 1);
        mainWindow.setGeometry(100, 50, 1000, 700);
        MakeFile(photos, "IMG_0001.JPG", 2005, 8, 27, 10, 15, 32);
        MakeFile(photos, "IMG_0002.JPG", 2005, 8, 27, 9, 3, 10);
        MakeFile(photos, "img_0003.jpeg", 2005, 8, 28, 0, 0, 0);
    }
    void TearDown() override { ::unsetenv("KIVO_DATA_DIR"); }

    RenameTable FilledTable(const std::vector<std::string>& names) {
        RenameTable table(photos.path());
        table.Fill(names);
        return table;
    }
    RenameTable ExampleTable() {
        return FilledTable({"IMG_0001.JPG", "IMG_0002.JPG", "img_0003.jpeg"});
    }

    test::TempDir settingsDir;
    test::TempDir photos;
    QWidget mainWindow;
};

TEST_F(RenameDialog, LayoutCaptionsAndColumns) {
    TFZmenaJ dialog(&mainWindow, ExampleTable(), kFormatDayCounter2);
    EXPECT_EQ(dialog.objectName(), "FZmenaJ");
    EXPECT_EQ(dialog.windowTitle(), "Změna názvu souboru");
    EXPECT_EQ(dialog.minimumSize(), QSize(600, 250));
    QTreeView* list = dialog.list();
    ASSERT_EQ(list->model()->columnCount(), 4);
    const QStringList headers{"datum a čas", "název-stávající", "název-úprava", "stav"};
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
    // The design widths, wider where a text needs more.
    EXPECT_GE(list->columnWidth(0), 150);
    EXPECT_GE(list->columnWidth(1), 150);
    EXPECT_GE(list->columnWidth(2), 200);
    EXPECT_GE(list->columnWidth(3), 70);
    const QFontMetrics fm = list->fontMetrics();
    EXPECT_GE(list->columnWidth(0), fm.horizontalAdvance("2005.08.27 10:15:32") + 16);
    EXPECT_GE(list->columnWidth(2), fm.horizontalAdvance("2005_08_27_0001.JPEG") + 16);
    EXPECT_GE(list->columnWidth(3), fm.horizontalAdvance("chyba") + 16);
    EXPECT_GE(list->columnWidth(3), fm.horizontalAdvance("beze změny") + 16);
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(dialog.provedButton()->text(), "Proveď");
    EXPECT_EQ(dialog.cancelButton()->text(), "Zruš");
    // Filled but not yet shown: list order, no new names.
    EXPECT_EQ(ColumnTexts(*list, 1),
              (QStringList{"IMG_0001.JPG", "IMG_0002.JPG", "img_0003.jpeg"}));
    EXPECT_EQ(ColumnTexts(*list, 2), (QStringList{"", "", ""}));
}

TEST_F(RenameDialog, OpensWithDefaultSizeCentredOverTheMainWindow) {
    TFZmenaJ dialog(&mainWindow, ExampleTable(), kFormatDayCounter2);
    // 600 x 300, or as wide as the four columns need.
    const int width =
        std::max(600, dialog.list()->columnWidth(0) + dialog.list()->columnWidth(1) +
                          dialog.list()->columnWidth(2) + dialog.list()->columnWidth(3));
    EXPECT_GE(dialog.width(), width);
    EXPECT_EQ(dialog.height(), 300);
    EXPECT_EQ(dialog.pos(), QPoint(100 + 500 - dialog.width() / 2, 50 + 350 - 150));
}

struct LongNameCase {
    std::string name;
};

class RenameDialogNames : public RenameDialog,
                          public ::testing::WithParamInterface<LongNameCase> {};

TEST_P(RenameDialogNames, AreNotCutWhenShown) {
    MakeFile(photos, GetParam().name, 2005, 8, 29, 10, 0, 0);
    TFZmenaJ dialog(&mainWindow, FilledTable({GetParam().name, "IMG_0001.JPG"}), kFormatDateTime);
    dialog.show();
    QTreeView* list = dialog.list();
    const QFontMetrics fm = list->fontMetrics();
    for (int row = 0; row < test::RowCount(*list); ++row)
        for (int c = 0; c < 4; ++c)
            EXPECT_GE(list->columnWidth(c),
                      fm.horizontalAdvance(test::CellText(*list, row, c)) + kCellPadding)
                << row << "," << c;
    const QRect screen = dialog.screen()->availableGeometry();
    EXPECT_GE(dialog.width(), std::min(screen.width(), ListWidthForColumns(*list)));
    EXPECT_LE(dialog.width(), std::max(600, screen.width()));
    // Still centred over the main window once it has grown.
    EXPECT_NEAR(dialog.frameGeometry().center().x(), mainWindow.frameGeometry().center().x(), 2);
    dialog.close();
}

INSTANTIATE_TEST_SUITE_P(
    Names, RenameDialogNames,
    ::testing::Values(LongNameCase{"Dovolená v Krkonoších 2005 - den první.JPG"},
                      LongNameCase{"P1010001_HDR_panorama_final_version_2.jpeg"},
                      LongNameCase{"a.jpg"}));

TEST_F(RenameDialog, RestoresSizeButNotPosition) {
    const std::string ini = SettingsPath();
    WriteIniInteger(ini, "FZmenaJ", "State", 2);
    WriteIniInteger(ini, "FZmenaJ", "Left", 3);
    WriteIniInteger(ini, "FZmenaJ", "Top", 4);
    WriteIniInteger(ini, "FZmenaJ", "Width", 700);
    WriteIniInteger(ini, "FZmenaJ", "Height", 400);
    TFZmenaJ dialog(&mainWindow, ExampleTable(), kFormatDayCounter2);
    EXPECT_EQ(dialog.size(), QSize(700, 400));
    EXPECT_EQ(dialog.pos(), QPoint(100 + 500 - 350, 50 + 350 - 200));
}

TEST_F(RenameDialog, ShowSortsAndNamesTheRows) {
    TFZmenaJ dialog(&mainWindow, ExampleTable(), kFormatDayCounter2);
    dialog.show();
    QTreeView* list = dialog.list();
    EXPECT_EQ(ColumnTexts(*list, 0),
              (QStringList{"2005.08.27 09:03:10", "2005.08.27 10:15:32", "2005.08.28"}));
    EXPECT_EQ(ColumnTexts(*list, 1),
              (QStringList{"IMG_0002.JPG", "IMG_0001.JPG", "img_0003.jpeg"}));
    EXPECT_EQ(ColumnTexts(*list, 2),
              (QStringList{"2005_08_27_01.JPG", "2005_08_27_02.JPG", "2005_08_28_01.jpeg"}));
    EXPECT_EQ(ColumnTexts(*list, 3), (QStringList{"", "", ""}));
    // A second show (after minimising, say) computes nothing again.
    dialog.hide();
    dialog.show();
    EXPECT_EQ(test::RowCount(*list), 3);
    EXPECT_TRUE(FileExists(photos.file("IMG_0001.JPG")));
    dialog.close();
}

TEST_F(RenameDialog, ProvedReportsFailuresAndRunsOnce) {
    photos.write("2005_08_27_02.JPG", "outsider");
    TFZmenaJ dialog(&mainWindow, ExampleTable(), kFormatDayCounter2);
    QStringList reports;
    dialog.setFailureReporter([&](const QString& text) { reports << text; });
    dialog.show();
    QTest::mouseClick(dialog.provedButton(), Qt::LeftButton);

    EXPECT_EQ(ColumnTexts(*dialog.list(), 3), (QStringList{"OK", "chyba", "OK"}));
    // The reason of the failed row is the status cell's tooltip.
    EXPECT_EQ(test::CellText(*dialog.list(), 1, 3, Qt::ToolTipRole), "target exists");
    EXPECT_EQ(test::CellText(*dialog.list(), 0, 3, Qt::ToolTipRole), "");
    EXPECT_EQ(reports, QStringList{"Počet nepřejmenovaných souborů: 1"});
    EXPECT_FALSE(dialog.provedButton()->isEnabled());
    EXPECT_EQ(test::ReadWholeFile(photos.file("2005_08_27_02.JPG")), "outsider");
    EXPECT_EQ(test::ReadWholeFile(photos.file("2005_08_27_01.JPG")), "IMG_0002.JPG");
    EXPECT_EQ(test::ReadWholeFile(photos.file("IMG_0001.JPG")), "IMG_0001.JPG");

    // The outsider goes away; a second press must still do nothing.
    ASSERT_EQ(::unlink(photos.file("2005_08_27_02.JPG").c_str()), 0);
    QTest::mouseClick(dialog.provedButton(), Qt::LeftButton);
    EXPECT_TRUE(FileExists(photos.file("IMG_0001.JPG")));
    EXPECT_EQ(reports.size(), 1);

    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(RenameDialog, NoReportWhenEverythingSucceeds) {
    TFZmenaJ dialog(&mainWindow, ExampleTable(), kFormatRunning2);
    int reports = 0;
    dialog.setFailureReporter([&](const QString&) { ++reports; });
    dialog.show();
    QTest::mouseClick(dialog.provedButton(), Qt::LeftButton);
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(ColumnTexts(*dialog.list(), 3), (QStringList{"OK", "OK", "OK"}));
    EXPECT_TRUE(FileExists(photos.file("03.jpeg")));
    dialog.close();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(RenameDialog, EscapeWithoutRunningCancels) {
    TFZmenaJ dialog(&mainWindow, ExampleTable(), kFormatRunning2);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(FileExists(photos.file("IMG_0001.JPG")));
}

TEST_F(RenameDialog, EnterInTheListDoesNotRename) {
    TFZmenaJ dialog(&mainWindow, ExampleTable(), kFormatRunning2);
    dialog.show();
    dialog.list()->setFocus();
    QTest::keyClick(dialog.list(), Qt::Key_Return);
    EXPECT_TRUE(dialog.provedButton()->isEnabled());
    EXPECT_TRUE(FileExists(photos.file("IMG_0001.JPG")));
    dialog.close();
}

TEST_F(RenameDialog, AllFailedCloseBoxCancels) {
    photos.write("01.JPG", "x");
    TFZmenaJ dialog(&mainWindow, FilledTable({"IMG_0002.JPG"}), kFormatRunning2);
    QStringList reports;
    dialog.setFailureReporter([&](const QString& text) { reports << text; });
    dialog.show();
    QTest::mouseClick(dialog.provedButton(), Qt::LeftButton);
    EXPECT_EQ(reports, QStringList{"Počet nepřejmenovaných souborů: 1"});
    dialog.close(); // the window's close box
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(RenameDialog, AcceptIsOverruledByTheChangedFlag) {
    TFZmenaJ dialog(&mainWindow, ExampleTable(), kFormatRunning2);
    dialog.show();
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(RenameDialog, EmptyListOnlyDisablesTheButton) {
    TFZmenaJ dialog(&mainWindow, FilledTable({"nothing.jpg"}), kFormatRunning2);
    int reports = 0;
    dialog.setFailureReporter([&](const QString&) { ++reports; });
    dialog.show();
    EXPECT_EQ(test::RowCount(*dialog.list()), 0);
    QTest::mouseClick(dialog.provedButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.provedButton()->isEnabled());
    EXPECT_EQ(reports, 0);
    dialog.close();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(RenameDialog, CloseSavesThePlacement) {
    {
        TFZmenaJ dialog(&mainWindow, ExampleTable(), kFormatRunning2);
        dialog.show();
        dialog.resize(640, 320);
        dialog.close();
    }
    const std::string ini = SettingsPath();
    EXPECT_EQ(ReadIniInteger(ini, "FZmenaJ", "State", 0), 2);
    EXPECT_EQ(ReadIniInteger(ini, "FZmenaJ", "Width", 0), 640);
    EXPECT_EQ(ReadIniInteger(ini, "FZmenaJ", "Height", 0), 320);
    TFZmenaJ again(&mainWindow, ExampleTable(), kFormatRunning2);
    EXPECT_EQ(again.size(), QSize(640, 320));
}

TEST_F(RenameDialog, UnwritableSettingsStillLetTheDialogClose) {
    // A plain file where the data folder should be: no settings file can be written.
    const std::string blocker = settingsDir.write("blocker", "x");
    ::setenv("KIVO_DATA_DIR", blocker.c_str(), 1);
    TFZmenaJ dialog(&mainWindow, ExampleTable(), kFormatRunning2);
    dialog.setFailureReporter([](const QString&) {});
    QString error;
    dialog.show();
    QTest::mouseClick(dialog.provedButton(), Qt::LeftButton);
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }, 5000));
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        error = box->text();
        box->accept();
    });
    dialog.close();
    EXPECT_TRUE(error.startsWith("Unable to write to ")) << error.toStdString();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// Drives a modal run of RunRenameDialog: presses "Proveď", answers the warning box when
// one comes, then "Zruš". Returns the warning's text through `warning`.
void DriveModalRun(QString& warning) {
    QTimer::singleShot(0, [&warning] {
        ASSERT_TRUE(QTest::qWaitFor(
            [] { return qobject_cast<TFZmenaJ*>(QApplication::activeModalWidget()); }, 5000));
        auto* dialog = qobject_cast<TFZmenaJ*>(QApplication::activeModalWidget());
        ASSERT_TRUE(QTest::qWaitFor([dialog] { return !dialog->filling(); }, 5000));
        QTimer::singleShot(0, [&warning] {
            if (QTest::qWaitFor(
                    [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
                    500)) {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                warning = box->text();
                box->accept();
            }
        });
        QTest::mouseClick(dialog->provedButton(), Qt::LeftButton);
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
    });
}

TEST_F(RenameDialog, EntryPointRenamesAndReportsConfirmation) {
    photos.mkdir("sub.jpg");
    photos.write("2005_08_28_001.jpeg", "outsider");
    QString warning;
    DriveModalRun(warning);
    const bool confirmed = RunRenameDialog(
        &mainWindow, QString::fromStdString(photos.path() + "/"),
        {" ^ Parent", "sub.jpg", "IMG_0001.JPG", "IMG_0002.JPG", "img_0003.jpeg", "gone.jpg"},
        kFormatDayCounter3);
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(warning, "Počet nepřejmenovaných souborů: 1");
    EXPECT_EQ(test::ReadWholeFile(photos.file("2005_08_27_001.JPG")), "IMG_0002.JPG");
    EXPECT_EQ(test::ReadWholeFile(photos.file("2005_08_27_002.JPG")), "IMG_0001.JPG");
    EXPECT_EQ(test::ReadWholeFile(photos.file("img_0003.jpeg")), "img_0003.jpeg");
    EXPECT_EQ(test::ReadWholeFile(photos.file("2005_08_28_001.jpeg")), "outsider");
    EXPECT_TRUE(DirectoryExists(photos.file("sub.jpg")));

    // What the main window does with the confirming result.
    StoreFormatIndex(SettingsPath(), kFormatDayCounter3);
    EXPECT_EQ(ReadStoredFormatIndex(SettingsPath()), kFormatDayCounter3);
}

TEST_F(RenameDialog, EntryPointAfterOnlyFailuresCancels) {
    photos.write("01.JPG", "outsider");
    QString warning;
    DriveModalRun(warning);
    const bool confirmed = RunRenameDialog(&mainWindow, QString::fromStdString(photos.path()),
                                           {"IMG_0002.JPG"}, kFormatRunning2);
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(warning, "Počet nepřejmenovaných souborů: 1");
    EXPECT_TRUE(FileExists(photos.file("IMG_0002.JPG")));
}

TEST_F(RenameDialog, EntryPointWithoutNamesShowsNothing) {
    EXPECT_FALSE(
        RunRenameDialog(&mainWindow, QString::fromStdString(photos.path()), {}, kFormatRunning2));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// A journal that cannot take the batch leaves the renames to run without it, and the
// caller learns why.
TEST_F(RenameDialog, EntryPointSaysWhyTheJournalTookNoBatch) {
    test::TempDir state;
    Journal journal(state.path());
    std::filesystem::remove_all(state.file("locks"));
    state.write("locks", "no folder");
    QString warning;
    DriveModalRun(warning);
    std::string journalError;
    EXPECT_TRUE(RunRenameDialog(&mainWindow, QString::fromStdString(photos.path()),
                                {"IMG_0001.JPG"}, kFormatRunning2, &journal, &journalError));
    EXPECT_NE(journalError.find("cannot lock"), std::string::npos) << journalError;
}

} // namespace
} // namespace kivo
