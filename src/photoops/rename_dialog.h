#pragma once
// The rename dialog "Změna názvu souboru" and the entry point the main window calls.
//
// Main window (BZmenaJClick), after checking that at least one item is selected:
//
//   const int index = FormatIndexOf(*CBTyp);                  // photoops/naming_combo.h
//   if (RunRenameDialog(this, folder, selectedCaptions, index)) {
//       StoreFormatIndex(SettingsPath(), index);              // photoops/naming.h, "typ"
//       AktualizujSLV();
//   }
//
// `folder` is the file list's current folder (absolute, "/" at the end or not; the
// "Drives" view lists nothing). `selectedCaptions` are the captions of the selected items
// in list order, folders and the parent entry included: only names of existing files
// become rows. The format index is read once, when the dialog opens.

#include <functional>
#include <memory>

#include <QDialog>
#include <QStringList>

#include "photoops/rename_table.h"

class QPushButton;
class QTreeWidget;

namespace kivo {

// Fills a rename dialog from `selectedNames` of `folder` (the file list's folder, ending
// in "/"), shows it modally over `mainWindow` and returns true exactly when the dialog
// came back with the confirming result, i.e. at least one file got its new name; the
// caller then stores the format index and refreshes its list. With no names at all it
// shows nothing and returns false.
// With a journal, the renames are one batch in it.
bool RunRenameDialog(QWidget* mainWindow, const QString& folder, const QStringList& selectedNames,
                     int formatIndex, Journal* journal = nullptr);

class TFZmenaJ : public QDialog {
    Q_OBJECT
public:
    // FormCreate runs here: placement from section "FZmenaJ", centred over `mainWindow`.
    TFZmenaJ(QWidget* mainWindow, RenameTable table, int formatIndex);
    ~TFZmenaJ() override;

    RenameTable& table() { return table_; }
    QTreeWidget* list() const { return List; }
    QPushButton* provedButton() const { return BProved1; }
    QPushButton* cancelButton() const { return Bcancel; }

    // Where the count of failed renames goes; the warning box by default.
    void setFailureReporter(std::function<void(const QString&)> reporter);

    // The result follows the changed flag, whichever way the dialog closes.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void BProved1Click();
    void BcancelClick();
    void FormClose();
    void ShowRows();
    void FitToRows();

    QWidget* mainWindow_ = nullptr;
    RenameTable table_;
    int formatIndex_ = -1;
    bool shown_ = false;
    bool closing_ = false;
    std::function<void(const QString&)> reportFailures_;

    QTreeWidget* List = nullptr;
    QPushButton* BProved1 = nullptr;
    QPushButton* Bcancel = nullptr;
};

} // namespace kivo
