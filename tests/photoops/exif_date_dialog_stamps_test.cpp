// The EXIF date dialog correcting the stamps in the photos: chosen in the adjustment,
// shown before "Proveď", written and journaled by it.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "core/journal.h"
#include "core/journal_undo.h"
#include "photoops/adjust_dialog.h"
#include "photoops/exif_date_dialog.h"
#include "photoops/exif_date_fill.h"
#include "photoops/when_modal.h"
#include "support/exif_fixtures.h"
#include "support/list_rows.h"
#include "support/temp_dir.h"
#include "widgets/spin_edit.h"

namespace kivo {
namespace {

using test::TempDir;
using test::WhenModal;

class ExifDateStampsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QApplication::instance()) {
            static int argc = 1;
            static char name[] = "exif_date_dialog_stamps_test";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);
        }
    }
    void SetUp() override { ::setenv("KIVO_DATA_DIR", data.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("KIVO_DATA_DIR"); }

    TempDir data, files, state;
    QWidget main;
};

TEST_F(ExifDateStampsTest, AdjustmentCorrectsFileTimesByDefaultAndOffersTheChosenStamp) {
    TFUprDatCas a;
    EXPECT_EQ(a.target(), AdjustTarget::FileTimes);
    EXPECT_EQ(a.CBOprava->count(), 2);
    a.setChosenStamp(kExifDigitized);
    ASSERT_EQ(a.CBOprava->count(), 3);
    EXPECT_EQ(a.CBOprava->itemText(2), QStringLiteral("jen údaj EXIF digitalizace v souborech"));
    a.CBOprava->setCurrentIndex(2);
    EXPECT_EQ(a.target(), AdjustTarget::ExifChosen);
    a.setChosenStamp(0);
    EXPECT_EQ(a.CBOprava->count(), 2);
    a.CBOprava->setCurrentIndex(1);
    EXPECT_EQ(a.target(), AdjustTarget::ExifAll);
}

TEST_F(ExifDateStampsTest, CorrectedStampsAreShownThenWrittenAndUndone) {
    const std::vector<std::string> names = {"ii.jpg", "mm.jpg"};
    files.write(names[0], test::JpegWithExif(test::CameraTiff(false)));
    files.write(names[1], test::JpegWithExif(test::CameraTiff(true)));
    const std::string before = test::ReadWholeFile(files.file(names[1]));
    struct stat st {};
    ::stat(files.file(names[1]).c_str(), &st);
    Journal journal(state.path());
    ExifDateTable table = FillExifDateTable(files.path(), names);
    table.setJournal(&journal);
    TFDCExif d(std::move(table), &main);
    d.show();
    QTest::mouseClick(d.BExifPorizeni, Qt::LeftButton); // the stamp chosen as the start
    {
        WhenModal<TFUprDatCas> watch([](TFUprDatCas* a) {
            a->RSEVelikostR->setValue(2);
            a->CBHodnotaR->setEditText(QStringLiteral("hodina"));
            a->CBOprava->setCurrentIndex(2); // only "EXIF pořízení"
            QTest::mouseClick(a->BOK, Qt::LeftButton);
        });
        QTest::mouseClick(d.BSZmena, Qt::LeftButton);
        ASSERT_TRUE(watch.seen());
    }
    // Shown, not yet written; the file times are left alone.
    ASSERT_NE(d.stampJob(), nullptr);
    EXPECT_TRUE(d.LStampy->isVisibleTo(&d));
    const int taken = TFDCExif::kColExifModify + 1;
    for (int row = 0; row < 2; ++row) {
        const QTreeView& list = *d.List;
        EXPECT_EQ(test::CellText(list, row, taken), QStringLiteral("2004.07.15 15:45:10"));
        EXPECT_TRUE(test::CellBold(list, row, taken));
        EXPECT_EQ(test::CellText(list, row, taken, Qt::ToolTipRole),
                  QStringLiteral("bylo: 2004.07.15 13:45:10"));
        EXPECT_EQ(test::CellText(list, row, TFDCExif::kColExifModify),
                  QStringLiteral("2004.07.16 08:00:00"));
        EXPECT_EQ(test::CellText(list, row, TFDCExif::kColNewValue), QString());
    }
    EXPECT_EQ(test::ReadWholeFile(files.file(names[1])), before);

    QTest::mouseClick(d.BProved1, Qt::LeftButton);
    EXPECT_EQ(d.stampsWritten(), 2u);
    EXPECT_EQ(d.stampJob(), nullptr);
    EXPECT_EQ(test::CellText(*d.List, 1, taken), QStringLiteral("2004.07.15 15:45:10"));
    EXPECT_FALSE(test::CellBold(*d.List, 1, taken));
    EXPECT_NE(test::ReadWholeFile(files.file(names[1])), before);
    struct stat now {};
    ::stat(files.file(names[1]).c_str(), &now);
    EXPECT_EQ(now.st_mtim.tv_sec, st.st_mtim.tv_sec);
    d.close();
    EXPECT_EQ(d.result(), QDialog::Accepted);

    const std::optional<BatchInfo> last = journal.LastUndoable();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->kind, BatchKind::ExifDate);
    ASSERT_TRUE(UndoBatch(journal, last->id).ok());
    EXPECT_EQ(test::ReadWholeFile(files.file(names[1])), before);
}

TEST_F(ExifDateStampsTest, AFileTimeAdjustmentDropsThePlannedStamps) {
    files.write("a.jpg", test::JpegWithExif(test::CameraTiff(false)));
    TFDCExif d(FillExifDateTable(files.path(), {"a.jpg"}), &main);
    d.show();
    for (int target : {1, 0}) { // all three stamps, then the file times
        WhenModal<TFUprDatCas> watch([target](TFUprDatCas* a) {
            a->CBOprava->setCurrentIndex(target);
            QTest::mouseClick(a->BOK, Qt::LeftButton);
        });
        QTest::mouseClick(d.BSZmena, Qt::LeftButton);
        ASSERT_TRUE(watch.seen());
        EXPECT_EQ(d.stampJob() != nullptr, target == 1);
        EXPECT_EQ(d.LStampy->isVisibleTo(&d), target == 1);
    }
    EXPECT_FALSE(test::CellBold(*d.List, 0, TFDCExif::kColExifModify));
    EXPECT_FALSE(test::CellText(*d.List, 0, TFDCExif::kColNewValue).isEmpty());
}

TEST_F(ExifDateStampsTest, EscapeWhilePlanningClosesWithoutAPlan) {
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) {
        names.push_back("p" + std::to_string(i) + ".jpg");
        files.write(names.back(), test::JpegWithExif(test::CameraTiff(i % 2 == 0)));
    }
    const std::string before = test::ReadWholeFile(files.file(names[0]));
    TFDCExif d(FillExifDateTable(files.path(), names), &main);
    d.show();
    {
        WhenModal<TFUprDatCas> watch([&d](TFUprDatCas* a) {
            a->RSEVelikostR->setValue(1);
            a->CBOprava->setCurrentIndex(1); // all three EXIF stamps
            // Posted now, it comes before the planning can have ended.
            QTimer::singleShot(0, &d, [&d] { QTest::keyClick(&d, Qt::Key_Escape); });
            QTest::mouseClick(a->BOK, Qt::LeftButton);
        });
        QTest::mouseClick(d.BSZmena, Qt::LeftButton);
        ASSERT_TRUE(watch.seen());
    }
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.stampJob(), nullptr);
    EXPECT_FALSE(d.LStampy->isVisibleTo(&d));
    EXPECT_EQ(test::ReadWholeFile(files.file(names[0])), before);
}

} // namespace
} // namespace kivo
