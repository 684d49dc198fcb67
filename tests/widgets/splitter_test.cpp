#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "support/qt_wait.h"
#include "widgets/splitter.h"

namespace kivo {
namespace {

int argc = 1;
char arg0[] = "splitter_test";
char* argv[] = {arg0, nullptr};

class SplitterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
    }
    // list | splitter | rest, in a 600 x 300 area with the list 385 wide.
    void SetUp() override {
        area.resize(600, 300);
        dock = new LeftDockLayout(&area);
        list = new QWidget;
        splitter = new Splitter;
        rest = new QWidget;
        dock->addLeft(list);
        dock->addLeft(splitter);
        dock->setClient(rest);
        splitter->setControl(list);
        dock->setWidgetWidth(list, 385);
        area.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    }

    QWidget area;
    LeftDockLayout* dock = nullptr;
    QWidget* list = nullptr;
    Splitter* splitter = nullptr;
    QWidget* rest = nullptr;
};

TEST_F(SplitterTest, ThreePixelsBetweenTheListAndTheRest) {
    EXPECT_EQ(splitter->width(), 3);
    EXPECT_EQ(list->geometry(), QRect(0, 0, 385, 300));
    EXPECT_EQ(splitter->geometry(), QRect(385, 0, 3, 300));
    EXPECT_EQ(rest->geometry(), QRect(388, 0, 212, 300));
    EXPECT_EQ(splitter->cursor().shape(), Qt::SplitHCursor);
}

TEST_F(SplitterTest, DraggingChangesTheListWidth) {
    QSignalSpy moved(splitter, &Splitter::moved);
    QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(1, 100));
    QTest::mouseMove(splitter, QPoint(-99, 100));
    // The splitter has followed the pointer: it is again under the splitter's pixel 1.
    QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(1, 100));
    EXPECT_EQ(list->width(), 285);
    EXPECT_EQ(rest->geometry(), QRect(288, 0, 312, 300));
    ASSERT_FALSE(moved.isEmpty());
    EXPECT_EQ(moved.last().at(0).toInt(), 285);
}

TEST_F(SplitterTest, DragIsHeldWithinTheMinimumSizes) {
    EXPECT_EQ(splitter->widthForDrag(385, -1000), Splitter::kDefaultMinSize);
    // 600 - 3 - 30 leaves the rest its 30 pixels.
    EXPECT_EQ(splitter->widthForDrag(385, 1000), 567);
    EXPECT_EQ(splitter->widthForDrag(385, 10), 395);
}

TEST_F(SplitterTest, ResizingTheAreaKeepsTheListWidth) {
    area.resize(900, 400);
    KIVO_WAIT_EQ(rest->width(), 900 - 388, 2000);
    EXPECT_EQ(list->width(), 385);
    // Narrower than the list: the list gives way so that the rest keeps its minimum, and
    // gets its width back when the area grows again.
    area.resize(300, 400);
    KIVO_WAIT_EQ(rest->width(), LeftDockLayout::kDefaultClientMinWidth, 2000);
    EXPECT_EQ(list->width(), 300 - 3 - LeftDockLayout::kDefaultClientMinWidth);
    area.resize(900, 400);
    KIVO_WAIT_EQ(list->width(), 385, 2000);
    EXPECT_EQ(rest->width(), 900 - 388);
}

struct StoredWidthCase {
    int stored;    // the pane width from the settings
    int areaWidth; // the window's
    int shown;     // what the list gets
};

class StoredWidth : public SplitterTest, public ::testing::WithParamInterface<StoredWidthCase> {};

TEST_P(StoredWidth, IsClampedToTheArea) {
    const auto& c = GetParam();
    area.resize(c.areaWidth, 300);
    dock->setWidgetWidth(list, c.stored);
    KIVO_WAIT_EQ(list->width(), c.shown, 2000);
    EXPECT_EQ(rest->x(), c.shown + Splitter::kWidth);
    EXPECT_GE(rest->width(),
              std::min(LeftDockLayout::kDefaultClientMinWidth, c.areaWidth - Splitter::kWidth));
    EXPECT_EQ(splitter->x(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, StoredWidth,
    ::testing::Values(StoredWidthCase{385, 600, 385}, StoredWidthCase{567, 600, 567},
                      StoredWidthCase{568, 600, 567}, StoredWidthCase{5000, 600, 567},
                      StoredWidthCase{5000, 1000, 967}, StoredWidthCase{0, 600, 0},
                      StoredWidthCase{385, 20, 0}));

TEST_F(SplitterTest, ClientMinimumCanBeChosen) {
    dock->setClientMinimumWidth(200);
    dock->setWidgetWidth(list, 1000);
    KIVO_WAIT_EQ(rest->width(), 200, 2000);
    EXPECT_EQ(list->width(), 600 - 3 - 200);
}

} // namespace
} // namespace kivo
