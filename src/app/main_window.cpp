#include "app/main_window.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/about.h"
#include "app/app_icon.h"
#include "app/application.h"
#include "app/base/settings.h"
#include "app/base/shared_routines.h"
#include "app/gather.h"
#include "app/main_window_logic.h"
#include "app/shell_verb.h"
#include "browser/dir_tree_combo.h"
#include "browser/file_list_view.h"
#include "browser/status_bar.h"
#include "photoops/exif_date_dialog.h"
#include "photoops/naming.h"
#include "photoops/naming_combo.h"
#include "photoops/rename_dialog.h"
#include "platform/datetime.h"
#include "platform/exe_folder.h"
#include "platform/file_system.h"
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

std::string S(const QString& s) {
    return s.toStdString();
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QFrame* MakePanel(QWidget* parent, const char* name) {
    auto* p = new QFrame(parent);
    p->setObjectName(QString::fromLatin1(name));
    p->setFrameShape(QFrame::StyledPanel);
    p->setFrameShadow(QFrame::Raised);
    return p;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setMinimumSize(105, 25);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TFHlavni::TFHlavni(QWidget* parent) : TFHlavni(QApplication::arguments().mid(1), parent) {}

TFHlavni::TFHlavni(const QStringList& arguments, QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("FHlavni"));
    setWindowTitle(QStringLiteral("Kivomat"));
    setMinimumSize(600, 300);
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(ApplicationIcon());
    setWindowIcon(ApplicationIcon());
    Confirm = [this](const QString& question) {
        return ShowMessageBox(question, MsgKind::Confirmation,
                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    ReportError = [](const QString& text) {
        ShowMessageBox(text, MsgKind::Error, QMessageBox::Ok);
    };
    BuildControls();
    BuildMenus();
    FormCreate(arguments);
}

TFHlavni::~TFHlavni() = default;

void TFHlavni::BuildControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    SCB = new TDirTreeCombo(central);
    SCB->setObjectName(QStringLiteral("SCB"));
    SCB->setReadOnly(true);
    SCB->SetTreeHeight(240);
    SCB->setMinimumHeight(21);
    column->addWidget(SCB);

    auto* middle = new QWidget(central);
    middle_ = new LeftDockLayout(middle);
    SLV = new TFileListView;
    SLV->setObjectName(QStringLiteral("SLV"));
    SplS = new Splitter;
    SplS->setObjectName(QStringLiteral("SplS"));
    PImage = new QFrame;
    PImage->setObjectName(QStringLiteral("PImage"));
    middle_->addLeft(SLV);
    middle_->addLeft(SplS);
    middle_->setClient(PImage);
    SplS->setControl(SLV);
    middle_->setWidgetWidth(SLV, 377);
    Image1 = new TImage(PImage);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(1, 1, 179, 179);
    column->addWidget(middle, 1);

    // The list as the form sets it up; the settings file overrides the widths below.
    SLV->SetMask(QStringLiteral("*.*"));
    SLV->SetFileType(kDefaultFileType);
    SLV->SetDateFormat(TDtFormat::df_yyyyMMdd);
    SLV->SetTimeFormat(TTmFormat::tfLongFormat);
    SLV->SetColWidth_Name(165);
    SLV->SetColWidth_Size(10);
    SLV->SetColWidth_Type(10);
    SLV->SetColWidth_Mod(125);
    SLV->SetColWidth_Attr(10);
    SLV->SetDirTreeCombo(SCB);
    SLV->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(SLV, &TFileListView::Click, this, &TFHlavni::SLVClick);
    SLV->DragOverHandler = [this](int row) { return SLVDragOver(row); };
    SLV->DragDropHandler = [this](int row) { SLVDragDrop(row); };
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(SLV->DetailsView()),
                                    static_cast<QAbstractItemView*>(SLV->IconView())}) {
        if (view != nullptr)
            view->viewport()->installEventFilter(this);
    }
    PImage->installEventFilter(this);
    connect(SplS, &Splitter::moved, this, [this] { NastavImage(); });

    // Gathering.
    Panel2 = MakePanel(central, "Panel2");
    Panel2->setMinimumHeight(39);
    auto* row2 = new QHBoxLayout(Panel2);
    row2->setContentsMargins(5, 4, 5, 4);
    row2->setSpacing(7);
    BExif = MakeButton(Panel2, "BExif", QStringLiteral("&datum+čas (EXIF) .."),
                       QStringLiteral("nastaví datum a čas vybraných souborů nejen podle "
                                      "informací EXIF uložených v jednotlivých souborech - "
                                      "formulář"));
    BPresun = MakeButton(Panel2, "BPresun", QStringLiteral("&přesun obrázků z:"),
                         QStringLiteral("přesune všechny obrázky z vybraného adresáře a "
                                        "podadresářů do aktivního adresáře"));
    DEPresun = new FolderEdit(Panel2);
    DEPresun->setObjectName(QStringLiteral("DEPresun"));
    DEPresun->setMinimumWidth(230);
    ChBPodadr = new QCheckBox(QStringLiteral("&včetně podadresářů"), Panel2);
    ChBPodadr->setObjectName(QStringLiteral("ChBPodadr"));
    ChBPodadr->setMinimumWidth(125);
    row2->addWidget(BExif);
    row2->addWidget(BPresun);
    row2->addWidget(DEPresun);
    row2->addWidget(ChBPodadr);
    row2->addStretch(1);
    column->addWidget(Panel2);

    // Renaming.
    Panel1 = MakePanel(central, "Panel1");
    auto* row1 = new QHBoxLayout(Panel1);
    row1->setContentsMargins(5, 1, 5, 1);
    row1->setSpacing(7);
    BZmenaJ = MakeButton(Panel1, "BZmenaJ", QStringLiteral("&názvu souboru .."),
                         QStringLiteral("přejmenuje označené soubory podle zvoleného formátu - "
                                        "formulář"));
    BZmenaJ->setDefault(true);
    CBTypL = new QLabel(QStringLiteral("&Formát:"), Panel1);
    CBTypL->setObjectName(QStringLiteral("CBTypL"));
    CBTyp = new QComboBox(Panel1);
    CBTyp->setObjectName(QStringLiteral("CBTyp"));
    CBTyp->setMinimumWidth(160);
    CBTypL->setBuddy(CBTyp);
    CBTypLInfo = new QPlainTextEdit(Panel1);
    CBTypLInfo->setObjectName(QStringLiteral("CBTypLInfo"));
    CBTypLInfo->setReadOnly(true);
    CBTypLInfo->setFrameShape(QFrame::NoFrame);
    CBTypLInfo->setFocusPolicy(Qt::NoFocus);
    CBTypLInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CBTypLInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CBTypLInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
    CBTypLInfo->setPlainText(QStringLiteral("YYYY=rok\tMM=měsíc\tDD=den\n"
                                            "hh=hodina\tmm=minuta\tss=sekunda\n"
                                            "##, ###, ####=pořadové číslo"));
    {
        QPalette pal = CBTypLInfo->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Button));
        CBTypLInfo->setPalette(pal);
        const QFontMetrics fm(CBTypLInfo->font());
        int widest = 0;
        for (const char* entry : {"YYYY=rok", "MM=měsíc", "hh=hodina", "mm=minuta"})
            widest = std::max(widest, fm.horizontalAdvance(QString::fromUtf8(entry)));
        CBTypLInfo->setTabStopDistance(widest + 10);
        const int margins = 2 * static_cast<int>(CBTypLInfo->document()->documentMargin());
        // Three lines, never clipped by the panel.
        const int height = std::max(39, 3 * fm.lineSpacing() + margins + 2);
        CBTypLInfo->setFixedHeight(height);
        CBTypLInfo->setMinimumWidth(
            std::max(265, 2 * (widest + 10) + fm.horizontalAdvance(QStringLiteral("ss=sekunda")) +
                              margins + 8));
        Panel1->setMinimumHeight(std::max(41, height + 2));
    }
    row1->addWidget(BZmenaJ);
    row1->addWidget(CBTypL);
    row1->addWidget(CBTyp);
    row1->addWidget(CBTypLInfo);
    row1->addStretch(1);
    column->addWidget(Panel1);

    connect(BZmenaJ, &QPushButton::clicked, this, &TFHlavni::BZmenaJClick);
    connect(BExif, &QPushButton::clicked, this, &TFHlavni::BExifClick);
    connect(BPresun, &QPushButton::clicked, this, &TFHlavni::BPresunClick);

    SB = new TPanelStatusBar(this);
    SB->setObjectName(QStringLiteral("SB"));
    SB->setMinimumHeight(19);
    TStatusPanel& date = SB->AddPanel();
    date.SetPanelType(TStatusPanelType::sptDate);
    date.SetDateFormat(QStringLiteral("yyyy.mm.dd"));
    date.SetWidth(62);
    date.SetAutoFit(true);
    TStatusPanel& time = SB->AddPanel();
    time.SetPanelType(TStatusPanelType::sptTime);
    time.SetWidth(50);
    time.SetAutoFit(true);
    TStatusPanel& gauge = SB->AddPanel();
    gauge.SetPanelType(TStatusPanelType::sptGauge);
    gauge.SetWidth(50);
    gauge.SetAlignment(TPanelAlignment::Center);
    setStatusBar(SB);
}

void TFHlavni::BuildMenus() {
    QMenu* info = menuBar()->addMenu(QStringLiteral("&Info"));
    MIAbout = info->addAction(QStringLiteral("&About"));
    MIAbout->setObjectName(QStringLiteral("MIAbout"));
    connect(MIAbout, &QAction::triggered, this, &TFHlavni::MIAboutClick);

    PMSLV = new QMenu(this);
    PMSLV->setObjectName(QStringLiteral("PMSLV"));
    struct ViewItem {
        QAction** action;
        const char* name;
        const char* caption;
        int tag;
    };
    const ViewItem items[] = {{&MPVI, "MPVI", "velké ikony", vsIcon},
                              {&MPMI, "MPMI", "malé ikony", vsSmallIcon},
                              {&MPSe, "MPSe", "seznam", vsList},
                              {&MPPo, "MPPo", "podropnosti", vsReport}};
    for (const ViewItem& item : items) {
        QAction* a = PMSLV->addAction(QString::fromUtf8(item.caption));
        a->setObjectName(QString::fromLatin1(item.name));
        a->setData(item.tag);
        connect(a, &QAction::triggered, this, [this, a] { MPClick(a->data().toInt()); });
        *item.action = a;
    }
    PMSLV->addSeparator();
    MPNewAdr = PMSLV->addAction(QStringLiteral("nová složka"));
    MPNewAdr->setObjectName(QStringLiteral("MPNewAdr"));
    MPNewAdr->setToolTip(QStringLiteral("vytvoří nový adresář (složku)"));
    MPNewAdr->setStatusTip(MPNewAdr->toolTip());
    connect(MPNewAdr, &QAction::triggered, this, &TFHlavni::MPNewAdrClick);
    connect(SLV, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PMSLV->popup(SLV->mapToGlobal(pos)); });
}

void TFHlavni::FormCreate(const QStringList& arguments) {
    exeFolder_ = ExeFolder();
    settingsPath_ = SettingsPath();

    RestoreFormPlacement(*this, QString::fromUtf8(kIniFileName), QStringLiteral("Form"), 640, 480);

    // The command line's file or folder names the folder; otherwise the last one used.
    std::string folder;
    if (!arguments.isEmpty())
        folder = CommandLineFolder(S(arguments.first()), GetCurrentDir());
    else
        folder = ReadIniString(settingsPath_, kNastaveni, "adresar", exeFolder_);
    SCB->SetSelectedPath(Q(folder));
    SCB->SetInitialDir(SCB->SelectedPath());

    NastavVzhled(*SLV, ReadIniInteger(settingsPath_, kNastaveni, "vzhled", vsIcon));
    middle_->setWidgetWidth(SLV, ReadIniInteger(settingsPath_, kNastaveni, "sirka", 385));
    SetupFormatCombo(*CBTyp, ReadIniInteger(settingsPath_, kNastaveni, "Typ", 0));
    ConnectFormatCombo(*CBTyp);
    DEPresun->setText(Q(ReadIniString(settingsPath_, kPresun, "adresar", "")));
    ChBPodadr->setChecked(ReadIniBool(settingsPath_, kPresun, "podadr", false));
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
    WriteIniString(settingsPath_, kNastaveni, "adresar", S(SCB->SelectedPath()));
    WriteIniInteger(settingsPath_, kNastaveni, "ser_sloupec", SLV->SortColumn());
    WriteIniBool(settingsPath_, kNastaveni, "ser_smer", SLV->SortDescending());
    WriteIniInteger(settingsPath_, kNastaveni, "vzhled", static_cast<int>(SLV->ViewStyle()));
    WriteIniInteger(settingsPath_, kNastaveni, "sirka", SLV->width());
    UlozSloupce();
    SaveFormPlacement(*this, QString::fromUtf8(kIniFileName), QStringLiteral("Form"));
}

void TFHlavni::AktualizujSLV() {
    SLV->RefreshListing();
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

void TFHlavni::closeEvent(QCloseEvent* event) {
    // A refused settings write is reported once; the window still closes.
    try {
        FormClose();
    } catch (const std::exception& e) {
        TApplication::ShowException(QString::fromUtf8(e.what()));
    }
    event->accept();
}

void TFHlavni::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (resizeAttached_)
        FormResize();
}

void TFHlavni::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TFHlavni::keyPressEvent(QKeyEvent* event) {
    // Enter that no control took presses the default button.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        BZmenaJ->animateClick();
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TFHlavni::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PImage && event->type() == QEvent::Resize) {
        NastavImage();
    } else if (event->type() == QEvent::DragEnter) {
        NoteDragSource(static_cast<QDropEvent*>(event)->source());
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace kivo
