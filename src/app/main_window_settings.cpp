// The main window's settings: restored at creation and on the first show, stored at
// close; the view style and the column widths of the file list.

#include "app/main_window.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>

#include "app/application.h"
#include "app/main_window_logic.h"
#include "app/shell_verb.h"
#include "browser/dir_tree_combo.h"
#include "browser/file_list_view.h"
#include "core/settings.h"
#include "photoops/naming_combo.h"
#include "platform/datetime.h"
#include "platform/exe_folder.h"
#include "platform/file_system.h"
#include "platform/gui/path_text.h"
#include "widgets/folder_edit.h"
#include "widgets/splitter.h"

namespace kivo {

namespace {

const char* const kNastaveni = "Nastaveni";
const char* const kPresun = "Presun";
const char* const kSlv = "SLV";

// The "SLV" keys in the order the widths are applied and stored, with their columns and
// defaults.
struct ColumnSetting {
    int column;
    const char* key;
    int defaultWidth;
    void (TFileListView::*store)(int);
};
const ColumnSetting kColumns[] = {
    {4, "Attr", 40, &TFileListView::SetColWidth_Attr},
    {3, "Mod", 100, &TFileListView::SetColWidth_Mod},
    {0, "Name", 160, &TFileListView::SetColWidth_Name},
    {1, "Size", 90, &TFileListView::SetColWidth_Size},
    {2, "Type", 0, &TFileListView::SetColWidth_Type},
};

// Folders are stored and read as their bytes, also those of names that are not UTF-8.
std::string S(const QString& s) {
    return PathBytes(s);
}

QString Q(const std::string& s) {
    return PathText(s);
}

} // namespace

void TFHlavni::FormCreate(const QStringList& arguments) {
    ConnectCommands();
    exeFolder_ = ExeFolder();
    settingsPath_ = SettingsPath();
    // Pruned at start; the jobs run without it when it cannot be opened.
    journal_ = Journal::OpenDefault(settingsPath_, &journalError_);
    if (!journal_)
        NoteUnjournaled({});
    RefreshUndoAction();

    RestoreFormPlacement(*this, QString::fromUtf8(kIniFileName), QStringLiteral("Form"), 640, 480);

    // The command line's file or folder names the folder; otherwise the last one used.
    std::string folder;
    if (!arguments.isEmpty())
        folder = CommandLineFolder(S(arguments.first()), GetCurrentDir());
    else
        folder = ReadIniString(settingsPath_, kNastaveni, "adresar", exeFolder_);
    // A folder that is gone (an unplugged card) gives its nearest existing parent, else
    // the drive list, so that neither a blank list nor the dead path is kept.
    folder = ExistingStartFolder(folder, [](const std::string& p) { return DirectoryExists(p); });
    SCB->SetSelectedPath(Q(folder));
    SCB->SetInitialDir(SCB->SelectedPath());
    if (SLV->Directory().compare(QStringLiteral("Drives"), Qt::CaseInsensitive) == 0)
        SLV->RefreshListing(); // the list starts there and would not list it by itself

    NastavVzhled(*SLV, ReadIniInteger(settingsPath_, kNastaveni, "vzhled", vsIcon));
    middle_->setWidgetWidth(SLV, ReadIniInteger(settingsPath_, kNastaveni, "sirka", 385));
    SetupFormatCombo(*CBTyp, ReadIniInteger(settingsPath_, kNastaveni, "Typ", 0));
    ConnectFormatCombo(*CBTyp);
    DEPresun->setText(Q(ReadIniString(settingsPath_, kPresun, "adresar", "")));
    ChBPodadr->setChecked(ReadIniBool(settingsPath_, kPresun, "podadr", false));
    ChBRaw->setChecked(ReadIniBool(settingsPath_, kPresun, "raw", false));
    // An unknown pattern (a hand-edited file) means one folder.
    CBDatum->setCurrentIndex(
        std::max(0, CBDatum->findData(Q(ReadIniString(settingsPath_, kPresun, "datum", "")))));
    ChBDuplKos->setChecked(ReadIniBool(settingsPath_, kPresun, "duplkos", false));
    ChBCisluj->setChecked(ReadIniBool(settingsPath_, kPresun, "cisluj", false));
    NastavSloupce();

    // A failed registration is reported; the window still finishes its creation.
    for (const char* extension : {".jpg", ".jpeg"}) {
        try {
            RegisterShellVerb(QString::fromLatin1(extension));
        } catch (const std::exception& e) {
            TApplication::ShowException(QString::fromUtf8(e.what()));
            break;
        }
    }

    FormatSettings& formats = ProcessFormatSettings();
    formats.LongTimeFormat = "hh:nn:ss";
    formats.TimeSeparator = ':';
}

void TFHlavni::FormShow() {
    const int column = ReadIniInteger(settingsPath_, kNastaveni, "ser_sloupec", -1);
    if (column < 0 || column >= SLV->ColumnCount())
        return;
    const bool descending = ReadIniBool(settingsPath_, kNastaveni, "ser_smer", true);
    // SortByColumn inverts the direction of the column that is already the sort column.
    SLV->SetSortColumn(column);
    SLV->SetSortDescending(!descending);
    SLV->SortByColumn(column);
    // A list that cannot sort now (the drive list) still keeps the saved state, so the
    // direction is not inverted at every start.
    SLV->SetSortColumn(column);
    SLV->SetSortDescending(descending);
}

void TFHlavni::FormClose() {
    // A run cannot be cancelled; its files and its settings are finished first.
    WaitForGathering();
    WriteIniString(settingsPath_, kNastaveni, "adresar", S(SCB->SelectedPath()));
    WriteIniInteger(settingsPath_, kNastaveni, "ser_sloupec", SLV->SortColumn());
    WriteIniBool(settingsPath_, kNastaveni, "ser_smer", SLV->SortDescending());
    WriteIniInteger(settingsPath_, kNastaveni, "vzhled", static_cast<int>(SLV->ViewStyle()));
    WriteIniInteger(settingsPath_, kNastaveni, "sirka", SLV->width());
    UlozSloupce();
    SaveFormPlacement(*this, QString::fromUtf8(kIniFileName), QStringLiteral("Form"));
}

void TFHlavni::NastavVzhled(TFileListView& list, int code) {
    switch (code) {
    case vsSmallIcon:
        list.SetViewStyle(vsSmallIcon);
        break;
    case vsList:
        list.SetViewStyle(vsList);
        break;
    case vsReport:
        list.SetViewStyle(vsReport);
        break;
    default:
        list.SetViewStyle(vsIcon);
        break;
    }
}

void TFHlavni::NastavSloupce() {
    for (const ColumnSetting& c : kColumns) {
        const int width = ReadIniInteger(settingsPath_, kSlv, c.key, c.defaultWidth);
        SLV->SetColumnWidth(c.column, width);
        (SLV->*c.store)(width);
    }
}

void TFHlavni::UlozSloupce() {
    // The drive list has columns of its own; the file columns' widths are those in force.
    const bool drives =
        SLV->Directory().compare(QStringLiteral("Drives"), Qt::CaseInsensitive) == 0;
    for (const ColumnSetting& c : kColumns) {
        int width = SLV->ColumnWidth(c.column);
        if (drives) {
            switch (c.column) {
            case 0:
                width = SLV->ColWidth_Name();
                break;
            case 1:
                width = SLV->ColWidth_Size();
                break;
            case 2:
                width = SLV->ColWidth_Type();
                break;
            case 3:
                width = SLV->ColWidth_Mod();
                break;
            default:
                width = SLV->ColWidth_Attr();
                break;
            }
        }
        WriteIniInteger(settingsPath_, kSlv, c.key, width);
    }
}

void TFHlavni::MPClick(int tag) {
    if (SLV->ViewStyle() == vsReport)
        UlozSloupce();
    NastavVzhled(*SLV, tag);
    if (tag == vsReport)
        NastavSloupce();
}

} // namespace kivo
