#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThreadPool>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/app_icon.h"
#include "app/application.h"
#include "browser/dir_tree_combo.h"
#include "browser/file_list_view.h"
#include "browser/status_bar.h"
#include "core/gui/shared_routines.h"
#include "widgets/folder_edit.h"
#include "widgets/splitter.h"

// The window's controls, menus and Qt events. Its settings are restored and stored in
// main_window_settings.cpp; what its buttons and menus do is in main_window_commands.cpp.

namespace kivo {

namespace {

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
    // The design size, wider where the platform's font needs it for the caption.
    b->setMinimumSize(std::max(105, b->sizeHint().width()), 25);
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
    // The design minimum, or what the controls need so that no caption is cut.
    setMinimumSize(minimumSizeHint().expandedTo(QSize(600, 300)));
    FormCreate(arguments);
}

TFHlavni::~TFHlavni() {
    SLV->SetChangeLog(nullptr);
    // Journal tasks post to the window: they end before it goes.
    if (journalPool_)
        journalPool_->waitForDone();
}

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
    SLV->SetChangeLog(&listJournal_);
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
    // The gathering's own row, and below it how the photos are laid out in the folder.
    auto* panel2Rows = new QVBoxLayout(Panel2);
    panel2Rows->setContentsMargins(5, 4, 5, 4);
    panel2Rows->setSpacing(2);
    auto* row2 = new QHBoxLayout;
    row2->setSpacing(7);
    panel2Rows->addLayout(row2);
    BExif = MakeButton(Panel2, "BExif", tr("&datum+čas (EXIF) .."),
                       tr("nastaví datum a čas vybraných souborů nejen podle "
                                      "informací EXIF uložených v jednotlivých souborech - "
                                      "formulář"));
    BPresun = MakeButton(Panel2, "BPresun", tr("&přesun obrázků z:"),
                         tr("přesune všechny obrázky z vybraného adresáře a "
                                        "podadresářů do aktivního adresáře"));
    DEPresun = new FolderEdit(Panel2);
    DEPresun->setObjectName(QStringLiteral("DEPresun"));
    DEPresun->setMinimumWidth(230);
    ChBPodadr = new QCheckBox(tr("&včetně podadresářů"), Panel2);
    ChBPodadr->setObjectName(QStringLiteral("ChBPodadr"));
    ChBPodadr->setMinimumWidth(std::max(125, ChBPodadr->sizeHint().width()));
    row2->addWidget(BExif);
    row2->addWidget(BPresun);
    row2->addWidget(DEPresun);
    ChBRaw = new QCheckBox(tr("i &RAW soubory"), Panel2);
    ChBRaw->setObjectName(QStringLiteral("ChBRaw"));
    ChBRaw->setToolTip(tr("přesune také soubory RAW z fotoaparátů (CR2, CR3, NEF, ARW, "
                          "DNG, ORF, RAF, ...)"));
    // The two gathering options one above the other: the window keeps its least width.
    auto* options = new QVBoxLayout;
    options->setSpacing(0);
    options->addWidget(ChBPodadr);
    options->addWidget(ChBRaw);
    row2->addLayout(options);
    // Date folders and taken names, on a row of their own.
    CBDatum = new QComboBox(Panel2);
    CBDatum->setObjectName(QStringLiteral("CBDatum"));
    CBDatum->setToolTip(tr("rozdělí obrázky do adresářů podle data pořízení (EXIF), "
                           "jinak podle data souboru"));
    CBDatum->addItem(tr("do jednoho adresáře"), QString());
    for (const char* pattern :
         {"YYYY", "YYYY/MM", "YYYY/MM/DD", "YYYY-MM-DD", "YYYY_MM_DD", "YYYY.MM.DD"})
        CBDatum->addItem(tr("do adresářů %1").arg(QLatin1String(pattern)), QLatin1String(pattern));
    ChBDuplKos = new QCheckBox(tr("shodné soubory do &koše"), Panel2);
    ChBDuplKos->setObjectName(QStringLiteral("ChBDuplKos"));
    ChBDuplKos->setToolTip(tr("obrázek, který už v cíli je se stejným obsahem, přesune do "
                              "koše; jinak zůstane na místě"));
    ChBCisluj = new QCheckBox(tr("obsazený název &očíslovat"), Panel2);
    ChBCisluj->setObjectName(QStringLiteral("ChBCisluj"));
    ChBCisluj->setToolTip(tr("jiný obrázek se stejným názvem přesune jako NÁZEV_1.jpg, "
                             "NÁZEV_2.jpg, ...; nic se nepřepíše"));
    row2->addStretch(1);
    auto* layoutRow = new QHBoxLayout;
    layoutRow->setSpacing(7);
    layoutRow->addWidget(CBDatum);
    layoutRow->addWidget(ChBDuplKos);
    layoutRow->addWidget(ChBCisluj);
    layoutRow->addStretch(1);
    panel2Rows->addLayout(layoutRow);
    column->addWidget(Panel2);

    // Renaming.
    Panel1 = MakePanel(central, "Panel1");
    auto* row1 = new QHBoxLayout(Panel1);
    row1->setContentsMargins(5, 1, 5, 1);
    row1->setSpacing(7);
    BZmenaJ = MakeButton(Panel1, "BZmenaJ", tr("&názvu souboru .."),
                         tr("přejmenuje označené soubory podle zvoleného formátu - "
                                        "formulář"));
    BZmenaJ->setDefault(true);
    CBTypL = new QLabel(tr("&Formát:"), Panel1);
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
    CBTypLInfo->setPlainText(tr("YYYY=rok\tMM=měsíc\tDD=den\n"
                                            "hh=hodina\tmm=minuta\tss=sekunda\n"
                                            "##, ###, ####=pořadové číslo"));
    {
        QPalette pal = CBTypLInfo->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Button));
        CBTypLInfo->setPalette(pal);
        const QFontMetrics fm(CBTypLInfo->font());
        int widest = 0;
        // Tab stops after the widest cell of the first two columns, in any language.
        QString lastCell;
        for (const QString& line : CBTypLInfo->toPlainText().split(u'\n')) {
            const QStringList cells = line.split(u'\t');
            for (int i = 0; i + 1 < cells.size(); ++i)
                widest = std::max(widest, fm.horizontalAdvance(cells[i]));
            if (cells.size() == 3)
                lastCell = cells.back();
        }
        CBTypLInfo->setTabStopDistance(widest + 10);
        const int margins = 2 * static_cast<int>(CBTypLInfo->document()->documentMargin());
        // Three lines, never clipped by the panel.
        const int height = std::max(39, 3 * fm.lineSpacing() + margins + 2);
        CBTypLInfo->setFixedHeight(height);
        CBTypLInfo->setMinimumWidth(
            std::max(265, 2 * (widest + 10) + fm.horizontalAdvance(lastCell) +
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
    AddMainWindowPanels(*SB);
    setStatusBar(SB);
}

void TFHlavni::BuildMenus() {
    BuildEditMenu();
    QMenu* info = menuBar()->addMenu(tr("&Info"));
    MIAbout = info->addAction(tr("&About"));
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
    const ViewItem items[] = {
        {&MPVI, "MPVI", QT_TR_NOOP("velké ikony"), vsIcon},
        {&MPMI, "MPMI", QT_TR_NOOP("malé ikony"), vsSmallIcon},
        {&MPSe, "MPSe", QT_TR_NOOP("seznam"), vsList},
        {&MPPo, "MPPo", QT_TR_NOOP("podropnosti"), vsReport}};
    for (const ViewItem& item : items) {
        QAction* a = PMSLV->addAction(tr(item.caption));
        a->setObjectName(QString::fromLatin1(item.name));
        a->setData(item.tag);
        connect(a, &QAction::triggered, this, [this, a] { MPClick(a->data().toInt()); });
        *item.action = a;
    }
    PMSLV->addSeparator();
    MPNewAdr = PMSLV->addAction(tr("nová složka"));
    MPNewAdr->setObjectName(QStringLiteral("MPNewAdr"));
    MPNewAdr->setToolTip(tr("vytvoří nový adresář (složku)"));
    MPNewAdr->setStatusTip(MPNewAdr->toolTip());
    connect(MPNewAdr, &QAction::triggered, this, &TFHlavni::MPNewAdrClick);
    connect(SLV, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PMSLV->popup(SLV->mapToGlobal(pos)); });
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
