#pragma once
// "Datum+čas dle EXIF": sets the modification time of the selected files from their EXIF
// date-time stamps, the earliest of them, or a corrected value. The form binds a list view
// and buttons to an ExifDateTable, which holds the rows and does the work.
//
// The main window's button "&datum+čas (EXIF) .." calls RunExifDateDialog:
//
//     std::vector<std::string> names; // captions of the selected items, in list order
//     if (RunExifDateDialog(*this, list->Directory(), names))
//         AktualizujSLV();
//
// It does nothing and returns false when no name is given; otherwise it shows the dialog
// and fills it while it is open (workers read the files, names that are no files skipped;
// Esc stops the reading and closes the dialog), modally
// centred over mainWindow and returns true exactly when at least one file's time was
// written. Nothing is written to the settings file apart from the dialog's placement.

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "photoops/adjust_settings.h"
#include "photoops/background_fill.h"
#include "photoops/exif_date_model.h"
#include "photoops/exif_date_table.h"
#include "photoops/exif_stamp_job.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeView;

namespace kivo {

// With a journal, every write of file times is one batch in it.
bool RunExifDateDialog(QWidget& mainWindow, const std::string& folder,
                       const std::vector<std::string>& selectedNames, Journal* journal = nullptr);

class TFDCExif : public QDialog {
    Q_OBJECT
public:
    // Column indexes of the list.
    static constexpr int kColName = 0;
    static constexpr int kColCurrent = 1;
    static constexpr int kColNewValue = 2;
    static constexpr int kColExifModify = 3;
    static constexpr int kColumnWidth = 120; // least width of every column

    // `mainWindow` is the window the dialog centres over; it is also the parent.
    TFDCExif(ExifDateTable table, QWidget* mainWindow);
    // Opens empty and fills the rows of `names` in `folder` on worker threads, in the order
    // of the names; `readers` workers, or as many as the folder's disk benefits from when 0.
    // Nothing but the list and "Zruš" works until the rows are complete.
    TFDCExif(const std::string& folder, std::vector<std::string> names, QWidget* mainWindow,
             int readers = 0);
    ~TFDCExif() override;

    // Rows are still being read.
    bool filling() const { return fill_ != nullptr && !fill_->finished(); }

    const ExifDateTable& table() const { return table_; }
    void setJournal(Journal* journal) { table_.setJournal(journal); }
    // The correction of the EXIF stamps waiting for "Proveď", null when none is planned.
    const ExifStampJob* stampJob() const { return stampJob_.get(); }
    // Stamps written into photos since the dialog opened.
    std::size_t stampsWritten() const { return stampsWritten_; }

    // Handlers, public so that tests drive them as the buttons and menu items do.
    void BExifZmenaClick(int tag);
    void ExifNejnizsiClick();
    void BNeupravovatClick();
    void BSZmenaClick(int tag);
    void BPrycClick();
    void PMLPrycClick();
    void PMLVseClick();
    void PMLBezClick();
    void BProved1Click(int tag);
    void BcancelClick();

    // The result follows the changed flag whichever way the dialog closes; the placement
    // is saved on the way out.
    void done(int r) override;

    QTreeView* List = nullptr; // over model()
    ExifDateModel* model() const { return model_; }
    QMenu* PMList = nullptr;
    QAction* PMLVse = nullptr;
    QAction* PMLBez = nullptr;
    QAction* PMLPryc = nullptr;
    QLabel* LUprava = nullptr;
    QPushButton* BExifZmena = nullptr;
    QPushButton* BExifPorizeni = nullptr;
    QPushButton* BExifDigitalizace = nullptr;
    QPushButton* ExifNejnizsi = nullptr;
    QPushButton* BSZmena = nullptr;
    QPushButton* BUZmena = nullptr;
    QPushButton* BNeupravovat = nullptr;
    QPushButton* BPryc = nullptr;
    QPushButton* BProved1 = nullptr;
    QPushButton* BProved2 = nullptr;
    QPushButton* Bcancel = nullptr;
    QCheckBox* ChBXmp = nullptr;   // missing DateTimeOriginal from the XMP dates
    QCheckBox* ChBPasmo = nullptr; // EXIF columns at the exact instant of their offsets
    QLabel* LStampy = nullptr;     // says that "Proveď" writes the corrected stamps
    QLabel* LNacitam = nullptr;    // how far the reading of the files is

signals:
    // Every row has been read (not sent when the reading was cancelled).
    void filled();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Build(QWidget* mainWindow);
    void FormCreate(QWidget* mainWindow);
    // The rows read so far join the list; the controls wait for the last of them.
    void AddFilledRows(std::vector<ExifDateRow> rows);
    void ShowProgress(std::size_t read, std::size_t count);
    void FillDone();
    void ShowFirstValues();
    void EnableControls(bool on);
    void FormShow();
    // Table -> list: texts, rows and selection.
    void ShowRows();
    // Every column as wide as its header and texts need; a column only grows.
    void WidenColumns();
    // List -> table: which rows the user selected.
    void TakeSelection();

    // The EXIF stamps of the selected rows corrected by `settings` (kept in the dialog
    // until "Proveď"); the corrected stamps are shown in the EXIF columns.
    void PlanStamps(AdjustTarget target, const AdjustSettings& settings);
    void DropStamps();
    // "Proveď" with planned stamps: the job runs on a worker with a journal connection of
    // its own while the dialog waits, responsive; the rows then show what the photos hold.
    void WriteStamps(bool keepRows);
    // A cell of a row with a planned or failed stamp correction.
    std::optional<ExifDateModel::Cell> StampCell(const ExifDateRow& row, int column) const;

    ExifDateTable table_;
    ExifDateModel* model_ = nullptr;
    std::unique_ptr<BackgroundFill<ExifDateRow>> fill_;
    std::atomic<bool>* planStop_ = nullptr; // set while a stamp correction is being planned
    int chosenStamp_ = 0;                   // the EXIF column chosen last as the start, 0 for none
    std::unique_ptr<ExifStampJob> stampJob_;
    std::map<std::string, std::size_t> stampRowOf_;    // name -> row of stampJob_
    std::map<std::string, std::string> stampFailures_; // name -> why its stamps were not written
    std::size_t stampsWritten_ = 0;
    bool shown_ = false;
    bool syncing_ = false;
    bool closing_ = false;
};

} // namespace kivo
