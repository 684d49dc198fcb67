#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "support/temp_dir.h"
#include "widgets/folder_edit.h"

namespace kivo {
namespace {

int argc = 1;
char arg0[] = "folder_edit_test";
char* argv[] = {arg0, nullptr};

class FolderEditTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
    }
};

TEST_F(FolderEditTest, HoldsEditableText) {
    FolderEdit e;
    QSignalSpy changed(&e, &FolderEdit::textChanged);
    e.setText("/foto/2023");
    EXPECT_EQ(e.text(), "/foto/2023");
    EXPECT_EQ(changed.count(), 1);
    e.lineEdit()->setFocus();
    QTest::keyClicks(e.lineEdit(), "/x");
    EXPECT_EQ(e.text(), "/foto/2023/x");
}

TEST_F(FolderEditTest, BrowseButtonAsksWithTheTitleAndTakesTheFolder) {
    FolderEdit e;
    e.setText("/start");
    QString title, start;
    e.setDialogRunner([&](QWidget*, const QString& t, const QString& s) {
        title = t;
        start = s;
        return QStringLiteral("/chosen/folder");
    });
    QTest::mouseClick(e.browseButton(), Qt::LeftButton);
    EXPECT_EQ(title, QString::fromUtf8("Výbrr adresáře"));
    EXPECT_EQ(start, "/start");
    EXPECT_EQ(e.text(), "/chosen/folder");
}

TEST_F(FolderEditTest, CancelledDialogKeepsTheText) {
    FolderEdit e;
    e.setText("/keep");
    e.setDialogRunner([](QWidget*, const QString&, const QString&) { return QString(); });
    e.browse();
    EXPECT_EQ(e.text(), "/keep");
}

TEST_F(FolderEditTest, TheRealDialogIsTitledAndPicksAFolder) {
    test::TempDir dir;
    const QString sub = QString::fromStdString(dir.mkdir("Dovolená"));
    FolderEdit e;
    e.setText(QString::fromStdString(dir.path()));
    QString seenTitle;
    bool handled = false;
    std::function<void()> answer = [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            QTimer::singleShot(20, answer);
            return;
        }
        seenTitle = dialog->windowTitle();
        dialog->setDirectory(sub);
        dialog->selectFile(sub);
        handled = true;
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    };
    QTimer::singleShot(0, answer);
    // Whatever happens, the dialog does not stay open.
    QTimer::singleShot(10000, [] {
        if (QWidget* w = QApplication::activeModalWidget())
            w->close();
    });
    e.browse();
    ASSERT_TRUE(handled);
    EXPECT_EQ(seenTitle, QString::fromUtf8("Výbrr adresáře"));
    EXPECT_EQ(e.text(), sub);
}

} // namespace
} // namespace kivo
