#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

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
    QTRY_COMPARE_WITH_TIMEOUT(rest->width(), 900 - 388, 2000);
    EXPECT_EQ(list->width(), 385);
    // Narrower than the list: the list keeps its width and the rest is empty.
    area.resize(300, 400);
    QTRY_COMPARE_WITH_TIMEOUT(rest->width(), 0, 2000);
    EXPECT_EQ(list->width(), 385);
}

} // namespace
} // namespace kivo
