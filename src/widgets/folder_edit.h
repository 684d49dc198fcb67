#pragma once
// A folder path as editable text with a browse button; the button's folder dialog is titled
// "Výbrr adresáře" and puts the chosen folder into the text.

#include <functional>

#include <QString>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kivo {

class FolderEdit : public QWidget {
    Q_OBJECT
public:
    // Shown through tr().
    static constexpr const char* kDialogTitle = QT_TR_NOOP("Výbrr adresáře");

    // Shows a folder dialog and returns the chosen folder, or empty when cancelled.
    using DialogRunner =
        std::function<QString(QWidget* parent, const QString& title, const QString& start)>;

    explicit FolderEdit(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* browseButton() const { return button_; }

    // Replaces the dialog (tests, or a dialog of another kind).
    void setDialogRunner(DialogRunner runner) { runner_ = std::move(runner); }
    static QString RunFolderDialog(QWidget* parent, const QString& title, const QString& start);

    // The browse button's action.
    void browse();

signals:
    void textChanged(const QString& text);

private:
    QLineEdit* edit_;
    QToolButton* button_;
    DialogRunner runner_ = &FolderEdit::RunFolderDialog;
};

} // namespace kivo
