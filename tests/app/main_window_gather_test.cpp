// Gathering from the main window: one run at a time on a worker thread with the button
// disabled, Alt+P asks first, no gathering into the drive list; the start folder falls
// back to an existing one; notes of refused operations show in the status bar.

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "app/main_window.h"
#include "app/main_window_logic.h"
#include "browser/dir_tree_combo.h"
#include "browser/file_list_operations.h"
#include "browser/file_list_view.h"
#include "browser/status_bar.h"
#include "core/settings.h"
#include "photoops/gather.h"
#include "platform/datetime.h"
#include "support/qt_wait.h"
#include "support/temp_dir.h"
#include "widgets/folder_edit.h"

namespace fs = std::filesystem;

namespace kivo {
namespace {

int argc = 1;
char arg0[] = "main_window_gather_test";
char* argv[] = {arg0, nullptr};

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

class GatherWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
    }
    void SetUp() override {
        data = dir.mkdir("data");
        photos = dir.mkdir("Foto");
        ::setenv("KIVO_DATA_DIR", data.c_str(), 1);
        ::setenv("XDG_DATA_HOME", dir.mkdir("xdg").c_str(), 1);
        ini = data + "/kivo.ini";
    }
    void TearDown() override {
        window.reset();
        ::unsetenv("KIVO_DATA_DIR");
        ::unsetenv("XDG_DATA_HOME");
    }
    TFHlavni& open(const QStringList& args = {}) {
        window = std::make_unique<TFHlavni>(args);
        window->Confirm = [this](const QString& q) {
            questions << q;
            return answer;
        };
        window->ReportError = [this](const QString& t) { errors << t; };
        return *window;
    }
    // A source tree of two photos, and the window gathering it into Foto.
    TFHlavni& openForGathering() {
        dir.write("Zdroj/a.jpg", "a");
        dir.write("Zdroj/Pod/b.jpg", "b");
        TFHlavni& w = open({Q(photos + "/")});
        w.SCB->SetSelectedPath(Q(photos));
        w.DEPresun->setText(Q(dir.file("Zdroj")));
        w.ChBPodadr->setChecked(true);
        return w;
    }
    int lines(const std::string& file) const { return CountLines(data + "/" + file); }

    test::TempDir dir;
    std::string data, photos, ini;
    std::unique_ptr<TFHlavni> window;
    QStringList questions, errors;
    bool answer = true;
};

} // namespace

TEST_F(GatherWindowTest, ASecondClickWhileARunGoesStartsNothing) {
    TFHlavni& w = openForGathering();
    w.BPresunClick();
    EXPECT_TRUE(w.GatheringRuns());
    EXPECT_FALSE(w.BPresun->isEnabled());
    // The click that was queued meanwhile: the photos are gone from the source by the
    // time it would run, and a second run would leave an empty report.
    w.BPresunClick();
    KIVO_WAIT_TRUE(!w.GatheringRuns(), 10000);
    EXPECT_TRUE(w.BPresun->isEnabled());
    EXPECT_TRUE(fs::exists(dir.file("Foto/a.jpg")));
    EXPECT_TRUE(fs::exists(dir.file("Foto/b.jpg")));
    EXPECT_EQ(lines(kFilesReportName), 2);
    EXPECT_EQ(ReadIniString(ini, "Presun", "adresar", ""), dir.file("Zdroj"));
    EXPECT_TRUE(ReadIniBool(ini, "Presun", "podadr", false));
    EXPECT_GE(w.SLV->ItemCount(), 2); // refreshed: the photos are listed
    EXPECT_EQ(w.SB->Panel(2).GaugeAttrs().Position(), 0);
}

TEST_F(GatherWindowTest, ClosingWaitsForTheRunAndItsSettings) {
    TFHlavni& w = openForGathering();
    w.BPresunClick();
    w.close();
    EXPECT_FALSE(w.GatheringRuns());
    EXPECT_TRUE(fs::exists(dir.file("Foto/a.jpg")));
    EXPECT_EQ(ReadIniString(ini, "Presun", "adresar", ""), dir.file("Zdroj"));
    EXPECT_EQ(ReadIniString(ini, "Nastaveni", "adresar", ""), photos);
}

TEST_F(GatherWindowTest, TheAcceleratorAsksFirst) {
    TFHlavni& w = openForGathering();
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    answer = false;
    QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains(Q(dir.file("Zdroj")))) << questions[0].toStdString();
    EXPECT_TRUE(questions[0].contains(Q(photos))) << questions[0].toStdString();
    EXPECT_FALSE(w.GatheringRuns());
    EXPECT_TRUE(fs::exists(dir.file("Zdroj/a.jpg")));

    answer = true;
    QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(questions.size(), 2);
    KIVO_WAIT_TRUE(!w.GatheringRuns(), 10000);
    EXPECT_TRUE(fs::exists(dir.file("Foto/a.jpg")));
}

TEST_F(GatherWindowTest, AClickOnTheButtonDoesNotAsk) {
    TFHlavni& w = openForGathering();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.BPresun, Qt::LeftButton);
    KIVO_WAIT_TRUE(!w.GatheringRuns(), 10000);
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_TRUE(fs::exists(dir.file("Foto/a.jpg")));
}

TEST_F(GatherWindowTest, NothingIsGatheredIntoTheDriveList) {
    TFHlavni& w = openForGathering();
    w.SCB->SetSelectedPath(QStringLiteral("Drives"));
    w.BPresunClick();
    EXPECT_FALSE(w.GatheringRuns());
    EXPECT_TRUE(fs::exists(dir.file("Zdroj/a.jpg")));
    EXPECT_FALSE(fs::exists(data + "/soubory.txt"));
    EXPECT_TRUE(w.SB->Panel(2).Text().contains(QStringLiteral("seznamu jednotek")));
}

TEST_F(GatherWindowTest, TheListsNotesShowInTheStatusBar) {
    TFHlavni& w = open();
    w.SCB->SetSelectedPath(QStringLiteral("Drives"));
    ASSERT_EQ(w.SLV->Directory(), QStringLiteral("Drives"));
    const QString idle = w.SB->Panel(2).Text();
    w.SLV->CreateNewFolder();
    EXPECT_EQ(w.SB->Panel(2).Text(), kNoNewFolderInDrives);
    KIVO_WAIT_EQ(w.SB->Panel(2).Text(), idle, 15000);
}

TEST_F(GatherWindowTest, AStartFolderThatIsGoneGivesItsNearestParent) {
    WriteIniString(ini, "Nastaveni", "adresar", photos + "/Karta/DCIM");
    TFHlavni& w = open();
    EXPECT_EQ(w.SLV->Directory(), Q(photos + "/"));
    EXPECT_EQ(w.SCB->SelectedPath(), Q(photos + "/"));
    w.close();
    // The folder shown is the one kept, not the one that is gone.
    EXPECT_EQ(ReadIniString(ini, "Nastaveni", "adresar", ""), photos + "/");
}

TEST_F(GatherWindowTest, TheDriveListAtStartIsListed) {
    WriteIniString(ini, "Nastaveni", "adresar", "Drives");
    TFHlavni& w = open();
    EXPECT_EQ(w.SLV->Directory(), QStringLiteral("Drives"));
    EXPECT_GT(w.SLV->ItemCount(), 0); // at least "/": never a blank list
}

struct StartCase {
    const char* saved;
    const char* expected;
};

class StartFolderRule : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartFolderRule, NearestExistingFolder) {
    const std::set<std::string> folders = {"/", "/media", "/media/eva", "/home/eva/Foto"};
    const auto isFolder = [&folders](const std::string& p) {
        std::string key = p;
        while (key.size() > 1 && key.back() == '/')
            key.pop_back();
        return folders.count(key) > 0;
    };
    EXPECT_EQ(ExistingStartFolder(GetParam().saved, isFolder), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, StartFolderRule,
    ::testing::Values(StartCase{"/home/eva/Foto", "/home/eva/Foto"},
                      StartCase{"/home/eva/Foto/", "/home/eva/Foto/"},
                      StartCase{"/media/eva/CARD/DCIM/100CANON", "/media/eva"},
                      StartCase{"/media/eva/CARD/", "/media/eva"}, StartCase{"/mnt/nas/foto", "/"},
                      StartCase{"Drives", "Drives"}, StartCase{"drives", "Drives"},
                      StartCase{"relative/folder", "Drives"}, StartCase{"", "Drives"}));

TEST(StartFolderRule, NothingExistingGivesTheDriveList) {
    EXPECT_EQ(ExistingStartFolder("/a/b", [](const std::string&) { return false; }), "Drives");
}

TEST_F(GatherWindowTest, RawBoxMovesRawFilesTooAndIsRemembered) {
    dir.write("Zdroj/c.CR2", "c");
    dir.write("Zdroj/d.heic", "d");
    TFHlavni& w = openForGathering();
    EXPECT_FALSE(w.ChBRaw->isChecked());
    QTest::mouseClick(w.ChBRaw, Qt::LeftButton, {}, QPoint(4, w.ChBRaw->height() / 2));
    ASSERT_TRUE(w.ChBRaw->isChecked());
    w.BPresunClick();
    KIVO_WAIT_TRUE(!w.GatheringRuns(), 10000);
    EXPECT_TRUE(fs::exists(dir.file("Foto/c.CR2")));
    EXPECT_TRUE(fs::exists(dir.file("Zdroj/d.heic"))); // not a RAW file
    EXPECT_TRUE(ReadIniBool(ini, "Presun", "raw", false));
    window.reset();
    EXPECT_TRUE(open().ChBRaw->isChecked());
}

TEST_F(GatherWindowTest, DateFoldersAndNumberedNamesAreChosenInTheFormAndRemembered) {
    TFHlavni& w = openForGathering();
    dir.write("Foto/2021-03-04/a.jpg", "another photo");
    for (const char* name : {"Zdroj/a.jpg", "Zdroj/Pod/b.jpg"}) {
        const std::time_t t = LocalDateTimeToUnix(EncodeDate(2021, 3, 4) + EncodeTime(12, 0, 0));
        const struct timespec times[2] = {{0, UTIME_OMIT}, {t, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.file(name).c_str(), times, 0), 0);
    }
    const int byDay = w.CBDatum->findData(QStringLiteral("YYYY-MM-DD"));
    ASSERT_GT(byDay, 0);
    EXPECT_EQ(w.CBDatum->currentIndex(), 0); // one folder by default
    w.CBDatum->setCurrentIndex(byDay);
    QTest::mouseClick(w.ChBCisluj, Qt::LeftButton, {}, QPoint(4, w.ChBCisluj->height() / 2));
    ASSERT_TRUE(w.ChBCisluj->isChecked());
    w.BPresunClick();
    KIVO_WAIT_TRUE(!w.GatheringRuns(), 10000);
    EXPECT_EQ(test::ReadWholeFile(dir.file("Foto/2021-03-04/a.jpg")), "another photo");
    EXPECT_EQ(test::ReadWholeFile(dir.file("Foto/2021-03-04/a_1.jpg")), "a");
    EXPECT_EQ(test::ReadWholeFile(dir.file("Foto/2021-03-04/b.jpg")), "b");
    window.reset();
    TFHlavni& again = open();
    EXPECT_EQ(again.CBDatum->currentData().toString(), QStringLiteral("YYYY-MM-DD"));
    EXPECT_TRUE(again.ChBCisluj->isChecked());
    EXPECT_FALSE(again.ChBDuplKos->isChecked());
}

} // namespace kivo
