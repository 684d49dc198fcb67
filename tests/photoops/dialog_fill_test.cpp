// The EXIF date and rename dialogs filling their rows on worker threads while their windows
// stay usable.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "photoops/background_fill.h"
#include "photoops/exif_date_dialog.h"
#include "photoops/exif_date_fill.h"
#include "photoops/naming.h"
#include "photoops/rename_dialog.h"
#include "support/exif_fixtures.h"
#include "support/list_rows.h"
#include "support/qt_wait.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using test::TempDir;

class DialogFill : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QApplication::instance()) {
            static int argc = 1;
            static char name[] = "dialog_fill_test";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);
        }
    }
    void SetUp() override {
        ::setenv("KIVO_DATA_DIR", data.path().c_str(), 1);
        // Photos with and without stamps, a folder and a name that is gone among them.
        for (int i = 0; i < 150; ++i) {
            const std::string name = "IMG_" + std::to_string(1000 - i) + ".JPG";
            const std::string path = files.write(
                name, i % 3 ? test::JpegWithExif(test::CameraTiff(i % 2 == 0)) : test::Bytes{'x'});
            // Times out of the names' order, some equal: sorting has work to do.
            const timespec times[2] = {{0, UTIME_OMIT}, {1100000000 + (i * 37 % 50) * 3600, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
            names.push_back(name);
        }
        files.mkdir("folder.jpg");
        names.insert(names.begin() + 40, "folder.jpg");
        names.insert(names.begin() + 90, "gone.jpg");
    }
    void TearDown() override { ::unsetenv("KIVO_DATA_DIR"); }

    TempDir data;
    TempDir files;
    std::vector<std::string> names;
    QWidget main;
};

std::vector<std::string> RowTexts(const QAbstractItemView& list) {
    std::vector<std::string> out;
    for (int i = 0; i < test::RowCount(list); ++i) {
        std::string line;
        for (int c = 0; c < list.model()->columnCount(); ++c)
            line += test::CellText(list, i, c).toStdString() + "|";
        out.push_back(line);
    }
    return out;
}

TEST_F(DialogFill, EndsWithTheRowsOfTheSynchronousFillInTheirOrder) {
    TFDCExif sync(FillExifDateTable(files.path(), names), &main);
    sync.show();
    for (int readers : {1, 3}) {
        TFDCExif d(files.path(), names, &main, readers);
        QAbstractItemModelTester tester(d.model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        QSignalSpy filled(&d, &TFDCExif::filled);
        d.show();
        EXPECT_TRUE(d.filling());
        EXPECT_FALSE(d.BProved1->isEnabled());
        EXPECT_FALSE(d.BProved2->isEnabled());
        EXPECT_TRUE(d.LNacitam->isVisible());
        ASSERT_TRUE(filled.wait(10000)) << readers;
        EXPECT_FALSE(d.filling());
        EXPECT_TRUE(d.BProved1->isEnabled());
        EXPECT_FALSE(d.LNacitam->isVisible());
        EXPECT_EQ(RowTexts(*d.List), RowTexts(*sync.List)) << readers;
        ASSERT_EQ(d.table().size(), sync.table().size());
        for (std::size_t i = 0; i < d.table().size(); ++i)
            EXPECT_EQ(d.table().row(i).exifExact, sync.table().row(i).exifExact);
    }
}

TEST_F(DialogFill, EscapeStopsTheReadingAndCloses) {
    TFDCExif d(files.path(), names, &main, 2);
    QSignalSpy filled(&d, &TFDCExif::filled);
    d.show();
    ASSERT_TRUE(d.filling()); // rows only come in through the event loop
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    QTest::qWait(50); // rows still on their way are dropped
    EXPECT_EQ(filled.count(), 0);
    EXPECT_LT(test::RowCount(*d.List), 149);
}

TEST_F(DialogFill, RenameDialogEndsSortedAndNamedAsTheSynchronousFill) {
    RenameTable table(files.path());
    table.Fill(names);
    TFZmenaJ sync(&main, std::move(table), kFormatDayCounter3);
    sync.show();
    for (int readers : {1, 3}) {
        TFZmenaJ d(&main, files.path(), names, kFormatDayCounter3, readers);
        QAbstractItemModelTester tester(d.list()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        QSignalSpy filled(&d, &TFZmenaJ::filled);
        d.show();
        EXPECT_TRUE(d.filling());
        EXPECT_FALSE(d.provedButton()->isEnabled());
        EXPECT_TRUE(d.progressLabel()->isVisible());
        ASSERT_TRUE(filled.wait(10000)) << readers;
        EXPECT_TRUE(d.provedButton()->isEnabled());
        EXPECT_FALSE(d.progressLabel()->isVisible());
        EXPECT_EQ(RowTexts(*d.list()), RowTexts(*sync.list())) << readers;
    }
}

TEST_F(DialogFill, RenameDialogStopsOnEscape) {
    TFZmenaJ d(&main, files.path(), names, kFormatDayCounter3, 2);
    QSignalSpy filled(&d, &TFZmenaJ::filled);
    d.show();
    ASSERT_TRUE(d.filling());
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    QTest::qWait(50);
    EXPECT_EQ(filled.count(), 0);
    EXPECT_FALSE(d.provedButton()->isEnabled());
}

// The window's thread receives rows while later ones are still being read, and in the order
// of the names although later chunks are read first.
TEST(BackgroundFill, RowsArriveInOrderWhileTheRestIsRead) {
    constexpr std::size_t kCount = 200;
    std::atomic<bool> firstSeen{false};
    std::vector<std::size_t> got;
    bool sawPartial = false, done = false;
    BackgroundFill<std::size_t> fill(
        kCount, 3,
        [&]() -> BackgroundFill<std::size_t>::Reader {
            return [&](std::size_t i) -> std::optional<std::size_t> {
                if (i < 32) // the first chunk comes last
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                while (i >= 150 && !firstSeen) // the end waits for the window
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                if (i % 7 == 3)
                    return std::nullopt;
                return i;
            };
        },
        {[&](std::vector<std::size_t> rows) {
             got.insert(got.end(), rows.begin(), rows.end());
             firstSeen = true;
             sawPartial = sawPartial || got.size() < kCount - kCount / 7;
         },
         nullptr, [&] { done = true; }});
    KIVO_WAIT_TRUE(done, 10000);
    EXPECT_TRUE(sawPartial);
    std::vector<std::size_t> expected;
    for (std::size_t i = 0; i < kCount; ++i)
        if (i % 7 != 3)
            expected.push_back(i);
    EXPECT_EQ(got, expected);
}

} // namespace
} // namespace kivo
