#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/about.h"
#include "app/main_window.h"
#include "app/preview.h"
#include "browser/dir_tree_combo.h"
#include "browser/file_list_view.h"
#include "core/settings.h"
#include "jpeg_fixture.h"
#include "photoops/exif_date_dialog.h"
#include "photoops/naming.h"
#include "photoops/rename_dialog.h"
#include "platform/exe_folder.h"
#include "platform/file_system.h"
#include "platform/gui/path_text.h"
#include "support/exif_fixtures.h"
#include "support/list_rows.h"
#include "support/qt_wait.h"
#include "support/temp_dir.h"
#include "widgets/folder_edit.h"
#include "widgets/splitter.h"

#include <QListView>
#include <QTreeView>

namespace fs = std::filesystem;

namespace kivo {
namespace {

int argc = 1;
char arg0[] = "main_window_test";
char* argv[] = {arg0, nullptr};

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
    }

    void SetUp() override {
        data = dir.mkdir("data");
        xdg = dir.mkdir("xdg");
        photos = dir.mkdir("Foto");
        ::setenv("KIVO_DATA_DIR", data.c_str(), 1);
        ::setenv("XDG_DATA_HOME", xdg.c_str(), 1);
        ::setenv("XDG_STATE_HOME", dir.mkdir("state").c_str(), 1); // the journal's folder
        ini = data + "/kivo.ini";
    }
    void TearDown() override {
        window.reset();
        ::unsetenv("KIVO_DATA_DIR");
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("XDG_STATE_HOME");
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
    void show() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    int rowOf(const QString& caption) const {
        for (int r = 0; r < window->SLV->ItemCount(); ++r)
            if (window->SLV->Item(r).caption == caption)
                return r;
        return -1;
    }
    void selectOnly(std::initializer_list<QString> captions) {
        window->SLV->ClearSelection();
        for (const QString& c : captions) {
            const int r = rowOf(c);
            ASSERT_GE(r, 0) << c.toStdString();
            window->SLV->SelectRow(r, true);
        }
    }
    static void SetMtime(const std::string& path, int year) {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = 5;
        tm.tm_mday = 1;
        tm.tm_hour = 12;
        tm.tm_isdst = -1;
        const std::time_t t = std::mktime(&tm);
        fs::last_write_time(path, fs::file_time_type::clock::now() -
                                      std::chrono::seconds(std::time(nullptr) - t));
    }

    test::TempDir dir;
    std::string data, xdg, photos, ini;
    std::unique_ptr<TFHlavni> window;
    QStringList questions, errors;
    bool answer = true;
};

TEST_F(MainWindowTest, AtItsMinimumSizeNoCaptionIsCut) {
    TFHlavni& w = open();
    w.resize(w.minimumSize());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    for (QPushButton* b : {w.BExif, w.BPresun, w.BZmenaJ}) {
        const QString caption = b->text().remove(QLatin1Char('&'));
        EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(caption) + 8)
            << caption.toStdString();
        EXPECT_GE(b->width(), b->sizeHint().width()) << caption.toStdString();
    }
    EXPECT_GE(w.ChBPodadr->width(), w.ChBPodadr->sizeHint().width());
    w.close();
}

TEST_F(MainWindowTest, FirstStartDefaults) {
    TFHlavni& w = open();
    EXPECT_EQ(w.windowTitle(), "Kivomat");
    // At least the design minimum, wider where the captions need it.
    EXPECT_EQ(w.minimumSize(), w.minimumSizeHint().expandedTo(QSize(600, 300)));
    EXPECT_EQ(w.size(), QSize(std::max(640, w.minimumWidth()), 480));
    EXPECT_EQ(w.SLV->ViewStyle(), vsIcon);
    EXPECT_EQ(w.SLV->width(), 385);
    EXPECT_EQ(w.CBTyp->property("tag").toInt(), 0);
    EXPECT_EQ(w.CBTyp->currentText(), "YYYY_MM_DD_hh_mm_ss");
    EXPECT_EQ(w.DEPresun->text(), "");
    EXPECT_FALSE(w.ChBPodadr->isChecked());
    EXPECT_EQ(w.SLV->ColWidth_Name(), 160);
    EXPECT_EQ(w.SLV->ColWidth_Size(), 90);
    EXPECT_EQ(w.SLV->ColWidth_Type(), 0);
    EXPECT_EQ(w.SLV->ColWidth_Mod(), 100);
    EXPECT_EQ(w.SLV->ColWidth_Attr(), 40);
    // The initial folder is the executable's.
    // Opening the folder in the tree commits it with its trailing "/".
    EXPECT_EQ(w.SCB->SelectedPath(), Q(ExeFolder() + "/"));
    EXPECT_EQ(w.SLV->Directory(), Q(ExeFolder() + "/"));
    const int sortColumn = w.SLV->SortColumn();
    show();
    EXPECT_EQ(w.SLV->SortColumn(), sortColumn);
}

TEST_F(MainWindowTest, ControlsCarryTheirCaptions) {
    TFHlavni& w = open();
    EXPECT_EQ(w.BExif->text(), QString::fromUtf8("&datum+čas (EXIF) .."));
    EXPECT_EQ(w.BPresun->text(), QString::fromUtf8("&přesun obrázků z:"));
    EXPECT_EQ(w.BZmenaJ->text(), QString::fromUtf8("&názvu souboru .."));
    EXPECT_TRUE(w.BZmenaJ->isDefault());
    EXPECT_EQ(w.ChBPodadr->text(), QString::fromUtf8("&včetně podadresářů"));
    EXPECT_TRUE(w.BZmenaJ->toolTip().startsWith(QString::fromUtf8("přejmenuje označené")));
    EXPECT_EQ(w.CBTyp->count(), 7);
    EXPECT_EQ(w.CBTypLInfo->toPlainText().split('\n').size(), 3);
    EXPECT_EQ(w.MPPo->text(), "podropnosti");
    EXPECT_EQ(w.MPNewAdr->text(), QString::fromUtf8("nová složka"));
    EXPECT_EQ(w.SplS->width(), 3);
    EXPECT_EQ(w.Image1->geometry(), QRect(1, 1, 179, 179));
}

TEST_F(MainWindowTest, CommandLineFileGivesItsFolderAndTheSavedOneIsNotRead) {
    const std::string other = dir.mkdir("Jinde");
    WriteIniString(ini, "Nastaveni", "adresar", other);
    TFHlavni& w = open({Q(photos + "/x.jpg")});
    EXPECT_EQ(w.SCB->SelectedPath(), Q(photos + "/"));
    EXPECT_EQ(w.SLV->Directory(), Q(photos + "/"));
}

TEST_F(MainWindowTest, CommandLineFolderWithoutSlashGivesItsParent) {
    TFHlavni& w = open({Q(photos)});
    EXPECT_EQ(w.SLV->Directory(), Q(dir.path() + "/"));
}

TEST_F(MainWindowTest, SavedFolderThatNoLongerExistsGivesItsNearestParent) {
    WriteIniString(ini, "Nastaveni", "adresar", dir.file("zmizela"));
    TFHlavni& w = open();
    EXPECT_EQ(w.SLV->Directory(), Q(dir.path() + "/"));
}

class SortRestoreTest : public MainWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SortRestoreTest, SavedColumnAndDirection) {
    const bool descending = GetParam();
    SetMtime(dir.write("Foto/a.jpg", "a"), 2020);
    SetMtime(dir.write("Foto/b.jpg", "b"), 2018);
    SetMtime(dir.write("Foto/c.jpg", "c"), 2022);
    WriteIniString(ini, "Nastaveni", "adresar", photos);
    WriteIniInteger(ini, "Nastaveni", "ser_sloupec", 3);
    WriteIniBool(ini, "Nastaveni", "ser_smer", descending);
    TFHlavni& w = open();
    show();
    EXPECT_EQ(w.SLV->SortColumn(), 3);
    EXPECT_EQ(w.SLV->SortDescending(), descending);
    const int a = rowOf("a.jpg"), b = rowOf("b.jpg"), c = rowOf("c.jpg");
    if (descending) {
        EXPECT_LT(c, a);
        EXPECT_LT(a, b);
    } else {
        EXPECT_LT(b, a);
        EXPECT_LT(a, c);
    }
}
INSTANTIATE_TEST_SUITE_P(Directions, SortRestoreTest, ::testing::Values(false, true));

TEST_F(MainWindowTest, OutOfRangeSortColumnRestoresNothing) {
    WriteIniString(ini, "Nastaveni", "adresar", photos);
    WriteIniInteger(ini, "Nastaveni", "ser_sloupec", 9);
    TFHlavni& w = open();
    const int before = w.SLV->SortColumn();
    show();
    EXPECT_EQ(w.SLV->SortColumn(), before);
}

TEST_F(MainWindowTest, OutOfRangeFormatIndexLeavesTheComboEmpty) {
    WriteIniInteger(ini, "Nastaveni", "Typ", 12);
    TFHlavni& w = open();
    EXPECT_EQ(w.CBTyp->currentText(), "");
    EXPECT_EQ(w.CBTyp->property("tag").toInt(), 12);
}

TEST_F(MainWindowTest, ClickOnAPhotoShowsItFitted) {
    dir.write("Foto/velka.jpg", test::MakeJpeg(800, 600));
    dir.write("Foto/vadna.jpg", std::string("\xFF\xD8\xFF\xC0 not really", 15));
    dir.write("Foto/text.txt", "hello");
    TFHlavni& w = open({Q(photos + "/")});
    show();
    // Nothing selected: nothing happens.
    w.SLV->ClearSelection();
    w.SLVClick();
    EXPECT_FALSE(w.PreviewRuns());
    EXPECT_TRUE(w.Image1->picture().isNull());

    QSignalSpy shownSpy(&w, &TFHlavni::PreviewShown);
    selectOnly({"velka.jpg"});
    w.SLVClick();
    ASSERT_TRUE(shownSpy.wait(5000));
    ASSERT_FALSE(w.Image1->picture().isNull());
    EXPECT_EQ(w.Preview().trueWidth, 800);
    EXPECT_EQ(w.Preview().trueHeight, 600);
    const auto box = FitImage(w.PImage->width(), w.PImage->height(), 800, 600);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(w.Image1->geometry(), *box);
    // Reduced to the smallest picture still covering the box.
    EXPECT_GE(w.Image1->picture().width(), box->width());
    EXPECT_GT(w.Preview().scaleDenom, 1);
    const qint64 shown = w.Image1->picture().cacheKey();

    // A broken file, a text file and a folder keep the previous picture.
    for (const char* other : {"vadna.jpg", "text.txt", " ^ Parent"}) {
        selectOnly({QString::fromUtf8(other)});
        w.SLVClick();
        ASSERT_TRUE(QTest::qWaitFor([&w] { return !w.PreviewRuns(); }, 5000));
        EXPECT_EQ(w.Image1->picture().cacheKey(), shown) << other;
    }

    // Resizing the window fits the picture again at once, stretched until a sharper one is
    // decoded.
    w.resize(900, 700);
    ASSERT_TRUE(QTest::qWaitFor(
        [&w] {
            return w.Image1->geometry() ==
                   *FitImage(w.PImage->width(), w.PImage->height(), 800, 600);
        },
        2000));
    EXPECT_FALSE(w.Image1->picture().isNull());
    EXPECT_TRUE(
        QTest::qWaitFor([&w] { return w.Image1->picture().width() >= w.Image1->width(); }, 5000));
}

TEST_F(MainWindowTest, OnlyTheLastPhotoClickedIsShownAndNoClickWaitsForItsDecode) {
    dir.write("Foto/a.jpg", test::MakeJpeg(1600, 1200));
    dir.write("Foto/b.jpg", test::MakeJpeg(320, 240));
    ASSERT_EQ(::mkfifo(dir.file("Foto/roura.jpg").c_str(), 0600), 0);
    TFHlavni& w = open({Q(photos + "/")});
    show();
    std::vector<int> shownWidths;
    QObject::connect(&w, &TFHlavni::PreviewShown,
                     [&] { shownWidths.push_back(w.Preview().trueWidth); });
    selectOnly({"a.jpg"});
    w.SLVClick();
    selectOnly({"b.jpg"});
    w.SLVClick();
    EXPECT_TRUE(w.PreviewRuns());
    EXPECT_TRUE(w.Image1->picture().isNull());
    ASSERT_TRUE(QTest::qWaitFor([&w] { return !w.PreviewRuns(); }, 5000));
    EXPECT_EQ(shownWidths, std::vector<int>{320});

    // A FIFO is not waited on and changes nothing.
    const qint64 shown = w.Image1->picture().cacheKey();
    selectOnly({"roura.jpg"});
    w.SLVClick();
    ASSERT_TRUE(QTest::qWaitFor([&w] { return !w.PreviewRuns(); }, 5000));
    EXPECT_EQ(w.Image1->picture().cacheKey(), shown);
    EXPECT_EQ(shownWidths.size(), 1u);
}

TEST_F(MainWindowTest, NewFolderTakesTheNextFreeNumber) {
    dir.mkdir("Foto/Nová složka");
    dir.mkdir("Foto/Nová složka 1");
    TFHlavni& w = open({Q(photos + "/")});
    w.SCB->SetSelectedPath(Q(photos));
    w.MPNewAdrClick();
    EXPECT_TRUE(fs::is_directory(dir.file("Foto/Nová složka 2")));
    EXPECT_GE(rowOf(QString::fromUtf8("Nová složka 2")), 0);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindowTest, NewFolderOnTheDriveListIsReported) {
    TFHlavni& w = open();
    w.SCB->SetSelectedPath("Drives");
    w.MPNewAdrClick();
    EXPECT_EQ(errors.size(), 1);
}

TEST_F(MainWindowTest, DropOnParentMovesTheSelectedFiles) {
    dir.write("Foto/Den1/a.jpg", "a");
    dir.write("Foto/Den1/b.jpg", "b");
    dir.write("Foto/Den1/c.jpg", "c");
    TFHlavni& w = open({Q(photos + "/Den1/")});
    selectOnly({"a.jpg", "b.jpg"});
    w.NoteDragSource(w.SLV->DetailsView());
    const int parent = rowOf(" ^ Parent");
    ASSERT_TRUE(w.SLVDragOver(parent));
    w.SLVDragDrop(parent);
    EXPECT_TRUE(fs::exists(dir.file("Foto/a.jpg")));
    EXPECT_TRUE(fs::exists(dir.file("Foto/b.jpg")));
    EXPECT_TRUE(fs::exists(dir.file("Foto/Den1/c.jpg")));
    EXPECT_EQ(rowOf("a.jpg"), -1);
    EXPECT_TRUE(questions.isEmpty());
}

TEST_F(MainWindowTest, DroppingAFolderAsksFirst) {
    dir.write("Foto/Stare/x.jpg", "x");
    dir.mkdir("Foto/Cil");
    TFHlavni& w = open({Q(photos + "/")});
    w.NoteDragSource(w.SLV->IconView());
    selectOnly({"Stare"});
    const int target = rowOf("Cil");
    ASSERT_TRUE(w.SLVDragOver(target));

    answer = false;
    w.SLVDragDrop(target);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0], Q("Opravdu přesunou celý adresář\r\n" + photos + "/Stare ?"));
    EXPECT_TRUE(fs::exists(dir.file("Foto/Stare/x.jpg")));

    answer = true;
    selectOnly({"Stare"});
    w.SLVDragDrop(rowOf("Cil"));
    EXPECT_EQ(questions.size(), 2);
    EXPECT_TRUE(fs::exists(dir.file("Foto/Cil/Stare/x.jpg")));
    EXPECT_FALSE(fs::exists(dir.file("Foto/Stare")));
}

TEST_F(MainWindowTest, DropMovesNeverReplace) {
    dir.write("Foto/a.jpg", "new");
    dir.write("Foto/Cil/a.jpg", "old");
    dir.write("Foto/Stare/x.jpg", "new");
    dir.write("Foto/Cil/Stare/x.jpg", "old");
    dir.write("Foto/b.jpg", "b");
    TFHlavni& w = open({Q(photos + "/")});
    selectOnly({"a.jpg", "Stare", "b.jpg"});
    w.SLVDragDrop(rowOf("Cil"));
    // A taken name, file or folder, is passed over without a question; the rest moves.
    EXPECT_EQ(questions.size(), 1); // the window's own question before moving a folder
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(test::ReadWholeFile(dir.file("Foto/Cil/a.jpg")), "old");
    EXPECT_EQ(test::ReadWholeFile(dir.file("Foto/a.jpg")), "new");
    EXPECT_EQ(test::ReadWholeFile(dir.file("Foto/Cil/Stare/x.jpg")), "old");
    EXPECT_EQ(test::ReadWholeFile(dir.file("Foto/Stare/x.jpg")), "new");
    EXPECT_EQ(test::ReadWholeFile(dir.file("Foto/Cil/b.jpg")), "b");
}

TEST_F(MainWindowTest, DropRefusedOnSelectedFolderFileOrFromElsewhere) {
    dir.mkdir("Foto/A");
    dir.mkdir("Foto/B");
    dir.write("Foto/f.jpg", "f");
    TFHlavni& w = open({Q(photos + "/")});
    w.NoteDragSource(w.SLV->DetailsView());
    selectOnly({"A", "f.jpg"});
    EXPECT_FALSE(w.SLVDragOver(rowOf("A")));
    EXPECT_FALSE(w.SLVDragOver(rowOf("f.jpg")));
    EXPECT_FALSE(w.SLVDragOver(-1));
    EXPECT_TRUE(w.SLVDragOver(rowOf("B")));
    // A drag from another program never moves the list's selection.
    w.NoteDragSource(nullptr);
    EXPECT_FALSE(w.SLVDragOver(rowOf("B")));
}

TEST_F(MainWindowTest, ColumnWidthsSurviveViewSwitches) {
    TFHlavni& w = open({Q(photos + "/")});
    w.MPClick(vsReport);
    EXPECT_EQ(w.SLV->ViewStyle(), vsReport);
    EXPECT_EQ(w.SLV->ColumnWidth(0), 160);
    w.SLV->SetColumnWidth(0, 222);
    w.SLV->SetColumnWidth(3, 133);
    w.MPClick(vsSmallIcon);
    EXPECT_EQ(w.SLV->ViewStyle(), vsSmallIcon);
    w.MPClick(vsList);
    w.MPClick(vsReport);
    EXPECT_EQ(w.SLV->ColumnWidth(0), 222);
    EXPECT_EQ(w.SLV->ColumnWidth(3), 133);
    EXPECT_EQ(ReadIniInteger(ini, "SLV", "Name", -1), 222);
}

TEST_F(MainWindowTest, ViewStyleCodes) {
    TFHlavni& w = open();
    const std::pair<int, TViewStyle> cases[] = {{1, vsIcon},   {2, vsSmallIcon}, {3, vsList},
                                                {4, vsReport}, {0, vsIcon},      {7, vsIcon}};
    for (const auto& [code, style] : cases) {
        TFHlavni::NastavVzhled(*w.SLV, code);
        EXPECT_EQ(w.SLV->ViewStyle(), style) << code;
    }
}

TEST_F(MainWindowTest, CloseStoresEverySettingAndTheNextStartRestoresIt) {
    dir.write("Foto/a.jpg", "a");
    {
        TFHlavni& w = open({Q(photos + "/")});
        show();
        w.MPClick(vsReport);
        w.SLV->SetColumnWidth(1, 77);
        w.SLV->SortByColumn(0);
        w.DEPresun->setText("/zdroj");
        w.ChBPodadr->setChecked(true);
        w.resize(700, 500);
        ASSERT_TRUE(w.close());
    }
    EXPECT_EQ(ReadIniString(ini, "Nastaveni", "adresar", ""), photos + "/");
    EXPECT_EQ(ReadIniInteger(ini, "Nastaveni", "vzhled", 0), 4);
    EXPECT_EQ(ReadIniInteger(ini, "Nastaveni", "sirka", 0), 385);
    EXPECT_EQ(ReadIniInteger(ini, "Nastaveni", "ser_sloupec", -5), 0);
    EXPECT_EQ(ReadIniInteger(ini, "SLV", "Size", 0), 77);
    EXPECT_EQ(ReadIniInteger(ini, "SLV", "Attr", 0), 40);
    EXPECT_EQ(ReadIniInteger(ini, "Form", "Width", 0), 700);
    EXPECT_EQ(ReadIniInteger(ini, "Form", "State", 0), 2);
    const bool descending = ReadIniBool(ini, "Nastaveni", "ser_smer", false);

    // Gathering settings are written by a gathering run only.
    EXPECT_EQ(ReadIniString(ini, "Presun", "adresar", "none"), "none");

    TFHlavni& w = open();
    show();
    EXPECT_EQ(w.SLV->Directory(), Q(photos + "/"));
    EXPECT_EQ(w.SLV->ViewStyle(), vsReport);
    EXPECT_EQ(w.SLV->ColumnWidth(1), 77);
    EXPECT_EQ(w.SLV->SortColumn(), 0);
    EXPECT_EQ(w.SLV->SortDescending(), descending);
    EXPECT_EQ(w.size(), QSize(700, 500));
}

TEST_F(MainWindowTest, TheVerbIsWrittenOnceAndFollowsTheProgram) {
    const std::string entry = xdg + "/applications/kivo-kivo.desktop";
    open();
    const std::string first = test::ReadWholeFile(entry);
    EXPECT_NE(first.find("MimeType=image/jpeg;\n"), std::string::npos);
    EXPECT_NE(first.find(QString::fromUtf8("Name=přejmenovat - aplikace Kivo").toStdString()),
              std::string::npos);
    EXPECT_NE(first.find("Exec=\"" + ExeFolder() + "/kivo\" %f"), std::string::npos);
    // Changed by hand: the next start keeps the name but points Exec at this program again.
    dir.write(
        "xdg/applications/kivo-kivo.desktop",
        "[Desktop Entry]\nType=Application\nName=X\nMimeType=image/jpeg;\nExec=/jinde/kivo %f\n");
    window.reset();
    open();
    EXPECT_EQ(test::ReadWholeFile(entry),
              "[Desktop Entry]\nType=Application\nName=X\nMimeType=image/jpeg;\nExec=\"" +
                  ExeFolder() + "/kivo\" %f\n");
}

TEST_F(MainWindowTest, PhotoButtonsDoNothingWithoutASelection) {
    dir.write("Foto/a.jpg", "a");
    TFHlavni& w = open({Q(photos + "/")});
    show();
    w.SLV->ClearSelection();
    bool dialogShown = false;
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            dialogShown = true;
            modal->close();
        }
    });
    guard.start(50);
    w.BZmenaJClick();
    w.BExifClick();
    QTest::qWait(100);
    EXPECT_FALSE(dialogShown);
}

TEST_F(MainWindowTest, EnterThatNoControlTakesPressesTheRenameButton) {
    TFHlavni& w = open();
    int clicks = 0;
    QObject::connect(w.BZmenaJ, &QPushButton::clicked, [&] { ++clicks; });
    QTest::keyClick(&w, Qt::Key_Return);
    KIVO_WAIT_EQ(clicks, 1, 2000);
}

TEST_F(MainWindowTest, GatheringButtonMovesPhotosIntoTheCurrentFolder) {
    dir.write("Zdroj/a.jpg", "a");
    dir.write("Zdroj/Pod/b.JPEG", "b");
    TFHlavni& w = open({Q(photos + "/")});
    w.SCB->SetSelectedPath(Q(photos));
    w.DEPresun->setText(Q(dir.file("Zdroj")));
    w.ChBPodadr->setChecked(true);
    w.BPresunClick();
    KIVO_WAIT_TRUE(!w.GatheringRuns(), 10000); // the run goes on a worker thread
    EXPECT_TRUE(fs::exists(dir.file("Foto/a.jpg")));
    EXPECT_TRUE(fs::exists(dir.file("Foto/b.JPEG")));
    EXPECT_GE(rowOf("a.jpg"), 0);
    EXPECT_EQ(ReadIniString(ini, "Presun", "adresar", ""), dir.file("Zdroj"));
    EXPECT_TRUE(ReadIniBool(ini, "Presun", "podadr", false));
    EXPECT_TRUE(fs::exists(data + "/soubory.txt"));
}

// Answers every modal box that is still up after 10 s, so that a run gone wrong fails
// instead of waiting for a click forever.
class ModalWatchdog {
public:
    ModalWatchdog() {
        QObject::connect(&timer_, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });
        QTimer::singleShot(10000, &timer_, [this] { timer_.start(100); });
    }

private:
    QTimer timer_;
};

// Runs `act` on the first modal dialog of type W that comes up.
template <class W> void WhenModal(std::function<void(W*)> act) {
    QTimer::singleShot(0, [act] {
        ASSERT_TRUE(QTest::qWaitFor(
            [] { return qobject_cast<W*>(QApplication::activeModalWidget()); }, 5000));
        act(qobject_cast<W*>(QApplication::activeModalWidget()));
    });
}

// An old camera card's names need not be UTF-8: the list shows U+FFFD, but the preview, the
// EXIF date dialog, the rename dialog and gathering all reach the very files.
TEST_F(MainWindowTest, PhotosWhoseNamesAreNotUtf8AreShownDatedRenamedAndGathered) {
    ModalWatchdog watchdog;
    const std::string picture = dir.write("Foto/l\xE9to.jpg", test::MakeJpeg(320, 240));
    const std::string camera =
        dir.write("Foto/\xFF\xFE.jpg", test::JpegWithExif(test::CameraTiff(false)));
    TFHlavni& w = open({PathText(photos + "/")});
    show();
    selectOnly({QString::fromUtf8("l\xEF\xBF\xBDto.jpg")});
    QSignalSpy previewShown(&w, &TFHlavni::PreviewShown);
    w.SLVClick();
    ASSERT_TRUE(previewShown.wait(5000));
    EXPECT_EQ(w.Preview().trueWidth, 320);

    const QString shown = QString::fromUtf8("\xEF\xBF\xBD\xEF\xBF\xBD.jpg");
    selectOnly({shown});
    WhenModal<TFDCExif>([shown](TFDCExif* d) {
        ASSERT_TRUE(QTest::qWaitFor([d] { return !d->filling(); }, 5000));
        ASSERT_EQ(test::RowCount(*d->List), 1);
        EXPECT_EQ(test::CellText(*d->List, 0, 0), shown);
        QTest::mouseClick(d->BProved1, Qt::LeftButton);
        QTest::mouseClick(d->Bcancel, Qt::LeftButton);
    });
    w.BExifClick();
    // The camera's DateTimeOriginal, the earliest of its stamps.
    EXPECT_EQ(FileAge(camera), ParseDateTimeText("2004.07.15 13:45:10"));

    selectOnly({shown});
    w.CBTyp->setCurrentIndex(kFormatDateTime);
    WhenModal<TFZmenaJ>([](TFZmenaJ* d) {
        ASSERT_TRUE(QTest::qWaitFor([d] { return !d->filling(); }, 5000));
        QTest::mouseClick(d->provedButton(), Qt::LeftButton);
        QTest::mouseClick(d->cancelButton(), Qt::LeftButton);
    });
    w.BZmenaJClick();
    EXPECT_FALSE(fs::exists(camera));
    const std::string renamed = photos + "/2004_07_15_13_45_10.jpg";
    EXPECT_EQ(test::ReadWholeFile(renamed).size(),
              test::JpegWithExif(test::CameraTiff(false)).size());

    const std::string source = dir.mkdir("Karta\xA0");
    dir.write("Karta\xA0/DCIM/\xC8\xE1.JPG", "c");
    w.SCB->SetSelectedPath(PathText(photos));
    w.DEPresun->setText(PathText(source));
    w.ChBPodadr->setChecked(true);
    w.BPresunClick();
    KIVO_WAIT_TRUE(!w.GatheringRuns(), 10000);
    EXPECT_EQ(test::ReadWholeFile(photos + "/\xC8\xE1.JPG"), "c");
    EXPECT_FALSE(fs::exists(source + "/DCIM/\xC8\xE1.JPG"));
    EXPECT_EQ(ReadIniString(ini, "Presun", "adresar", ""), source);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindowTest, AboutOpensModallyCentredOverTheWindow) {
    TFHlavni& w = open();
    show();
    QString title;
    QRect box;
    QTimer::singleShot(0, [&] {
        if (auto* about = qobject_cast<TFAbout*>(QApplication::activeModalWidget())) {
            title = about->windowTitle();
            box = about->frameGeometry();
            about->close();
        }
    });
    QTimer::singleShot(5000, [] {
        if (QWidget* m = QApplication::activeModalWidget())
            m->close();
    });
    w.MIAboutClick();
    EXPECT_EQ(title, "About");
    const QRect m = w.frameGeometry();
    EXPECT_EQ(box.left(), m.left() + m.width() / 2 - box.width() / 2);
    EXPECT_EQ(box.top(), m.top() + m.height() / 2 - box.height() / 2);
}

} // namespace
} // namespace kivo
