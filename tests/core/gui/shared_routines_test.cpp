// Message boxes of the shared routines: their caption is the program's title.

#include <memory>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include "core/gui/shared_routines.h"

namespace kivo {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QCoreApplication::instance() == nullptr)
            app_ = std::make_unique<QApplication>(argc_, argv_);
        // Another display name must not leak into the captions.
        QApplication::setApplicationDisplayName(QStringLiteral("shared_routines_test"));
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[8] = "kivo";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

struct KindCase {
    MsgKind kind;
    QMessageBox::Icon icon;
};

class MessageBoxKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(MessageBoxKinds, CaptionIsTheProgramsTitle) {
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    // Answers the box once it is up, noting what it showed.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            caption = box->windowTitle();
            icon = box->icon();
            text = box->text();
            box->done(QMessageBox::Ok);
        }
    });
    answer.start(5);
    EXPECT_EQ(ShowMessageBox(QStringLiteral("Počet nepřejmenovaných souborů: 1"), GetParam().kind,
                             QMessageBox::Ok),
              QMessageBox::Ok);
    EXPECT_EQ(caption, QStringLiteral("Kivomat"));
    EXPECT_EQ(MessageBoxCaption(GetParam().kind), QStringLiteral("Kivomat"));
    EXPECT_EQ(icon, GetParam().icon);
    EXPECT_EQ(text, QStringLiteral("Počet nepřejmenovaných souborů: 1"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, MessageBoxKinds,
                         ::testing::Values(KindCase{MsgKind::Warning, QMessageBox::Warning},
                                           KindCase{MsgKind::Error, QMessageBox::Critical},
                                           KindCase{MsgKind::Information, QMessageBox::Information},
                                           KindCase{MsgKind::Confirmation, QMessageBox::Question},
                                           KindCase{MsgKind::Custom, QMessageBox::NoIcon}));

} // namespace
} // namespace kivo
