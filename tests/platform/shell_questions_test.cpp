// The message boxes that answer the file operation's questions, driven through their
// buttons, and the progress dialog that waits a second before it appears.

#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include "platform/gui/shell_file_operation.h"
#include "support/temp_dir.h"

using namespace kivo;

namespace {

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "shell_questions_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down during exit races with its own static caches.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Waits (at most 5 s) for the next modal message box and lets `act` press its buttons.
void WhenBoxAppears(std::function<void(QMessageBox&)> act) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(*box);
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no message box appeared";
        }
    });
    timer->start(10);
}

QAbstractButton* ButtonNamed(QMessageBox& box, const QString& text) {
    for (auto* b : box.buttons())
        if (b->text() == text)
            return b;
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

class ShellQuestions : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }
};

} // namespace

TEST_F(ShellQuestions, ReplaceBoxSkipForAll) {
    DialogFileOperationQuestions q(nullptr, ShellFunc::Copy);
    ReplaceQuestion rq;
    rq.source = "/src/a.jpg";
    rq.target = "/dst/a.jpg";
    rq.moreToCome = true;
    QString text;
    WhenBoxAppears([&](QMessageBox& box) {
        text = box.text();
        ASSERT_NE(box.checkBox(), nullptr);
        box.checkBox()->setChecked(true);
        ButtonNamed(box, "&Skip")->click();
    });
    const ReplaceAnswer a = q.AskReplace(rq);
    EXPECT_EQ(a.choice, ReplaceChoice::Skip);
    EXPECT_TRUE(a.forAll);
    EXPECT_TRUE(text.contains("\"a.jpg\""));
}

TEST_F(ShellQuestions, MergeBoxAndEscapeCancels) {
    DialogFileOperationQuestions q(nullptr, ShellFunc::Move);
    ReplaceQuestion rq;
    rq.source = "/src/f";
    rq.target = "/dst/f";
    rq.sourceIsDir = rq.targetIsDir = true;
    bool hadMerge = false, hadCheck = true;
    WhenBoxAppears([&](QMessageBox& box) {
        hadMerge = ButtonNamed(box, "&Merge") != nullptr;
        hadCheck = box.checkBox() != nullptr;
        box.escapeButton()->click();
    });
    const ReplaceAnswer a = q.AskReplace(rq);
    EXPECT_TRUE(hadMerge);
    EXPECT_FALSE(hadCheck); // nothing else follows: no "for all"
    EXPECT_EQ(a.choice, ReplaceChoice::Cancel);
}

TEST_F(ShellQuestions, ReplaceButtonReplaces) {
    DialogFileOperationQuestions q(nullptr, ShellFunc::Copy);
    ReplaceQuestion rq;
    rq.source = "/src/a.jpg";
    rq.target = "/dst/a.jpg";
    WhenBoxAppears([&](QMessageBox& box) { ButtonNamed(box, "&Replace")->click(); });
    EXPECT_EQ(q.AskReplace(rq).choice, ReplaceChoice::Replace);
}

TEST_F(ShellQuestions, TrashConfirmationNoKeeps) {
    DialogFileOperationQuestions q(nullptr, ShellFunc::Delete);
    QString text;
    WhenBoxAppears([&](QMessageBox& box) {
        text = box.text();
        box.button(QMessageBox::No)->click();
    });
    EXPECT_FALSE(q.ConfirmTrash({"/a/b.jpg", "/a/c.jpg"}));
    EXPECT_EQ(text, "Do you really want to move these 2 items to the Trash?");
    WhenBoxAppears([&](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(q.ConfirmTrash({"/a/b.jpg"}));
}

TEST_F(ShellQuestions, ErrorBoxOffersSkipOrCancelWhenMoreFollows) {
    DialogFileOperationQuestions q(nullptr, ShellFunc::Copy);
    WhenBoxAppears([&](QMessageBox& box) { box.button(QMessageBox::Cancel)->click(); });
    EXPECT_EQ(q.ReportError("Cannot copy \"/a\": No space left on device", true),
              ErrorChoice::Cancel);
    WhenBoxAppears([&](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
    EXPECT_EQ(q.ReportError("Cannot copy \"/a\": No space left on device", false),
              ErrorChoice::Skip);
}

TEST_F(ShellQuestions, ProgressDialogOnlyAfterTheDelay) {
    DialogFileOperationQuestions q(nullptr, ShellFunc::Copy);
    EXPECT_TRUE(q.Progress(1, 10, "/a"));
    EXPECT_EQ(q.ProgressDialog(), nullptr);
    std::this_thread::sleep_for(
        std::chrono::milliseconds(DialogFileOperationQuestions::kProgressDelayMs + 50));
    EXPECT_TRUE(q.Progress(5, 10, "/b"));
    ASSERT_NE(q.ProgressDialog(), nullptr);
    EXPECT_TRUE(q.ProgressDialog()->isVisible());
    EXPECT_EQ(q.ProgressDialog()->value(), 500);
    q.ProgressDialog()->cancel();
    EXPECT_FALSE(q.Progress(6, 10, "/c"));
}

namespace {
class CountingQuestions : public FileOperationQuestions {
public:
    int* trashAsked;
    explicit CountingQuestions(int* asked) : trashAsked(asked) {}
    ReplaceAnswer AskReplace(const ReplaceQuestion&) override { return {}; }
    bool ConfirmTrash(const std::vector<std::string>&) override {
        ++*trashAsked;
        return false;
    }
    ErrorChoice ReportError(const std::string&, bool) override { return ErrorChoice::Skip; }
    bool Progress(std::uint64_t, std::uint64_t, const std::string&) override { return true; }
};
} // namespace

TEST_F(ShellQuestions, ShellFileOperationUsesTheInstalledAnswers) {
    kivo::test::TempDir t;
    const auto a = QString::fromStdString(t.write("Žluťoučký kůň.jpg", "x"));
    int asked = 0;
    SetFileOperationQuestionsFactory(
        [&](QWidget*, ShellFunc) { return std::make_unique<CountingQuestions>(&asked); });
    EXPECT_FALSE(ShellFileOperation(nullptr, ShellFunc::Delete, {a}, {}));
    EXPECT_EQ(asked, 1);
    const auto b = QString::fromStdString(t.file("Kůň.jpg"));
    EXPECT_TRUE(ShellFileOperation(nullptr, ShellFunc::Rename, {a}, {b}));
    EXPECT_EQ(kivo::test::ReadWholeFile(b.toStdString()), "x");
    SetFileOperationQuestionsFactory(nullptr);
}

namespace {
// Answers "replace" on whatever thread asks, noting which, and lets a call posted while
// the first question was answered show whether the GUI thread ran events before the next.
struct Seen {
    bool offGui = false;
    int replaceAsked = 0;
    bool posted = false;
    bool eventsBetweenQuestions = false;
    bool cancel = false;
};
class ThreadNotingQuestions : public FileOperationQuestions {
public:
    explicit ThreadNotingQuestions(Seen& seen) : seen_(seen) {}
    ReplaceAnswer AskReplace(const ReplaceQuestion&) override {
        Note();
        if (++seen_.replaceAsked == 1)
            QMetaObject::invokeMethod(
                qApp, [s = &seen_] { s->posted = true; }, Qt::QueuedConnection);
        else
            seen_.eventsBetweenQuestions = seen_.posted;
        return {ReplaceChoice::Replace, false};
    }
    bool ConfirmTrash(const std::vector<std::string>&) override { return Note(), true; }
    ErrorChoice ReportError(const std::string&, bool) override { return Note(), ErrorChoice::Skip; }
    bool Progress(std::uint64_t, std::uint64_t, const std::string&) override {
        return Note(), !seen_.cancel;
    }

private:
    void Note() { seen_.offGui |= QThread::currentThread() != qApp->thread(); }
    Seen& seen_;
};
} // namespace

TEST_F(ShellQuestions, TheJobRunsBesideTheGuiThreadWhichAnswersItsQuestions) {
    for (const bool cancel : {false, true}) {
        kivo::test::TempDir t;
        QStringList sources;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            sources << QString::fromStdString(t.write(std::string("from/") + name, "new"));
        for (const char* name : {"a.jpg", "b.jpg"})
            t.write(std::string("to/") + name, "old");
        Seen seen;
        seen.cancel = cancel;
        SetFileOperationQuestionsFactory(
            [&](QWidget*, ShellFunc) { return std::make_unique<ThreadNotingQuestions>(seen); });
        EXPECT_EQ(ShellFileOperation(nullptr, ShellFunc::Copy, sources,
                                     {QString::fromStdString(t.file("to"))}),
                  !cancel);
        SetFileOperationQuestionsFactory(nullptr);
        EXPECT_FALSE(seen.offGui);
        if (cancel) {
            // The cancel reached the job before it copied over the first clash.
            EXPECT_EQ(kivo::test::ReadWholeFile(t.file("to/a.jpg")), "old");
            EXPECT_FALSE(std::filesystem::exists(t.file("to/c.jpg")));
        } else {
            EXPECT_EQ(seen.replaceAsked, 2);
            EXPECT_TRUE(seen.eventsBetweenQuestions);
            EXPECT_EQ(kivo::test::ReadWholeFile(t.file("to/b.jpg")), "new");
        }
    }
}
