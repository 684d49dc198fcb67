#include "platform/gui/shell_file_operation.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <type_traits>

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>

#include "platform/file_system.h"
#include "platform/gui/path_text.h"

namespace kivo {

namespace {

FileOperationQuestionsFactory& Factory() {
    static FileOperationQuestionsFactory factory;
    return factory;
}

// Message boxes need the normal pointer even when the caller shows the hourglass.
class ArrowCursorWhileAsking {
public:
    ArrowCursorWhileAsking() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~ArrowCursorWhileAsking() { QApplication::restoreOverrideCursor(); }
    ArrowCursorWhileAsking(const ArrowCursorWhileAsking&) = delete;
    ArrowCursorWhileAsking& operator=(const ArrowCursorWhileAsking&) = delete;
};

QString Q(const std::string& s) {
    return DisplayText(s);
}

QString Describe(std::uint64_t size, std::time_t time, bool isDir) {
    const QString when =
        QLocale().toString(QDateTime::fromSecsSinceEpoch(time), QLocale::ShortFormat);
    if (isDir)
        return QObject::tr("folder, modified %1").arg(when);
    return QObject::tr("%1, modified %2")
        .arg(QLocale().formattedDataSize(static_cast<qint64>(size)), when);
}

QString OperationTitle(ShellFunc func) {
    switch (func) {
    case ShellFunc::Move:
        return QObject::tr("Moving");
    case ShellFunc::Copy:
        return QObject::tr("Copying");
    case ShellFunc::Delete:
        return QObject::tr("Moving to the Trash");
    case ShellFunc::Rename:
        return QObject::tr("Renaming");
    }
    return {};
}

// The questions of a job on a worker thread, asked on the GUI thread: the job waits for
// each answer while the GUI thread keeps handling its events. Progress is posted without
// waiting (the newest replaces one still on its way) and a cancel comes back through a
// flag, so the job learns of it at its next step. Posted calls reach the GUI thread in the
// order they were made, so a question never overtakes the progress before it.
class QuestionsFromWorker final : public FileOperationQuestions {
public:
    QuestionsFromWorker(QObject& gui, FileOperationQuestions& asked) : gui_(gui), asked_(asked) {}

    ReplaceAnswer AskReplace(const ReplaceQuestion& question) override {
        return OnGui([&] { return asked_.AskReplace(question); });
    }
    bool ConfirmTrash(const std::vector<std::string>& paths) override {
        return OnGui([&] { return asked_.ConfirmTrash(paths); });
    }
    ErrorChoice ReportError(const std::string& message, bool moreToCome) override {
        return OnGui([&] { return asked_.ReportError(message, moreToCome); });
    }
    bool Progress(std::uint64_t done, std::uint64_t total, const std::string& current) override {
        const std::lock_guard lock(mutex_);
        progress_ = {done, total, current};
        if (!progressPosted_) {
            progressPosted_ = true;
            QMetaObject::invokeMethod(
                &gui_, [this] { ShowProgress(); }, Qt::QueuedConnection);
        }
        return !cancelled_.load();
    }

private:
    struct Step {
        std::uint64_t done = 0;
        std::uint64_t total = 0;
        std::string current;
    };
    template <typename Ask> std::invoke_result_t<Ask> OnGui(Ask ask) {
        std::invoke_result_t<Ask> answer{};
        QMetaObject::invokeMethod(
            &gui_, [&] { answer = ask(); }, Qt::BlockingQueuedConnection);
        return answer;
    }
    void ShowProgress() {
        Step step;
        {
            const std::lock_guard lock(mutex_);
            step = std::move(progress_);
            progressPosted_ = false;
        }
        if (!asked_.Progress(step.done, step.total, step.current))
            cancelled_ = true;
    }

    QObject& gui_; // lives on the GUI thread; its destruction drops progress still posted
    FileOperationQuestions& asked_;
    std::mutex mutex_;
    Step progress_;
    bool progressPosted_ = false;
    std::atomic<bool> cancelled_{false};
};

// Runs the job on a thread of its own. Until a modal progress dialog is up, clicks and
// keys wait (they are delivered afterwards): the window must not start another operation
// while this one runs. Its hooks (started, trashed, finished) run on its own thread, so
// that a record of the run never holds up the window.
FileOperationResult RunOffGuiThread(ShellFunc func, std::vector<std::string> sources,
                                    std::vector<std::string> targets, FileOperationQuestions& asked,
                                    FileOperationOptions options) {
    const auto* dialogs = dynamic_cast<const DialogFileOperationQuestions*>(&asked);
    QObject gui;
    QuestionsFromWorker questions(gui, asked);
    FileOperationJob job(func, std::move(sources), std::move(targets), questions,
                         std::move(options));
    std::atomic<bool> finished{false};
    FileOperationResult result;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            result = job.Run();
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
        QMetaObject::invokeMethod(
            &gui, [] {}, Qt::QueuedConnection); // wakes the loop below
    });
    while (!finished) {
        const bool modal = dialogs && dialogs->ProgressDialog();
        QCoreApplication::processEvents(
            QEventLoop::WaitForMoreEvents |
            (modal ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents));
    }
    worker.join();
    QCoreApplication::sendPostedEvents(&gui); // the last of what the job told
    if (failure)
        std::rethrow_exception(failure);
    return result;
}

} // namespace

void SetFileOperationQuestionsFactory(FileOperationQuestionsFactory factory) {
    Factory() = std::move(factory);
}

namespace {

class QuietFileOperationQuestions final : public DialogFileOperationQuestions {
public:
    using DialogFileOperationQuestions::DialogFileOperationQuestions;
    ReplaceAnswer AskReplace(const ReplaceQuestion&) override {
        return {ReplaceChoice::Skip, true};
    }
    ErrorChoice ReportError(const std::string&, bool) override { return ErrorChoice::Skip; }
};

bool Run(ShellFunc func, const QStringList& sources, const QStringList& targets,
         FileOperationOptions options, FileOperationQuestions& questions) {
    std::vector<std::string> src, dst;
    for (const auto& s : sources)
        src.push_back(PathBytes(s));
    for (const auto& t : targets)
        dst.push_back(PathBytes(t));
    // Only the GUI thread has a window to keep alive; elsewhere the job runs right here.
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return FileOperationJob(func, std::move(src), std::move(dst), questions,
                                std::move(options))
            .Run()
            .ok();
    return RunOffGuiThread(func, std::move(src), std::move(dst), questions, std::move(options))
        .ok();
}

} // namespace

bool ShellFileOperation(QWidget* owner, ShellFunc func, const QStringList& sources,
                        const QStringList& targets, FileOperationOptions options) {
    std::unique_ptr<FileOperationQuestions> questions;
    if (Factory())
        questions = Factory()(owner, func);
    if (!questions)
        questions = std::make_unique<DialogFileOperationQuestions>(owner, func);
    return Run(func, sources, targets, std::move(options), *questions);
}

bool QuietShellFileOperation(QWidget* owner, ShellFunc func, const QStringList& sources,
                             const QStringList& targets, FileOperationOptions options) {
    QuietFileOperationQuestions questions(owner, func);
    return Run(func, sources, targets, std::move(options), questions);
}

DialogFileOperationQuestions::DialogFileOperationQuestions(QWidget* owner, ShellFunc func)
    : owner_(owner), func_(func) {
    clock_.start();
}

DialogFileOperationQuestions::~DialogFileOperationQuestions() {
    delete progress_;
}

QProgressDialog* DialogFileOperationQuestions::ProgressDialog() const {
    return progress_;
}

ReplaceAnswer DialogFileOperationQuestions::AskReplace(const ReplaceQuestion& q) {
    ArrowCursorWhileAsking arrow;
    const bool merge = q.sourceIsDir && q.targetIsDir;
    const QString name = Q(ExtractFileName(q.target));
    const QString folder = Q(ExtractFileDir(q.target));
    QMessageBox box(QMessageBox::Question,
                    merge ? QObject::tr("Merge Folders") : QObject::tr("Replace File"), {},
                    QMessageBox::NoButton, owner_);
    if (merge) {
        box.setText(QObject::tr("The folder \"%1\" already contains a folder named \"%2\".")
                        .arg(folder, name));
        box.setInformativeText(
            QObject::tr("Merge the folders? You will be asked about each file that exists in "
                        "both."));
    } else {
        box.setText(QObject::tr("The folder \"%1\" already contains an entry named \"%2\".")
                        .arg(folder, name));
        box.setInformativeText(
            QObject::tr("Replace the existing entry (%1)\nwith the one being %2 (%3)?")
                .arg(Describe(q.targetSize, q.targetTime, q.targetIsDir),
                     func_ == ShellFunc::Move ? QObject::tr("moved") : QObject::tr("copied"),
                     Describe(q.sourceSize, q.sourceTime, q.sourceIsDir)));
    }
    QPushButton* replace = box.addButton(merge ? QObject::tr("&Merge") : QObject::tr("&Replace"),
                                         QMessageBox::AcceptRole);
    QPushButton* skip = box.addButton(QObject::tr("&Skip"), QMessageBox::RejectRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(skip);
    box.setEscapeButton(cancel);
    if (q.moreToCome)
        box.setCheckBox(new QCheckBox(QObject::tr("Do the same for all remaining conflicts")));
    box.exec();
    ReplaceAnswer a;
    a.forAll = box.checkBox() && box.checkBox()->isChecked();
    if (box.clickedButton() == replace)
        a.choice = ReplaceChoice::Replace;
    else if (box.clickedButton() == skip)
        a.choice = ReplaceChoice::Skip;
    else
        a.choice = ReplaceChoice::Cancel;
    return a;
}

bool DialogFileOperationQuestions::ConfirmTrash(const std::vector<std::string>& paths) {
    ArrowCursorWhileAsking arrow;
    const QString text =
        paths.size() == 1 ? QObject::tr("Do you really want to move \"%1\" to the Trash?")
                                .arg(Q(ExtractFileName(paths.front())))
                          : QObject::tr("Do you really want to move these %1 items to the Trash?")
                                .arg(paths.size());
    QMessageBox box(QMessageBox::Question, QObject::tr("Move to Trash"), text,
                    QMessageBox::Yes | QMessageBox::No, owner_);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

ErrorChoice DialogFileOperationQuestions::ReportError(const std::string& message, bool moreToCome) {
    ArrowCursorWhileAsking arrow;
    QApplication::beep();
    QMessageBox box(QMessageBox::Critical, QObject::tr("Error"), Q(message), QMessageBox::NoButton,
                    owner_);
    if (!moreToCome) {
        box.addButton(QMessageBox::Ok);
        box.exec();
        return ErrorChoice::Skip;
    }
    QPushButton* skip = box.addButton(QObject::tr("&Skip"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(skip);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == skip ? ErrorChoice::Skip : ErrorChoice::Cancel;
}

bool DialogFileOperationQuestions::Progress(std::uint64_t done, std::uint64_t total,
                                            const std::string& current) {
    if (!progress_) {
        if (clock_.elapsed() < kProgressDelayMs || total == 0)
            return true;
        progress_ =
            new QProgressDialog(OperationTitle(func_), QObject::tr("Cancel"), 0, 1000, owner_);
        progress_->setWindowTitle(OperationTitle(func_));
        progress_->setWindowModality(Qt::ApplicationModal);
        progress_->setMinimumDuration(0);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        progress_->show();
    }
    const int value = total == 0 ? 1000 : static_cast<int>(done * 1000 / total);
    progress_->setValue(std::min(value, 1000));
    if (!current.empty())
        progress_->setLabelText(Q(current));
    return !progress_->wasCanceled();
}

} // namespace kivo
