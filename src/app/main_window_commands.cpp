// What the main window's buttons, menus and list events do.

#include "app/main_window.h"

#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QPushButton>
#include <QTimer>

#include "app/about.h"
#include "app/application.h"
#include "app/main_window_logic.h"
#include "app/thumbnail_follow.h"
#include "browser/dir_tree_combo.h"
#include "browser/file_list_view.h"
#include "browser/status_bar.h"
#include "core/settings.h"
#include "photoops/exif_date_dialog.h"
#include "photoops/gather.h"
#include "photoops/naming.h"
#include "photoops/naming_combo.h"
#include "photoops/rename_dialog.h"
#include "platform/exe_folder.h"
#include "platform/file_system.h"
#include "platform/gui/path_text.h"
#include "platform/gui/shell_file_operation.h"
#include "platform/gui/wait_cursor.h"
#include "widgets/folder_edit.h"

namespace kivo {

namespace {

// Paths keep the bytes of names that are not UTF-8; Shown is for texts in messages only.
std::string S(const QString& s) {
    return PathBytes(s);
}

QString Shown(const std::string& s) {
    return DisplayText(s);
}

// How long a note stays in the status bar.
constexpr int kStatusMessageMs = 6000;

// Catches a button's accelerator (its mnemonic) and does something else with it.
class AcceleratorGuard : public QObject {
public:
    AcceleratorGuard(QObject* parent, std::function<void()> onShortcut)
        : QObject(parent), onShortcut_(std::move(onShortcut)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Shortcut)
            return QObject::eventFilter(watched, event);
        onShortcut_();
        return true;
    }

private:
    std::function<void()> onShortcut_;
};

} // namespace

// One gathering run: its inputs as they were at the click, the worker, and what came of it.
class GatherRun {
public:
    ~GatherRun() { Join(); }
    void Join() {
        if (worker.joinable())
            worker.join();
    }

    QString sourceText;
    bool subfolders = false;
    bool raw = false;
    QString datePattern; // empty: one folder
    bool trashDuplicates = false;
    bool renameClashes = false;
    std::thread worker;
    GatherResult result; // written by the worker, read after Join
    std::string error;
};

void TFHlavni::ConnectCommands() {
    // Alt+P would move files at once: it asks first, a click on the button does not.
    BPresun->installEventFilter(new AcceleratorGuard(BPresun, [this] { BPresunAccelerator(); }));
    connect(SLV, &TFileListView::StatusMessage, this, &TFHlavni::ShowStatusMessage);
}

void TFHlavni::ShowStatusMessage(const QString& text) {
    TStatusPanel& panel = SB->Panel(2);
    if (!statusMessageShown_)
        gaugeIdleText_ = panel.Text();
    statusMessageShown_ = true;
    panel.SetText(text);
    const int id = ++statusMessageId_;
    QTimer::singleShot(kStatusMessageMs, this, [this, id] {
        if (id != statusMessageId_)
            return; // a later note is showing
        statusMessageShown_ = false;
        SB->Panel(2).SetText(gaugeIdleText_);
    });
}

void TFHlavni::AktualizujSLV() {
    SLV->RefreshListing();
}

QStringList TFHlavni::SelectedNames() const {
    QStringList names;
    for (int row : SLV->SelectedRows())
        names << SLV->Item(row).name;
    return names;
}

void TFHlavni::SLVClick() {
    const int row = SLV->FirstSelectedRow();
    if (row < 0)
        return;
    const QString dir = SLV->Directory();
    if (dir.compare(QStringLiteral("Drives"), Qt::CaseInsensitive) == 0)
        return;
    const std::string path = S(dir + SLV->Item(row).name);
    const QString ext = PathText(ExtractFileExt(path)).toLower();
    if (ext != QStringLiteral(".jpg") && ext != QStringLiteral(".jpeg"))
        return;
    // Whether it is a file at all is for the worker to find: a stat can hang on a dead mount.
    ShowPreviewOf(path);
}

void TFHlavni::ShowPreviewOf(const std::string& path) {
    previewLoader_.Request({path, PImage->width(), PImage->height(), devicePixelRatioF(), false});
}

void TFHlavni::PreviewDecoded(const PreviewRequest& request,
                              std::optional<DecodedPreview> decoded) {
    if (!decoded) {
        // A file that cannot be decoded leaves the previous picture, fitted to a panel that
        // may have grown meanwhile.
        if (!request.sharpen)
            NastavImage();
        return;
    }
    if (request.sharpen) {
        if (request.path != previewPath_ || decoded->trueWidth != preview_.trueWidth ||
            decoded->trueHeight != preview_.trueHeight)
            return; // the file changed since
        preview_ = std::move(*decoded);
        Image1->setPicture(preview_.picture);
        emit PreviewShown();
        return;
    }
    preview_ = std::move(*decoded);
    previewPath_ = request.path;
    Image1->setPicture(preview_.picture);
    NastavImage();
    emit PreviewShown();
}

void TFHlavni::NastavImage() {
    const auto box =
        FitImage(PImage->width(), PImage->height(), preview_.trueWidth, preview_.trueHeight);
    if (!box)
        return;
    Image1->setGeometry(*box);
    // A picture decoded at a reduced scale is decoded again once the box in device pixels
    // outgrows it; until then the one shown is stretched.
    const qreal ratio = devicePixelRatioF();
    const QSize device = PreviewDeviceBox(PImage->width(), PImage->height(), preview_.trueWidth,
                                          preview_.trueHeight, ratio);
    if (preview_.scaleDenom <= 1 || (device.width() <= preview_.picture.width() &&
                                     device.height() <= preview_.picture.height()))
        return;
    const PreviewRequest sharper{previewPath_, PImage->width(), PImage->height(), ratio, true};
    // A photo on its way is fitted when it comes; the same decode is not asked for twice.
    const PreviewRequest* outstanding = previewLoader_.Outstanding();
    if (outstanding != nullptr && (!outstanding->sharpen || *outstanding == sharper))
        return;
    previewLoader_.Request(sharper);
}

void TFHlavni::FormResize() {
    NastavImage();
}

void TFHlavni::MPNewAdrClick() {
    const std::string base = S(SCB->SelectedPath());
    // "Drives" is no folder: never a relative folder of that name in the working directory.
    const bool isFolder = !base.empty() && base[0] == '/';
    const QString name = tr(kNewFolderName);
    // Each try is a batch of its own: one whose folder was not made disappears.
    const auto create = [this, &base](const std::string& candidate) {
        const ListChangeScope scope(&listJournal_, ListChangeKind::NewFolder,
                                    ExcludeTrailingSlash(base), {{{}, candidate}});
        return CreateDir(candidate);
    };
    if (!isFolder || !CreateNumberedFolder(base, S(name), create))
        ReportError(tr("Složku \"%1\" nelze vytvořit v %2").arg(name, Shown(base)));
    AktualizujSLV();
}

bool TFHlavni::SLVDragOver(int row) {
    // Only items dragged out of this list are moved by a drop.
    if (row < 0 || !dragFromList_)
        return false;
    const FileListItem& item = SLV->Item(row);
    if (item.isParent())
        return true;
    const QString dir = SLV->Directory();
    if (dir.compare(QStringLiteral("Drives"), Qt::CaseInsensitive) == 0)
        return false;
    return !SLV->IsSelected(row) && DirectoryExists(S(dir + item.name));
}

void TFHlavni::NoteDragSource(QObject* source) {
    auto* widget = qobject_cast<QWidget*>(source);
    dragFromList_ = widget != nullptr && (widget == SLV || SLV->isAncestorOf(widget));
}

void TFHlavni::SLVDragDrop(int row) {
    const QString dir = SLV->Directory();
    // The drive list has no folder to move from.
    if (row < 0 || row >= SLV->ItemCount() ||
        dir.compare(QStringLiteral("Drives"), Qt::CaseInsensitive) == 0)
        return;
    const std::string target = S(SLV->Item(row).name);
    const std::string folder = ExcludeTrailingSlash(S(dir));
    const std::string destination = DropDestination(folder, target);
    if (destination.empty() || !DirectoryExists(destination))
        return;
    // The names first: asking a question runs the event loop.
    std::vector<std::string> names;
    for (int r : SLV->SelectedRows())
        names.push_back(S(SLV->Item(r).name));
    // Every question before the first move, so that the journal knows the whole batch.
    std::vector<ListChange> moves;
    for (const std::string& name : names) {
        const std::string source = JoinPath(folder, name);
        if (DirectoryExists(source) &&
            !Confirm(Shown(MoveFolderQuestion(source, S(tr(kMoveFolderQuestion))))))
            continue;
        moves.push_back({source, JoinPath(destination, name)});
    }
    if (!moves.empty()) {
        const ListChangeScope scope(&listJournal_, ListChangeKind::Move, destination, moves);
        QStringList sources, targets;
        for (const ListChange& move : moves) {
            sources << PathText(move.from);
            targets << PathText(move.to);
        }
        // Off the GUI thread (a move to another file system copies); a move that fails
        // (name taken, no access) is skipped without a message.
        (void)QuietShellFileOperation(this, ShellFunc::Move, sources, targets, scope.Hooked({}));
    }
    AktualizujSLV();
}

void TFHlavni::MIAboutClick() {
    ShowAboutBox(this);
}

void TFHlavni::BZmenaJClick() {
    if (SLV->FirstSelectedRow() < 0)
        return;
    const int index = FormatIndexOf(*CBTyp);
    std::string journalError;
    if (RunRenameDialog(this, SLV->Directory(), SelectedNames(), index, journal_.get(),
                        &journalError)) {
        StoreFormatIndex(settingsPath_, index);
        if (journal_)
            CarryThumbnailsOfNewestBatch(journal_->folder());
        if (!journal_ || !journalError.empty())
            NoteUnjournaled(journalError);
        JournalChanged();
    }
}

void TFHlavni::BExifClick() {
    if (SLV->FirstSelectedRow() < 0)
        return;
    std::vector<std::string> names;
    for (const QString& name : SelectedNames())
        names.push_back(S(name));
    if (RunExifDateDialog(*this, S(SLV->Directory()), names, journal_.get())) {
        if (journal_)
            CarryThumbnailsOfNewestBatch(journal_->folder());
        else
            NoteUnjournaled({});
        JournalChanged();
    }
}

void TFHlavni::BPresunAccelerator() {
    if (GatheringRuns())
        return;
    const QString source = DEPresun->text();
    const QString question =
        tr("Opravdu přesunout všechny obrázky z adresáře\r\n%1%2\r\ndo adresáře\r\n%3 ?")
            .arg(DisplayText(source),
                 ChBPodadr->isChecked() ? tr(" (včetně podadresářů)") : QString(),
                 DisplayText(SCB->SelectedPath()));
    if (!source.isEmpty() && !Confirm(question))
        return;
    BPresunClick();
}

void TFHlavni::BPresunClick() {
    // A click while a run goes (queued while the button was busy) starts nothing.
    if (GatheringRuns())
        return;
    const std::string destination = S(SCB->SelectedPath());
    if (destination.empty() || destination[0] != '/') {
        ShowStatusMessage(tr("Obrázky lze přesunout jen do adresáře, "
                             "ne do seznamu jednotek"));
        return;
    }
    auto run = std::make_shared<GatherRun>();
    run->sourceText = DEPresun->text();
    run->subfolders = ChBPodadr->isChecked();
    run->raw = ChBRaw->isChecked();
    run->datePattern = CBDatum->currentData().toString();
    run->trashDuplicates = ChBDuplKos->isChecked();
    run->renameClashes = ChBCisluj->isChecked();
    gatherRun_ = run;
    BPresun->setEnabled(false);
    setCursor(Qt::BusyCursor);

    // The worker touches no widget: the gauge and the end are posted to the window, which
    // waits for the worker before it goes (GatherRun's destructor).
    TFHlavni* self = this;
    GatherRun* raw = run.get();
    const std::string reports = DataFolder();
    const std::string source = S(run->sourceText);
    const bool subfolders = run->subfolders;
    const bool withRaw = run->raw;
    const std::optional<DateFolderPattern> byDate =
        run->datePattern.isEmpty() ? std::nullopt : ParseDateFolderPattern(S(run->datePattern));
    const DuplicateAction duplicates =
        run->trashDuplicates ? DuplicateAction::Trash : DuplicateAction::Keep;
    const bool renameClashes = run->renameClashes;
    try {
        run->worker = std::thread([self, raw, reports, source, subfolders, withRaw, destination,
                                   byDate, duplicates, renameClashes] {
            ImageGatherer gatherer(reports);
            // A connection of the gathering's own thread.
            std::unique_ptr<Journal> journal;
            std::string journalError;
            try {
                journal = std::make_unique<Journal>(Journal::DefaultFolder());
            } catch (const JournalError& e) {
                journalError = e.what();
            }
            gatherer.setJournal(journal.get());
            gatherer.setIncludeRaw(withRaw);
            gatherer.setDateFolders(byDate);
            gatherer.setDuplicates(duplicates);
            gatherer.setRenameClashes(renameClashes);
            gatherer.setGauge([self](int percent) {
                QMetaObject::invokeMethod(
                    self, [self, percent] { self->SB->Panel(2).GaugeAttrs().SetPosition(percent); },
                    Qt::QueuedConnection);
            });
            try {
                raw->result = gatherer.GatherImages(source, subfolders, destination);
                if (raw->result.journalError.empty())
                    raw->result.journalError = journalError;
            } catch (const std::exception& e) {
                raw->error = e.what();
            }
            QMetaObject::invokeMethod(
                self, [self, raw] { self->GatherFinished(raw); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error& e) {
        raw->error = e.what();
        GatherFinished(raw);
    }
}

void TFHlavni::GatherFinished(const GatherRun* which) {
    if (!gatherRun_ || gatherRun_.get() != which)
        return; // finished already (WaitForGathering)
    const std::shared_ptr<GatherRun> run = std::move(gatherRun_);
    run->Join();
    unsetCursor();
    BPresun->setEnabled(true);
    if (!run->error.empty()) {
        TApplication::ShowException(Shown(run->error));
        return;
    }
    if (!run->result.anyFound())
        return;
    // Written here, on the thread that writes every other setting.
    try {
        WriteIniString(settingsPath_, "Presun", "adresar", S(run->sourceText));
        WriteIniBool(settingsPath_, "Presun", "podadr", run->subfolders);
        WriteIniBool(settingsPath_, "Presun", "raw", run->raw);
        WriteIniString(settingsPath_, "Presun", "datum", S(run->datePattern));
        WriteIniBool(settingsPath_, "Presun", "duplkos", run->trashDuplicates);
        WriteIniBool(settingsPath_, "Presun", "cisluj", run->renameClashes);
    } catch (const std::exception& e) {
        TApplication::ShowException(QString::fromUtf8(e.what()));
    }
    if (!run->result.journalError.empty())
        NoteUnjournaled(run->result.journalError);
    JournalChanged();
}

void TFHlavni::WaitForGathering() {
    if (!gatherRun_)
        return;
    WaitCursor wait;
    gatherRun_->Join();
    GatherFinished(gatherRun_.get());
}

} // namespace kivo
