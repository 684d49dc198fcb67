#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "core/gui/placement.h"
#include "core/gui/shared_routines.h"
#include "core/settings.h"
#include "support/temp_dir.h"

using namespace kivo;
using kivo::test::TempDir;

namespace {

int argc = 1;
char arg0[] = "placement_test";
char* argv[] = {arg0, nullptr};

class Form : public QWidget, public ResizeHandlerOwner {
public:
    void setResizeHandlerAttached(bool attached) override { attached_ = attached; }
    std::vector<QSize> sizesSeen;

protected:
    void resizeEvent(QResizeEvent*) override {
        if (attached_)
            sizesSeen.push_back(size());
    }

private:
    bool attached_ = true;
};

class PlacementTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }
    void SetUp() override { ::setenv("KIVO_DATA_DIR", dir.path().c_str(), 1); }
    TempDir dir;
    std::string ini = dir.file("kivo.ini");
};

} // namespace

TEST_F(PlacementTest, FirstStartUsesDefaultSize) {
    Form f;
    RestoreFormPlacement(f, "kivo.ini", "Form", 640, 480);
    EXPECT_EQ(f.size(), QSize(640, 480));
    EXPECT_FALSE(f.windowState() & Qt::WindowMaximized);
}

TEST_F(PlacementTest, NegativePositionBecomesZero) {
    dir.write("kivo.ini", "[Form]\r\nState=2\r\nLeft=-8\r\nTop=-8\r\nWidth=700\r\nHeight=500\r\n");
    Form f;
    RestoreFormPlacement(f, "kivo.ini", "Form", 640, 480);
    EXPECT_EQ(f.pos(), QPoint(0, 0));
    EXPECT_EQ(f.size(), QSize(700, 500));
}

TEST_F(PlacementTest, ResizeHandlerSeesOnlyTheHeightChange) {
    dir.write("kivo.ini", "[Form]\r\nState=2\r\nLeft=5\r\nTop=6\r\nWidth=700\r\nHeight=500\r\n");
    Form f;
    f.show();
    f.sizesSeen.clear();
    RestoreFormPlacement(f, "kivo.ini", "Form", 640, 480);
    QApplication::processEvents();
    ASSERT_FALSE(f.sizesSeen.empty());
    EXPECT_EQ(f.sizesSeen.back(), QSize(700, 500));
    for (const QSize& s : f.sizesSeen)
        EXPECT_EQ(s.width(), 700) << "a resize with the old width reached the handler";
}

TEST_F(PlacementTest, MaximisedCloseKeepsLastNormalPlacement) {
    dir.write("kivo.ini", "[Form]\r\nState=2\r\nLeft=30\r\nTop=40\r\nWidth=700\r\nHeight=500\r\n");
    Form f;
    f.setWindowState(Qt::WindowMaximized);
    f.show();
    QApplication::processEvents();
    SaveFormPlacement(f, "kivo.ini", "Form");
    EXPECT_EQ(ReadIniInteger(ini, "Form", "State", 0), 1);
    EXPECT_EQ(ReadIniInteger(ini, "Form", "Left", 0), 30);
    EXPECT_EQ(ReadIniInteger(ini, "Form", "Width", 0), 700);

    Form g;
    RestoreFormPlacement(g, "kivo.ini", "Form", 640, 480);
    EXPECT_TRUE(g.windowState() & Qt::WindowMaximized);
    g.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(g.size(), QSize(700, 500));
    EXPECT_EQ(g.pos(), QPoint(30, 40));
}

TEST_F(PlacementTest, NormalCloseWritesStateTwoAndGeometry) {
    Form f;
    f.move(12, 34);
    f.resize(610, 320);
    SaveFormPlacement(f, "kivo.ini", "FZmenaJ");
    EXPECT_EQ(ReadIniInteger(ini, "FZmenaJ", "State", 0), 2);
    EXPECT_EQ(ReadIniInteger(ini, "FZmenaJ", "Left", 0), 12);
    EXPECT_EQ(ReadIniInteger(ini, "FZmenaJ", "Top", 0), 34);
    EXPECT_EQ(ReadIniInteger(ini, "FZmenaJ", "Width", 0), 610);
    EXPECT_EQ(ReadIniInteger(ini, "FZmenaJ", "Height", 0), 320);
}

TEST_F(PlacementTest, ClientPlacementIsNotCentredAndMayKeepWidth) {
    Form f;
    f.move(3, 4);
    RestoreFormClientPlacement(f, "kivo.ini", "FDCExif", 600, 300);
    EXPECT_EQ(f.pos(), QPoint(3, 4));
    EXPECT_EQ(f.size(), QSize(600, 300));

    dir.write("kivo.ini", "[FDCExif]\r\nState=2\r\nLeft=1\r\nTop=2\r\nWidth=900\r\nHeight=400\r\n");
    Form g;
    g.resize(555, 100);
    RestoreFormClientPlacement(g, "kivo.ini", "FDCExif", 0, 300);
    EXPECT_EQ(g.size(), QSize(555, 400));
}

struct GoneScreenCase {
    int left, top, width, height;
};

class StoredOnAGoneScreen : public PlacementTest,
                            public ::testing::WithParamInterface<GoneScreenCase> {};

TEST_P(StoredOnAGoneScreen, ComesBackOntoAPresentScreen) {
    const auto& c = GetParam();
    dir.write("kivo.ini", "[Form]\r\nState=2\r\nLeft=" + std::to_string(c.left) + "\r\nTop=" +
                              std::to_string(c.top) + "\r\nWidth=" + std::to_string(c.width) +
                              "\r\nHeight=" + std::to_string(c.height) + "\r\n");
    Form f;
    RestoreFormPlacement(f, "kivo.ini", "Form", 640, 480);
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect placed(f.pos(), f.size());
    EXPECT_TRUE(avail.contains(placed))
        << placed.x() << "," << placed.y() << " " << placed.width() << "x" << placed.height();
    EXPECT_EQ(f.width(), std::min(c.width, avail.width()));
    EXPECT_EQ(f.height(), std::min(c.height, avail.height()));
}

INSTANTIATE_TEST_SUITE_P(Placements, StoredOnAGoneScreen,
                         ::testing::Values(GoneScreenCase{5000, 100, 400, 300},
                                           GoneScreenCase{100, 5000, 400, 300},
                                           GoneScreenCase{-3000, 20, 400, 300},
                                           GoneScreenCase{4000, 4000, 5000, 4000}));

TEST_F(PlacementTest, APlacementOnAPresentScreenStaysWhereItWas) {
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    // Half outside the right edge is still on the screen: the user put it there.
    const int left = avail.right() - 150;
    dir.write("kivo.ini", "[Form]\r\nState=2\r\nLeft=" + std::to_string(left) +
                              "\r\nTop=10\r\nWidth=300\r\nHeight=200\r\n");
    Form f;
    RestoreFormPlacement(f, "kivo.ini", "Form", 640, 480);
    EXPECT_EQ(f.pos(), QPoint(left, 10));
    EXPECT_EQ(f.size(), QSize(300, 200));
}

TEST_F(PlacementTest, CenterFormOverUsesTruncatingHalves) {
    QWidget r, w;
    r.setGeometry(10, 20, 301, 201);
    w.resize(100, 50);
    CenterFormOver(w, r);
    EXPECT_EQ(w.pos(), QPoint(110, 95));
}

TEST(SharedRoutines, PadLeft) {
    EXPECT_EQ(PadLeft("7", '0', 2), "07");
    EXPECT_EQ(PadLeft("123", '0', 2), "123");
    EXPECT_EQ(PadLeft("abc", '0', 0), "abc");
    EXPECT_EQ(PadLeft("", ' ', 3), "   ");
}

TEST_F(PlacementTest, ComboLookups) {
    QComboBox combo;
    combo.addItems({"YYYY_MM_DD", "yymmdd", "", "YYMMDD"});
    int index = 7;
    EXPECT_TRUE(FindComboItem("yyMMdd", combo, index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(FindComboItem("yymmddx", combo, index));
    EXPECT_EQ(index, -1);
    // Only ASCII letters fold: "Č" and "č" differ.
    combo.addItem("Čas");
    EXPECT_FALSE(FindComboItem("čas", combo, index));

    combo.setEditable(true);
    combo.setEditText("YYMMDD");
    int position = 0;
    EXPECT_TRUE(ComboTextIsItem(combo, position));
    EXPECT_EQ(position, 4); // the last equal item wins, counted from 1
    combo.setEditText("");
    EXPECT_FALSE(ComboTextIsItem(combo, position));
    EXPECT_EQ(position, 0);
}
