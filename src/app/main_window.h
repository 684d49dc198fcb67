#pragma once
// The main window: the folder combo, the file list with the preview beside it, the photo
// buttons and the status bar. Settings are restored at creation and stored at close.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <QMainWindow>
#include <QStringList>

#include "app/list_journal.h"
#include "app/preview.h"
#include "app/preview_loader.h"
#include "core/gui/placement.h"
#include "core/journal.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QThreadPool;

namespace kivo {

class FolderEdit;
class GatherRun;
class LeftDockLayout;
class Splitter;
class TDirTreeCombo;
class TFileListView;
class TPanelStatusBar;

class TFHlavni : public QMainWindow, public ResizeHandlerOwner {
    Q_OBJECT
public:
    // Takes the command line of the running application.
    explicit TFHlavni(QWidget* parent = nullptr);
    // `arguments` without the program name.
    explicit TFHlavni(const QStringList& arguments, QWidget* parent = nullptr);
    ~TFHlavni() override;

    void setResizeHandlerAttached(bool attached) override { resizeAttached_ = attached; }

    // --- controls ----------------------------------------------------------------------
    TDirTreeCombo* SCB = nullptr;
    TFileListView* SLV = nullptr;
    Splitter* SplS = nullptr;
    QFrame* PImage = nullptr;
    TImage* Image1 = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* BExif = nullptr;
    QPushButton* BPresun = nullptr;
    FolderEdit* DEPresun = nullptr;
    QCheckBox* ChBPodadr = nullptr;
    QCheckBox* ChBRaw = nullptr; // gathering moves RAW files too
    QComboBox* CBDatum = nullptr;    // one folder, or date folders by a pattern (item data)
    QCheckBox* ChBDuplKos = nullptr; // duplicates go to the Trash
    QCheckBox* ChBCisluj = nullptr;  // a taken name: move as NAME_1.jpg …
    QFrame* Panel1 = nullptr;
    QPushButton* BZmenaJ = nullptr;
    QLabel* CBTypL = nullptr;
    QComboBox* CBTyp = nullptr;
    QPlainTextEdit* CBTypLInfo = nullptr;
    TPanelStatusBar* SB = nullptr;
    QAction* MIAbout = nullptr;
    QAction* MEZpet = nullptr;     // undo of the last batch, its text says which
    QAction* MEHistorie = nullptr; // the history dialog
    QMenu* PMSLV = nullptr;
    QAction* MPVI = nullptr;
    QAction* MPMI = nullptr;
    QAction* MPSe = nullptr;
    QAction* MPPo = nullptr;
    QAction* MPNewAdr = nullptr;

    const std::string& ExeFolderPath() const { return exeFolder_; }
    const std::string& SettingsFile() const { return settingsPath_; }

    // --- operations ----------------------------------------------------------------------
    void AktualizujSLV();
    static void NastavVzhled(TFileListView& list, int code);
    void NastavSloupce();
    void UlozSloupce();
    void NastavImage();

    // --- handlers ------------------------------------------------------------------------
    void MPClick(int tag);
    void SLVClick();
    void MPNewAdrClick();
    bool SLVDragOver(int row);
    void SLVDragDrop(int row);
    void MIAboutClick();
    void MEZpetClick();
    void MEHistorieClick();
    void BZmenaJClick();
    void BExifClick();
    void BPresunClick();
    void FormResize();

    // Questions and reports of the handlers; message boxes unless replaced (tests).
    std::function<bool(const QString& question)> Confirm;
    std::function<void(const QString& text)> ReportError;

    // What an undo did; a message box unless replaced (tests).
    std::function<void(const QString& text)> ReportUndo;
    // Reads which batch the undo action would undo, on a worker thread; the action's text
    // and state follow when it is read.
    void RefreshUndoAction();
    bool UndoRuns() const { return undoRuns_; }
    // The folder of the undo journal.
    std::string JournalFolder() const;

    // Gathering runs on a worker thread, one run at a time; BPresun is disabled meanwhile.
    bool GatheringRuns() const { return gatherRun_ != nullptr; }
    // Waits for a run under way to end (a run cannot be cancelled) and finishes it.
    void WaitForGathering();
    // Alt+P, the accelerator of BPresun: gathers only after a yes.
    void BPresunAccelerator();
    // A short note in the status bar's gauge panel (an operation refused where it is).
    void ShowStatusMessage(const QString& text);

    // Records where the drag now over the list started (its source object, null for
    // another program); only items dragged out of the list itself are dropped.
    void NoteDragSource(QObject* source);

    // The preview's picture and the size of the image it came from.
    const DecodedPreview& Preview() const { return preview_; }
    // Whether a preview is being decoded (on a worker thread).
    bool PreviewRuns() const { return previewLoader_.Busy(); }

signals:
    // Image1 got a new picture.
    void PreviewShown();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void FormCreate(const QStringList& arguments);
    void FormShow();
    void FormClose();
    QStringList SelectedNames() const;
    void ShowPreviewOf(const std::string& path);
    void PreviewDecoded(const PreviewRequest& request, std::optional<DecodedPreview> decoded);
    void ConnectCommands();
    void GatherFinished(const GatherRun* run);
    void BuildEditMenu();
    void JournalChanged();
    // Says in the status bar that changes just made cannot be undone, and why ("": the
    // journal could not be opened).
    void NoteUnjournaled(const std::string& why);

    std::string exeFolder_;
    std::string settingsPath_;
    // The undo journal of the dialogs' batches (GUI thread); none when it cannot be opened.
    std::unique_ptr<Journal> journal_;
    // Why journal_ could not be opened ("" when it was).
    std::string journalError_;
    // The file list's own operations go into journal_ through it.
    ListJournal listJournal_{[this] { return journal_.get(); }, [this] { RefreshUndoAction(); },
                             [this](const std::string& why) { NoteUnjournaled(why); }};
    LeftDockLayout* middle_ = nullptr;
    bool resizeAttached_ = true;
    bool shown_ = false;
    // Whether the drag over the list started in the list itself.
    bool dragFromList_ = false;
    DecodedPreview preview_;
    std::string previewPath_;
    // Waited for at destruction, before the controls go.
    PreviewLoader previewLoader_{
        [this](const PreviewRequest& request, std::optional<DecodedPreview> decoded) {
            PreviewDecoded(request, std::move(decoded));
        }};
    // The run under way; its destruction waits for the worker.
    std::shared_ptr<GatherRun> gatherRun_;
    int statusMessageId_ = 0;
    bool statusMessageShown_ = false;
    QString gaugeIdleText_;
    // The batch the undo action undoes (0: none), and whether an undo is under way.
    std::int64_t undoTarget_ = 0;
    bool undoRuns_ = false;
    // The worker of the journal tasks, one at a time; waited for in the destructor.
    std::unique_ptr<QThreadPool> journalPool_;
};

} // namespace kivo
