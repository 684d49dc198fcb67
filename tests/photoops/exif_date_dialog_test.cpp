#include "photoops/exif_date_dialog.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "core/settings.h"
#include "photoops/adjust_dialog.h"
#include "photoops/when_modal.h"
#include "platform/datetime.h"
#include "platform/exe_folder.h"
#include "platform/file_system.h"
#include "support/exif_fixtures.h"
#include "support/list_rows.h"
#include "support/temp_dir.h"
#include "widgets/column_fit.h"
#include "widgets/spin_edit.h"

namespace kivo {
namespace {

using test::TempDir;
using test::WhenModal;

std::time_t Mtime(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mtim.tv_sec;
}

std::time_t Local(const char* text) {
    return LocalDateTimeToUnix(ParseDateTimeText(text).value());
}

void SetMtime(const std::string& path, const char* local) {
    struct timespec times[2] = {{0, UTIME_OMIT}, {Local(local), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

class ExifDateDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QApplication::instance()) {
            static int argc = 1;
            static char name[] = "exif_date_dialog_test";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);
        }
    }

    void SetUp() override {
        // The dialog keeps its placement in the settings file; keep it away from the build tree.
        ::setenv("KIVO_DATA_DIR", data.path().c_str(), 1);
        main.setGeometry(100, 100, 800, 600);
        main.show();
    }
    void TearDown() override { ::unsetenv("KIVO_DATA_DIR"); }

    // A file with the given modification time and a row for it with the given EXIF texts.
    void AddFile(ExifDateTable& table, const std::string& name, const char* current,
                 std::array<std::string, 3> exif) {
        const std::string path = files.write(name, "x");
        SetMtime(path, current);
        ExifDateRow r;
        r.name = name;
        r.current = current;
        r.exif = std::move(exif);
        table.AddRow(std::move(r));
    }

    std::unique_ptr<TFDCExif> Open(ExifDateTable table, bool active = false) {
        auto dialog = std::make_unique<TFDCExif>(std::move(table), &main);
        dialog->show();
        if (active) {
            dialog->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        }
        return dialog;
    }

    static QString Cell(const TFDCExif& d, int row, int column) {
        return test::CellText(*d.List, row, column);
    }
    static std::vector<bool> Selected(const TFDCExif& d) {
        std::vector<bool> out;
        for (int i = 0; i < test::RowCount(*d.List); ++i)
            out.push_back(test::RowSelected(*d.List, i));
        return out;
    }

    TempDir data;
    TempDir files;
    QWidget main;
};

TEST_F(ExifDateDialogTest, HasItsColumnsButtonsAndMenu) {
    auto d = Open(ExifDateTable(files.path()));
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Datum+čas dle EXIF"));
    EXPECT_EQ(d->minimumSize(), QSize(500, 250));
    const QStringList headers{"soubor",     "stávající",     "úprava",
                              "EXIF změna", "EXIF pořízení", "EXIF digitalizace"};
    ASSERT_EQ(d->List->model()->columnCount(), 6);
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(d->List->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
        EXPECT_GE(d->List->columnWidth(c), 120);
        EXPECT_GE(d->List->columnWidth(c),
                  d->List->fontMetrics().horizontalAdvance(QStringLiteral("2005.08.27 10:00:00")))
            << "date-time texts are not clipped";
    }
    EXPECT_EQ(d->List->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(d->BProved2->text(), QStringLiteral("Proveď a odstraň"));
    EXPECT_EQ(d->ExifNejnizsi->text(), QStringLiteral("vyber nejnižší"));
    EXPECT_EQ(d->PMLVse->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
    EXPECT_EQ(d->PMLBez->shortcut(), QKeySequence(QStringLiteral("Ctrl+B")));
    EXPECT_EQ(d->PMLPryc->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(d->PMLBez->text(), QStringLiteral("označ vše &bez úpravy"));
}

TEST_F(ExifDateDialogTest, OpensWithAllRowsSelectedAndEarliestValues) {
    ExifDateTable t(files.path());
    AddFile(t, "a.jpg", "2005.08.27 10:00:00",
            {"2005.08.27 12:00:00", "2005.08.27 10:00:00", "2005.08.27 10:00:00"});
    AddFile(t, "b.jpg", "2006.01.01", {"2005.09.01 08:00:00", "2005.08.31 08:00:00", ""});
    AddFile(t, "c.jpg", "2006.01.01", {"", "", ""});
    auto d = Open(std::move(t));
    ASSERT_EQ(test::RowCount(*d->List), 3);
    EXPECT_EQ(Selected(*d), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColNewValue), QString());
    EXPECT_EQ(Cell(*d, 1, TFDCExif::kColNewValue), QStringLiteral("2005.08.31 08:00:00"));
    EXPECT_EQ(Cell(*d, 2, TFDCExif::kColNewValue), QString());
    EXPECT_EQ(Cell(*d, 1, TFDCExif::kColName), QStringLiteral("b.jpg"));
    EXPECT_EQ(Cell(*d, 1, TFDCExif::kColCurrent), QStringLiteral("2006.01.01"));
    EXPECT_EQ(Cell(*d, 1, TFDCExif::kColExifModify + 1), QStringLiteral("2005.08.31 08:00:00"));
}

TEST_F(ExifDateDialogTest, CtrlBRightAfterOpeningSelectsRowsWithoutValue) {
    ExifDateTable t(files.path());
    AddFile(t, "a.jpg", "2006.01.01", {"2005.08.27 12:00:00", "", ""});
    AddFile(t, "b.jpg", "2006.01.01", {"", "", ""});
    AddFile(t, "c.jpg", "2006.01.01", {"2006.01.01", "", ""});
    auto d = Open(std::move(t), true);
    QTest::keyClick(d->List, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(Selected(*d), (std::vector<bool>{false, true, true}));
    QTest::keyClick(d->List, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Selected(*d), (std::vector<bool>{true, true, true}));
}

TEST_F(ExifDateDialogTest, ButtonsActOnTheRowsTheUserSelected) {
    ExifDateTable t(files.path());
    AddFile(t, "a.jpg", "2006.01.01", {"2005.01.01 01:00:00", "", "2005.03.03 03:00:00"});
    AddFile(t, "b.jpg", "2006.01.01", {"2005.01.01 01:00:00", "2005.02.02 02:00:00", ""});
    auto d = Open(std::move(t));
    d->List->clearSelection();
    test::SelectRow(*d->List, 0);
    QTest::mouseClick(d->BExifPorizeni, Qt::LeftButton);
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColNewValue), QStringLiteral("2005.01.01 01:00:00"))
        << "an empty column leaves the value";
    QTest::mouseClick(d->BExifDigitalizace, Qt::LeftButton);
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColNewValue), QStringLiteral("2005.03.03 03:00:00"));
    EXPECT_EQ(Cell(*d, 1, TFDCExif::kColNewValue), QStringLiteral("2005.01.01 01:00:00"));
    test::SelectRow(*d->List, 1);
    QTest::mouseClick(d->BNeupravovat, Qt::LeftButton);
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColNewValue), QString());
    EXPECT_EQ(Cell(*d, 1, TFDCExif::kColNewValue), QString());
    QTest::mouseClick(d->ExifNejnizsi, Qt::LeftButton);
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColNewValue), QStringLiteral("2005.01.01 01:00:00"));
}

TEST_F(ExifDateDialogTest, WriteAndRemoveLeavesTheRowThatCouldNotBeWritten) {
    ExifDateTable t(files.path());
    AddFile(t, "a.jpg", "2006.01.01", {"2005.08.27 12:00:00", "", ""});
    AddFile(t, "b.jpg", "2006.01.01", {"2005.08.27 13:00:00", "", ""});
    AddFile(t, "c.jpg", "2006.01.01", {"2005.08.27 14:00:00", "", ""});
    auto d = Open(std::move(t));
    const std::string b = files.file("b.jpg");
    const int fd = ::open(b.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    SetMtime(b, "2007.07.07 07:07:06");
    QTest::mouseClick(d->BProved2, Qt::LeftButton);
    ::close(fd);

    ASSERT_EQ(test::RowCount(*d->List), 1);
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColName), QStringLiteral("b.jpg"));
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColNewValue), QStringLiteral("2005.08.27 13:00:00"));
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColCurrent), QStringLiteral("2007.07.07 07:07:06"));
    EXPECT_EQ(test::CellText(*d->List, 0, TFDCExif::kColNewValue, Qt::ToolTipRole),
              QStringLiteral("in use by another program"));
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(Mtime(files.file("a.jpg")), Local("2005.08.27 12:00:00"));
    EXPECT_EQ(Mtime(files.file("c.jpg")), Local("2005.08.27 14:00:00"));

    QTest::keyClick(d.get(), Qt::Key_Escape);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Accepted) << "a file was written";
}

TEST_F(ExifDateDialogTest, WriteThatEmptiesTheListClosesWithTheConfirmingResult) {
    ExifDateTable t(files.path());
    AddFile(t, "a.jpg", "2006.01.01", {"2005.08.27 12:00:00", "", ""});
    auto d = Open(std::move(t));
    QTest::mouseClick(d->BProved2, Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Accepted);
}

TEST_F(ExifDateDialogTest, WriteAndKeepWithoutValuesStaysOpen) {
    ExifDateTable t(files.path());
    AddFile(t, "a.jpg", "2006.01.01", {"", "", ""});
    auto d = Open(std::move(t));
    SetMtime(files.file("a.jpg"), "2007.01.01");
    QTest::mouseClick(d->BProved1, Qt::LeftButton);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColCurrent), QStringLiteral("2006.01.01")) << "not re-read";
    QTest::mouseClick(d->Bcancel, Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Rejected);
}

TEST_F(ExifDateDialogTest, WriteAndKeepReReadsTheEvenSecond) {
    ExifDateTable t(files.path());
    AddFile(t, "a.jpg", "2006.01.01", {"2005.08.27 10:00:05", "", ""});
    auto d = Open(std::move(t));
    QTest::mouseClick(d->BProved1, Qt::LeftButton);
    ASSERT_EQ(test::RowCount(*d->List), 1);
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColCurrent), QStringLiteral("2005.08.27 10:00:04"));
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColNewValue), QString());
    EXPECT_TRUE(d->isVisible());
}

TEST_F(ExifDateDialogTest, WriteOnAnEmptyListClosesAtOnce) {
    ExifDateTable t(files.path());
    AddFile(t, "a.jpg", "2006.01.01", {"2005.08.27 12:00:00", "", ""});
    AddFile(t, "b.jpg", "2006.01.01", {"", "", ""});
    auto d = Open(std::move(t));
    QTest::mouseClick(d->BPryc, Qt::LeftButton);
    EXPECT_EQ(test::RowCount(*d->List), 0);
    EXPECT_TRUE(d->isVisible()) << "removing every row keeps the dialog open";
    QTest::mouseClick(d->BProved1, Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_EQ(Mtime(files.file("a.jpg")), Local("2006.01.01"));
}

TEST_F(ExifDateDialogTest, DelRemovesOnlyTheFirstSelectedRowAndClosesWhenEmpty) {
    ExifDateTable t(files.path());
    AddFile(t, "a.jpg", "2006.01.01", {"", "", ""});
    AddFile(t, "b.jpg", "2006.01.01", {"", "", ""});
    AddFile(t, "c.jpg", "2006.01.01", {"", "", ""});
    auto d = Open(std::move(t), true);
    QAbstractItemModelTester tester(d->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    QTest::keyClick(d->List, Qt::Key_Delete);
    ASSERT_EQ(test::RowCount(*d->List), 2);
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColName), QStringLiteral("b.jpg"));
    EXPECT_EQ(Cell(*d, 1, TFDCExif::kColName), QStringLiteral("c.jpg"));
    d->List->clearSelection();
    QTest::keyClick(d->List, Qt::Key_Delete);
    EXPECT_EQ(test::RowCount(*d->List), 2) << "nothing selected, nothing removed";
    d->PMLVseClick();
    d->PMLPrycClick();
    d->PMLPrycClick();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Rejected);
}

TEST_F(ExifDateDialogTest, AdjustmentOpensOnlyWithASelection) {
    ExifDateTable t(files.path());
    AddFile(t, "a.jpg", "2005.08.27 10:00:00", {"", "", ""});
    AddFile(t, "b.jpg", "2005.08.27 11:00:00", {"", "", ""});
    auto d = Open(std::move(t));
    d->List->clearSelection();
    {
        WhenModal<TFUprDatCas> watch([](TFUprDatCas* a) { a->reject(); });
        // A wrongly opened dialog would run modally inside the click until the watcher closes it.
        QTest::mouseClick(d->BSZmena, Qt::LeftButton);
        EXPECT_FALSE(watch.seen());
    }

    test::SelectRow(*d->List, 1);
    {
        WhenModal<TFUprDatCas> watch([](TFUprDatCas* a) {
            a->RSEVelikostR->setValue(-2);
            a->CBHodnotaR->setEditText(QStringLiteral("hodina"));
            QTest::mouseClick(a->BOK, Qt::LeftButton);
        });
        QTest::mouseClick(d->BSZmena, Qt::LeftButton);
        EXPECT_TRUE(watch.seen());
    }
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColNewValue), QString());
    EXPECT_EQ(Cell(*d, 1, TFDCExif::kColNewValue), QStringLiteral("2005.08.27 09:00:00"));

    {
        WhenModal<TFUprDatCas> watch([](TFUprDatCas* a) {
            a->PG->setCurrentIndex(kPageAbsolute);
            a->ChBCasZmenitA->setChecked(true);
            a->MECasA->setText(QStringLiteral("07:05"));
            QTest::mouseClick(a->BOK, Qt::LeftButton);
        });
        QTest::mouseClick(d->BUZmena, Qt::LeftButton);
        EXPECT_TRUE(watch.seen());
    }
    EXPECT_EQ(Cell(*d, 1, TFDCExif::kColNewValue), QStringLiteral("2005.08.27 07:05:00"));

    {
        WhenModal<TFUprDatCas> watch([](TFUprDatCas* a) {
            a->RSEVelikostR->setValue(5);
            QTest::mouseClick(a->Bcancel, Qt::LeftButton);
        });
        QTest::mouseClick(d->BUZmena, Qt::LeftButton);
        EXPECT_TRUE(watch.seen());
    }
    EXPECT_EQ(Cell(*d, 1, TFDCExif::kColNewValue), QStringLiteral("2005.08.27 07:05:00"))
        << "a cancelled adjustment changes nothing";
}

TEST_F(ExifDateDialogTest, ASmallerStoredSizeStillShowsEveryColumn) {
    const std::string ini = SettingsPath();
    WriteIniInteger(ini, "FDCExif", "State", 2);
    WriteIniInteger(ini, "FDCExif", "Width", 520);
    WriteIniInteger(ini, "FDCExif", "Height", 280);
    ExifDateTable t(files.path());
    AddFile(t, "Dovolená v Krkonoších 2005 - den první a druhý.jpg", "2006.01.01",
            {"2005.08.27 12:00:00", "", ""});
    TFDCExif d(std::move(t), &main);
    const QFontMetrics fm = d.List->fontMetrics();
    EXPECT_GE(d.List->columnWidth(TFDCExif::kColName),
              fm.horizontalAdvance(test::CellText(*d.List, 0, TFDCExif::kColName)) + kCellPadding);
    for (int c = 0; c < 6; ++c)
        EXPECT_GE(d.List->columnWidth(c), d.List->header()->sectionSizeHint(c))
            << "header " << c << " not cut";
    const int screen = d.screen()->availableGeometry().width();
    EXPECT_EQ(d.width(),
              std::min(screen, ListWidthForColumns(*d.List) + d.layout()->contentsMargins().left() +
                                   d.layout()->contentsMargins().right()));
    EXPECT_EQ(d.height(), 280);
}

TEST_F(ExifDateDialogTest, KeepsItsSizeInTheSettingsFileAndOpensCentred) {
    int stored = 0;
    {
        auto d = Open(ExifDateTable(files.path()));
        // The design 600 x 300 shows four of the six columns: as wide as they need, up to
        // the screen's width.
        const int screen = d->screen()->availableGeometry().width();
        EXPECT_EQ(d->height(), 300);
        EXPECT_GE(d->width(), 600);
        EXPECT_GE(d->width(), std::min(screen, ListWidthForColumns(*d->List)));
        EXPECT_LE(d->width(), std::max(600, screen));
        d->resize(d->width() + 40, 360);
        stored = d->width();
        d->close();
    }
    const std::string ini = SettingsPath();
    EXPECT_EQ(ReadIniInteger(ini, "FDCExif", "State", 0), 2);
    EXPECT_EQ(ReadIniInteger(ini, "FDCExif", "Width", 0), stored);
    EXPECT_EQ(ReadIniInteger(ini, "FDCExif", "Height", 0), 360);

    TFDCExif again(ExifDateTable(files.path()), &main);
    EXPECT_EQ(again.size(), QSize(stored, 360)) << "a larger stored size stays";
    const QRect m = main.frameGeometry();
    const QRect g = again.frameGeometry();
    EXPECT_EQ(g.left(), m.left() + m.width() / 2 - g.width() / 2);
    EXPECT_EQ(g.top(), m.top() + m.height() / 2 - g.height() / 2);
}

// Cameras in a folder, the dialog run as the main window runs it.
TEST_F(ExifDateDialogTest, RunSetsFileTimesToTheEarliestExifValues) {
    test::CameraStamps s1;
    s1.modified = "2004:07:16 08:00:00";
    s1.taken = "2004:07:15 13:45:10";
    s1.digitized = "2004:07:15 13:45:11";
    test::CameraStamps s2;
    s2.modified = "2003:01:01 00:00:01";
    s2.taken = "2003:01:02 00:00:00";
    s2.digitized = "0000:00:00 00:00:00";
    const std::string p1 = files.write("one.jpg", test::JpegWithExif(test::CameraTiff(false, s1)));
    const std::string p2 = files.write("two.jpg", test::JpegWithExif(test::CameraTiff(true, s2)));
    const std::string p3 = files.write("plain.jpg", "no exif");
    SetMtime(p3, "2006.06.06 06:06:06");
    files.mkdir("sub");

    WhenModal<TFDCExif> watch([](TFDCExif* d) {
        ASSERT_TRUE(QTest::qWaitFor([d] { return !d->filling(); }, 5000));
        EXPECT_EQ(test::RowCount(*d->List), 3);
        QTest::mouseClick(d->BProved1, Qt::LeftButton);
        QTest::mouseClick(d->Bcancel, Qt::LeftButton);
    });
    EXPECT_TRUE(
        RunExifDateDialog(main, files.path() + "/", {"one.jpg", "sub", "two.jpg", "plain.jpg"}));
    EXPECT_TRUE(watch.seen());
    EXPECT_EQ(Mtime(p1), Local("2004.07.15 13:45:10"));
    EXPECT_EQ(Mtime(p2), Local("2003.01.01 00:00:00")) << "odd second goes down";
    EXPECT_EQ(Mtime(p3), Local("2006.06.06 06:06:06"));
}

TEST_F(ExifDateDialogTest, RunWithoutSelectionDoesNothing) {
    WhenModal<TFDCExif> watch([](TFDCExif* d) { d->reject(); });
    EXPECT_FALSE(RunExifDateDialog(main, files.path(), {}));
    EXPECT_FALSE(watch.seen());
}

TEST_F(ExifDateDialogTest, RunClosedWithoutWritingIsNotConfirmed) {
    files.write("one.jpg", test::JpegWithExif(test::CameraTiff(false)));
    WhenModal<TFDCExif> watch([](TFDCExif* d) { QTest::keyClick(d, Qt::Key_Escape); });
    EXPECT_FALSE(RunExifDateDialog(main, files.path(), {"one.jpg"}));
    EXPECT_TRUE(watch.seen());
}

TEST_F(ExifDateDialogTest, OffsetBoxShowsTheExactInstantsAndBack) {
    ExifDateTable table(files.path());
    SetMtime(files.write("a.jpg", "x"), "2010.01.01 12:00:00");
    ExifDateRow row;
    row.name = "a.jpg";
    row.current = "2010.01.01 12:00:00";
    row.exif = {"", "2021.04.11 15:47:53", ""};
    row.exifExact = {"", "2021.04.11 22:47:53", ""};
    table.AddRow(std::move(row));
    auto d = Open(std::move(table));
    const int taken = TFDCExif::kColExifModify + kExifTaken - 1;
    EXPECT_FALSE(d->ChBPasmo->isChecked());
    d->ChBPasmo->click();
    EXPECT_EQ(Cell(*d, 0, taken), "2021.04.11 22:47:53");
    d->ExifNejnizsiClick();
    EXPECT_EQ(Cell(*d, 0, TFDCExif::kColNewValue), "2021.04.11 22:47:53");
    d->ChBPasmo->click();
    EXPECT_EQ(Cell(*d, 0, taken), "2021.04.11 15:47:53");
}

} // namespace
} // namespace kivo
