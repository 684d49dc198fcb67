// Undo in the main window: the action that undoes the last batch of the journal and the
// history dialog. The journal is read and the undo runs on a worker thread.

#include "app/main_window.h"

#include <optional>

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QThreadPool>

#include "app/history_dialog.h"
#include "app/journal_task.h"
#include "app/thumbnail_follow.h"
#include "app/undo_texts.h"
#include "core/gui/shared_routines.h"
#include "core/journal_undo.h"
#include "platform/gui/path_text.h"
#include "platform/gui/trash.h"

namespace kivo {

namespace {

// A field that keeps Ctrl+Z for its own text.
bool TakesOwnUndo(const QWidget* w) {
    if (w == nullptr)
        return false;
    if (const auto* e = qobject_cast<const QLineEdit*>(w))
        return !e->isReadOnly();
    if (const auto* e = qobject_cast<const QTextEdit*>(w))
        return !e->isReadOnly();
    if (const auto* e = qobject_cast<const QPlainTextEdit*>(w))
        return !e->isReadOnly();
    if (const auto* e = qobject_cast<const QAbstractSpinBox*>(w))
        return !e->isReadOnly();
    if (const auto* e = qobject_cast<const QComboBox*>(w))
        return e->isEditable();
    return false;
}

// Gives Ctrl+Z to a text field that has the focus: the window's undo is not for its text.
class UndoShortcutGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Shortcut && TakesOwnUndo(QApplication::focusWidget()))
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void TFHlavni::BuildEditMenu() {
    journalPool_ = std::make_unique<QThreadPool>();
    journalPool_->setMaxThreadCount(1);
    ReportUndo = [](const QString& text) {
        ShowMessageBox(text, MsgKind::Information, QMessageBox::Ok);
    };
    QMenu* edit = menuBar()->addMenu(tr("Úpr&avy"));
    edit->setObjectName(QStringLiteral("MUpravy"));
    MEZpet = edit->addAction(UndoActionText(nullptr));
    MEZpet->setObjectName(QStringLiteral("MEZpet"));
    MEZpet->setShortcut(QKeySequence::Undo);
    MEZpet->setShortcutContext(Qt::WindowShortcut);
    MEZpet->setEnabled(false);
    MEZpet->installEventFilter(new UndoShortcutGuard(MEZpet));
    connect(MEZpet, &QAction::triggered, this, &TFHlavni::MEZpetClick);
    MEHistorie = edit->addAction(tr("&Historie změn…"));
    MEHistorie->setObjectName(QStringLiteral("MEHistorie"));
    connect(MEHistorie, &QAction::triggered, this, &TFHlavni::MEHistorieClick);
    // Another program (kivo-tidy) may have changed the journal meanwhile.
    connect(edit, &QMenu::aboutToShow, this, &TFHlavni::RefreshUndoAction);
}

std::string TFHlavni::JournalFolder() const {
    return journal_ ? journal_->folder() : Journal::DefaultFolder();
}

void TFHlavni::RefreshUndoAction() {
    RunJournalTask<std::optional<BatchInfo>>(
        *journalPool_, this, JournalFolder(), [](Journal& j) { return j.LastUndoable(); },
        [this](std::optional<BatchInfo> last, const std::string&) {
            // A journal that cannot be read has nothing to undo.
            undoTarget_ = last ? last->id : 0;
            MEZpet->setText(UndoActionText(last ? &*last : nullptr));
            MEZpet->setEnabled(undoTarget_ != 0 && !undoRuns_);
        });
}

void TFHlavni::NoteUnjournaled(const std::string& why) {
    const std::string& reason = why.empty() ? journalError_ : why;
    ShowStatusMessage(tr("Změny nelze vrátit zpět: %1").arg(PathText(reason)));
}

void TFHlavni::JournalChanged() {
    AktualizujSLV();
    RefreshUndoAction();
}

void TFHlavni::MEZpetClick() {
    // The batch the action names, even when a newer one came meanwhile.
    const std::int64_t id = undoTarget_;
    if (id == 0 || undoRuns_)
        return;
    undoRuns_ = true;
    MEZpet->setEnabled(false);
    const std::string folder = JournalFolder();
    RunJournalTask<UndoReport>(
        *journalPool_, this, folder,
        [id](Journal& j) { return UndoBatch(j, id, false, MoveToTrashAndFind); },
        [this, folder](UndoReport report, const std::string& error) {
            undoRuns_ = false;
            if (!error.empty())
                report.error = error;
            if (report.undoBatch != 0)
                CarryThumbnailsOfNewestBatch(folder);
            JournalChanged();
            ReportUndo(UndoReportText(report));
        });
}

void TFHlavni::MEHistorieClick() {
    THistorie dialog(JournalFolder(), this);
    connect(&dialog, &THistorie::Changed, this, &TFHlavni::JournalChanged);
    dialog.exec();
    RefreshUndoAction();
}

} // namespace kivo
