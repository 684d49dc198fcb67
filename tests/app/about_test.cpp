#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "app/about.h"

namespace kivo {
namespace {

int argc = 1;
char arg0[] = "about_test";
char* argv[] = {arg0, nullptr};

class AboutBox : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr)
            app_ = new QApplication(argc, argv);
    }
    static QApplication* app_;
};
QApplication* AboutBox::app_ = nullptr;

TEST_F(AboutBox, ShowsTheProgramsVersionBlock) {
    TFAbout box;
    EXPECT_EQ(box.windowTitle(), "About");
    EXPECT_EQ(box.Label1->text(), "Kivomat");
    EXPECT_EQ(
        box.Label2->text(),
        QString::fromUtf8("úprava souborů s fotografiemi - přejmenování, změna datumu (freeware)"));
    EXPECT_EQ(box.Label3->text(), "1.4.0.0");
    EXPECT_EQ(box.Label4->text(), "Kivomat developers");
    EXPECT_EQ(box.Label5->text(), QString::fromUtf8("© Kivomat developers"));
    EXPECT_EQ(box.Label6->text(), QString::fromUtf8("Název:"));
    EXPECT_EQ(box.Label8->text(), "Verze:");
    EXPECT_EQ(box.Label9->text(), QString::fromUtf8("Výrobce:"));
    EXPECT_EQ(box.Label10->text(), QString::fromUtf8("Autorské právo:"));
    EXPECT_TRUE(box.Label6->font().underline());
    EXPECT_TRUE(box.Label1->font().bold());
    EXPECT_EQ(box.Button1->text(), "O.K.");
    EXPECT_EQ(box.Button1->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_GE(box.Label2->minimumHeight(), 49);
}

TEST_F(AboutBox, IconIsDrawnAtTwiceItsSize) {
    TFAbout box;
    const QPixmap pm = box.Image1->pixmap();
    ASSERT_FALSE(pm.isNull());
    EXPECT_EQ(pm.size(), QSize(64, 64));
    // Not an empty picture: some pixel differs from the corner.
    const QImage img = pm.toImage();
    bool varied = false;
    for (int y = 0; y < 64 && !varied; ++y)
        for (int x = 0; x < 64 && !varied; ++x)
            varied = img.pixel(x, y) != img.pixel(0, 0);
    EXPECT_TRUE(varied);
}

TEST_F(AboutBox, MissingVersionBlockLeavesTheLabelsEmpty) {
    TFMAbout box;
    EXPECT_EQ(box.Label1->text(), "- - -");
    box.FormCreate("/nonexistent/kivo");
    EXPECT_EQ(box.Label1->text(), "");
    EXPECT_EQ(box.Label3->text(), "");
    EXPECT_EQ(box.Label5->text(), "");
}

TEST_F(AboutBox, NoTitleBarButtons) {
    TFAbout box;
    const Qt::WindowFlags f = box.windowFlags();
    EXPECT_FALSE(f & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(f & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(f & Qt::WindowContextHelpButtonHint);
    EXPECT_TRUE(f & Qt::CustomizeWindowHint);
}

TEST_F(AboutBox, NeitherMinimiseNorMaximiseOnceShown) {
    QWidget mainWindow;
    mainWindow.resize(640, 480);
    TFAbout box(&mainWindow);
    EXPECT_EQ(box.minimumSize(), box.maximumSize()) << "a fixed size leaves nothing to maximise";
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    ASSERT_NE(box.windowHandle(), nullptr);
    const Qt::WindowFlags f = box.windowHandle()->flags();
    EXPECT_FALSE(f & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(f & Qt::WindowType_Mask, Qt::Dialog);
    // Every text still fits the fixed box.
    for (QLabel* l : {box.Label1, box.Label3, box.Label4, box.Label5})
        EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text()))
            << l->text().toStdString();
    box.close();
}

TEST_F(AboutBox, EscAndTheButtonCloseIt) {
    {
        TFAbout box;
        QTimer::singleShot(0, &box, [&] { QTest::keyClick(&box, Qt::Key_Escape); });
        QTimer::singleShot(5000, &box, [&] { box.done(42); });
        EXPECT_NE(box.exec(), 42);
    }
    {
        TFAbout box;
        QTimer::singleShot(0, &box, [&] { QTest::mouseClick(box.Button1, Qt::LeftButton); });
        QTimer::singleShot(5000, &box, [&] { box.done(42); });
        EXPECT_NE(box.exec(), 42);
    }
}

TEST_F(AboutBox, CentredOverTheMainWindow) {
    QWidget main;
    main.setGeometry(100, 120, 800, 600);
    main.show();
    TFAbout box(&main);
    const QRect m = main.frameGeometry();
    const QRect b = box.frameGeometry();
    EXPECT_EQ(b.left(), m.left() + m.width() / 2 - b.width() / 2);
    EXPECT_EQ(b.top(), m.top() + m.height() / 2 - b.height() / 2);
}

} // namespace
} // namespace kivo
