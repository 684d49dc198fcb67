#pragma once
// ShellFileOperation: copy, move, rename and delete to the Trash with the program's own
// questions. The work and its order are FileOperationJob's, run on a thread of its own
// while the GUI thread asks its questions in message boxes and shows a progress dialog for
// runs longer than a second.

#include <functional>
#include <memory>

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>

#include "platform/gui/file_operation.h"

class QProgressDialog;
class QWidget;

namespace kivo {

// Runs one operation; true when it finished without failure and nothing was skipped or
// cancelled. One target for several sources names the folder they go into; delete takes
// no targets.
bool ShellFileOperation(QWidget* owner, ShellFunc func, const QStringList& sources,
                        const QStringList& targets, FileOperationOptions options = {});

// The same, but a name already taken is skipped without a question and a failure passed
// over without a message; the progress dialog and its cancel stay.
bool QuietShellFileOperation(QWidget* owner, ShellFunc func, const QStringList& sources,
                             const QStringList& targets, FileOperationOptions options = {});

// Who answers the questions of ShellFileOperation: message boxes unless a test installs
// its own factory (nullptr restores the boxes).
using FileOperationQuestionsFactory =
    std::function<std::unique_ptr<FileOperationQuestions>(QWidget* owner, ShellFunc func)>;
void SetFileOperationQuestionsFactory(FileOperationQuestionsFactory factory);

class DialogFileOperationQuestions : public FileOperationQuestions {
public:
    DialogFileOperationQuestions(QWidget* owner, ShellFunc func);
    ~DialogFileOperationQuestions() override;

    ReplaceAnswer AskReplace(const ReplaceQuestion& question) override;
    bool ConfirmTrash(const std::vector<std::string>& paths) override;
    ErrorChoice ReportError(const std::string& message, bool moreToCome) override;
    bool Progress(std::uint64_t done, std::uint64_t total, const std::string& current) override;

    // Runs shorter than this never show the progress dialog.
    static constexpr int kProgressDelayMs = 1000;
    QProgressDialog* ProgressDialog() const;

private:
    QWidget* owner_;
    ShellFunc func_;
    QElapsedTimer clock_;
    QPointer<QProgressDialog> progress_;
};

} // namespace kivo
