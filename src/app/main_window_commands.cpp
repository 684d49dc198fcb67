// What the main window's buttons, menus and list events do.

#include "app/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>

#include "app/about.h"
#include "app/application.h"
#include "app/main_window_logic.h"
#include "browser/dir_tree_combo.h"
#include "browser/file_list_view.h"
#include "browser/status_bar.h"
#include "photoops/exif_date_dialog.h"
#include "photoops/gather.h"
#include "photoops/naming.h"
#include "photoops/naming_combo.h"
#include "photoops/rename_dialog.h"
#include "platform/exe_folder.h"
#include "platform/file_system.h"
#include "widgets/folder_edit.h"

namespace kivo {

namespace {

std::string S(const QString& s) {
    return s.toStdString();
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

void TFHlavni::AktualizujSLV() {
    SLV->RefreshListing();
}

QStringList TFHlavni::SelectedCaptions() const {
    QStringList names;
    for (int row : SLV->SelectedRows())
        names << SLV->Item(row).caption;
    return names;
}

void TFHlavni::SLVClick() {
    const int row = SLV->FirstSelectedRow();
    if (row < 0)
        return;
    const QString dir = SLV->Directory();
    if (dir.compare(QStringLiteral("Drives"), Qt::CaseInsensitive) == 0)
        return;
    const std::string path = S(dir + SLV->Item(row).caption);
    if (!FileExists(path))
        return;
    const QString ext = Q(ExtractFileExt(path)).toLower();
    if (ext != QStringLiteral(".jpg") && ext != QStringLiteral(".jpeg"))
        return;
    ShowPreviewOf(path);
}

void TFHlavni::ShowPreviewOf(const std::string& path) {
    // A file that cannot be decoded leaves the previous picture.
    auto decoded = DecodeJpegFilePreview(path, PImage->width(), PImage->height());
    if (!decoded)
        return;
    preview_ = std::move(*decoded);
    previewPath_ = path;
    Image1->setPicture(preview_.picture);
    NastavImage();
}

void TFHlavni::NastavImage() {
    const auto box =
        FitImage(PImage->width(), PImage->height(), preview_.trueWidth, preview_.trueHeight);
    if (!box)
        return;
    Image1->setGeometry(*box);
    // A picture decoded at a reduced scale is decoded again once the box outgrows it.
    if (preview_.scaleDenom > 1 &&
        (box->width() > preview_.picture.width() || box->height() > preview_.picture.height())) {
        if (auto better = DecodeJpegFilePreview(previewPath_, PImage->width(), PImage->height());
            better && better->trueWidth == preview_.trueWidth &&
            better->trueHeight == preview_.trueHeight) {
            preview_ = std::move(*better);
            Image1->setPicture(preview_.picture);
        }
    }
}

void TFHlavni::FormResize() {
    NastavImage();
}

void TFHlavni::MPNewAdrClick() {
    const std::string base = S(SCB->SelectedPath());
    if (!CreateNumberedFolder(base))
        ReportError(QStringLiteral("Složku \"%1\" nelze vytvořit v %2")
                        .arg(QString::fromUtf8(kNewFolderName), Q(base)));
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
    return !SLV->IsSelected(row) && DirectoryExists(S(dir + item.caption));
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
    const std::string target = S(SLV->Item(row).caption);
    const std::string folder = ExcludeTrailingSlash(S(dir));
    const std::string destination = DropDestination(folder, target);
    if (destination.empty() || !DirectoryExists(destination))
        return;
    // The captions first: asking a question runs the event loop.
    std::vector<std::string> names;
    for (int r : SLV->SelectedRows())
        names.push_back(S(SLV->Item(r).caption));
    for (const std::string& name : names) {
        const std::string source = JoinPath(folder, name);
        if (DirectoryExists(source) && !Confirm(Q(MoveFolderQuestion(source))))
            continue;
        // A move that fails (name taken, no access) is skipped without a message.
        (void)MoveNoReplace(source, JoinPath(destination, name));
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
    if (RunRenameDialog(this, SLV->Directory(), SelectedCaptions(), index)) {
        StoreFormatIndex(settingsPath_, index);
        AktualizujSLV();
    }
}

void TFHlavni::BExifClick() {
    if (SLV->FirstSelectedRow() < 0)
        return;
    std::vector<std::string> names;
    for (const QString& caption : SelectedCaptions())
        names.push_back(S(caption));
    if (RunExifDateDialog(*this, S(SLV->Directory()), names))
        AktualizujSLV();
}

void TFHlavni::BPresunClick() {
    ImageGatherer gatherer(DataFolder());
    gatherer.setSettingsPath(settingsPath_);
    TStatusPanel& gauge = SB->Panel(2);
    gatherer.setGauge([&gauge](int percent) { gauge.GaugeAttrs().SetPosition(percent); });
    const GatherResult r =
        gatherer.GatherImages(S(DEPresun->text()), ChBPodadr->isChecked(), S(SCB->SelectedPath()));
    if (!r.settingsError.empty())
        TApplication::ShowException(Q(r.settingsError));
    if (r.anyFound())
        AktualizujSLV();
}

} // namespace kivo
