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
#include <string>

#include <QDialog>
#include <QStringList>

#include "photoops/background_fill.h"
#include "photoops/rename_model.h"
#include "photoops/rename_table.h"

class QLabel;
class QPushButton;
class QTreeView;

namespace kivo {

// Fills a rename dialog from `selectedNames` of `folder` (the file list's folder, ending
// in "/"), shows it modally over `mainWindow` and returns true exactly when the dialog
// came back with the confirming result, i.e. at least one file got its new name; the
// caller then stores the format index and refreshes its list. With no names at all it
// shows nothing and returns false.
// With a journal, the renames are one batch in it; `journalError` then gets why that
// batch could not be written ("" when it was).
bool RunRenameDialog(QWidget* mainWindow, const QString& folder, const QStringList& selectedNames,
                     int formatIndex, Journal* journal = nullptr,
                     std::string* journalError = nullptr);

class TFZmenaJ : public QDialog {
    Q_OBJECT
public:
    // FormCreate runs here: placement from section "FZmenaJ", centred over `mainWindow`.
    TFZmenaJ(QWidget* mainWindow, RenameTable table, int formatIndex);
    // Opens empty and reads the rows of `names` in `folder` on worker threads (`readers`, or
    // as many as the folder's disk benefits from when 0); they show as they are read, then
    // sorted and named. "Proveď" waits for that; "Zruš" and Esc stop the reading.
    TFZmenaJ(QWidget* mainWindow, const std::string& folder, std::vector<std::string> names,
             int formatIndex, int readers = 0);
    ~TFZmenaJ() override;

    // Rows are still being read, sorted or named.
    bool filling() const { return fill_ != nullptr || finish_ != nullptr; }
    QLabel* progressLabel() const { return LNacitam; }

    RenameTable& table() { return table_; }
    QTreeView* list() const { return List; }
    QPushButton* provedButton() const { return BProved1; }
    QPushButton* cancelButton() const { return Bcancel; }

    // Where the count of failed renames goes; the warning box by default.
    void setFailureReporter(std::function<void(const QString&)> reporter);

    // The result follows the changed flag, whichever way the dialog closes.
    void done(int result) override;

signals:
    // Every row is read, sorted and named (not sent when the reading was cancelled).
    void filled();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Build();
    void AddFilledRows(std::vector<RenameRow> rows);
    void ShowProgress(std::size_t read, std::size_t count);
    void FinishFill();
    void FillDone();
    void FormCreate();
    void FormShow();
    void BProved1Click();
    void BcancelClick();
    void FormClose();
    // Table -> list; with `allNew` the rows are shown anew (sorted, grouped).
    void ShowRows(bool allNew = false);
    // With `namesMeasured` the current names were measured as they came in.
    void FitToRows(bool namesMeasured = false);
    // Every column as wide as its header and texts need; a column only grows.
    void WidenColumns(bool namesMeasured = false);

    QWidget* mainWindow_ = nullptr;
    RenameTable table_;
    std::vector<RenameRow> finishing_; // shown while the table is sorted on a worker
    RenameModel* model_ = nullptr;
    std::unique_ptr<BackgroundFill<RenameRow>> fill_;
    std::unique_ptr<BackgroundFill<RenameTable>> finish_; // grouping, sorting, naming
    int formatIndex_ = -1;
    bool shown_ = false;
    bool closing_ = false;
    bool stopped_ = false; // closed: rows still on their way are not wanted
    std::function<void(const QString&)> reportFailures_;

    QTreeView* List = nullptr;
    QPushButton* BProved1 = nullptr;
    QPushButton* Bcancel = nullptr;
    QLabel* LNacitam = nullptr;
};

} // namespace kivo
