#include "widgets/folder_edit.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace kivo {

FolderEdit::FolderEdit(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), button_(new QToolButton(this)) {
    button_->setText(QStringLiteral("…"));
    button_->setCursor(Qt::ArrowCursor);
    button_->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(edit_, 1);
    layout->addWidget(button_);
    setFocusProxy(edit_);
    connect(edit_, &QLineEdit::textChanged, this, &FolderEdit::textChanged);
    connect(button_, &QToolButton::clicked, this, &FolderEdit::browse);
}

QString FolderEdit::text() const {
    return edit_->text();
}

void FolderEdit::setText(const QString& text) {
    edit_->setText(text);
}

void FolderEdit::browse() {
    const QString chosen = runner_ ? runner_(this, tr(kDialogTitle), text()) : QString();
    if (!chosen.isEmpty())
        setText(QDir::toNativeSeparators(chosen));
}

QString FolderEdit::RunFolderDialog(QWidget* parent, const QString& title, const QString& start) {
    QFileDialog dialog(parent, title, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // Our own dialog, so the title is always the one given.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

} // namespace kivo
