#include "platform/gui/shell_file_operation.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

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

} // namespace

void SetFileOperationQuestionsFactory(FileOperationQuestionsFactory factory) {
    Factory() = std::move(factory);
}

bool ShellFileOperation(QWidget* owner, ShellFunc func, const QStringList& sources,
                        const QStringList& targets, FileOperationOptions options) {
    std::vector<std::string> src, dst;
    for (const auto& s : sources)
        src.push_back(PathBytes(s));
    for (const auto& t : targets)
        dst.push_back(PathBytes(t));
    std::unique_ptr<FileOperationQuestions> questions;
    if (Factory())
        questions = Factory()(owner, func);
    if (!questions)
        questions = std::make_unique<DialogFileOperationQuestions>(owner, func);
    return FileOperationJob(func, std::move(src), std::move(dst), *questions, options).Run().ok();
}

DialogFileOperationQuestions::DialogFileOperationQuestions(QWidget* owner, ShellFunc func)
    : owner_(owner), func_(func) {
    clock_.start();
    sinceEvents_.start();
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
    // Keep the window alive without paying for event processing on every small step.
    if (sinceEvents_.elapsed() >= 50) {
        QApplication::processEvents();
        sinceEvents_.restart();
    }
    return !progress_->wasCanceled();
}

} // namespace kivo
