#include "photoops/exif_date_dialog.h"

#include <algorithm>
#include <utility>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QThread>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/gui/placement.h"
#include "core/gui/shared_routines.h"
#include "core/settings.h"
#include "photoops/adjust_dialog.h"
#include "photoops/exif_date_fill.h"
#include "platform/datetime.h"
#include "platform/exe_folder.h"
#include "platform/gui/path_text.h"
#include "platform/gui/wait_cursor.h"
#include "platform/storage_kind.h"
#include "widgets/column_fit.h"
#include "widgets/text_width.h"

namespace kivo {

namespace {

const QString kSection = QStringLiteral("FDCExif");

QPushButton* Button(const QString& caption, const char* name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QAction* MenuItem(const QString& caption, const char* name, const QKeySequence& key,
                  QWidget* owner) {
    auto* a = new QAction(caption, owner);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    owner->addAction(a); // the shortcut works wherever the focus is in the dialog
    return a;
}

} // namespace

bool RunExifDateDialog(QWidget& mainWindow, const std::string& folder,
                       const std::vector<std::string>& selectedNames, Journal* journal) {
    if (selectedNames.empty())
        return false;
    TFDCExif dialog(folder, selectedNames, &mainWindow);
    dialog.setJournal(journal);
    return dialog.exec() == QDialog::Accepted;
}

TFDCExif::TFDCExif(ExifDateTable table, QWidget* mainWindow)
    : QDialog(mainWindow), table_(std::move(table)) {
    Build(mainWindow);
}

TFDCExif::TFDCExif(const std::string& folder, std::vector<std::string> names, QWidget* mainWindow,
                   int readers)
    : QDialog(mainWindow), table_(folder) {
    Build(mainWindow);
    SetFixedDateTimeFormats(); // before the workers format their first date
    if (readers <= 0)
        readers = ReadersForFolder(folder, static_cast<unsigned>(QThread::idealThreadCount()));
    const std::size_t count = names.size();
    auto shared = std::make_shared<const std::vector<std::string>>(std::move(names));
    table_.Reserve(count);
    EnableControls(false);
    ShowProgress(0, count);
    fill_ = std::make_unique<BackgroundFill<ExifDateRow>>(
        count, readers,
        [folder, shared]() -> BackgroundFill<ExifDateRow>::Reader {
            auto reader = std::make_shared<ExifDateRowReader>(folder);
            return [reader, shared](std::size_t i) { return reader->Read((*shared)[i]); };
        },
        BackgroundFill<ExifDateRow>::Receivers{
            [this](std::vector<ExifDateRow> rows) { AddFilledRows(std::move(rows)); },
            [this, count](std::size_t read) { ShowProgress(read, count); },
            [this] { FillDone(); }});
}

void TFDCExif::Build(QWidget* mainWindow) {
    setObjectName(QStringLiteral("FDCExif"));
    setWindowTitle(tr("Datum+čas dle EXIF"));
    setMinimumSize(500, 250);

    model_ = new ExifDateModel(table_,
                               {tr("soubor"), tr("stávající"), tr("úprava"), tr("EXIF změna"),
                                tr("EXIF pořízení"), tr("EXIF digitalizace")},
                               this);
    model_->setOverride(
        [this](const ExifDateRow& row, int column) { return StampCell(row, column); });
    List = new QTreeView(this);
    List->setObjectName(QStringLiteral("List"));
    List->setModel(model_);
    List->setRootIsDecorated(false);
    List->setItemsExpandable(false);
    List->setUniformRowHeights(true);
    List->setSortingEnabled(false);
    List->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->header()->setStretchLastSection(false);
    List->header()->setSectionsClickable(false);
    // 120 pixels each, wider where the platform font needs more for a full date-time text.
    const int dateWidth =
        ColumnWidthForText(*List, WidestDateTimeText(List->fontMetrics()), kColumnWidth);
    for (int c = 0; c < model_->columnCount(); ++c)
        List->setColumnWidth(c, dateWidth);
    // The selection stays visible while the list has no focus.
    QPalette pal = List->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    List->setPalette(pal);

    PMList = new QMenu(this);
    PMList->setObjectName(QStringLiteral("PMList"));
    PMLVse = MenuItem(tr("&označ vše"), "PMLVse", QKeySequence(Qt::CTRL | Qt::Key_A), this);
    PMLBez =
        MenuItem(tr("označ vše &bez úpravy"), "PMLBez", QKeySequence(Qt::CTRL | Qt::Key_B), this);
    PMLPryc = MenuItem(tr("&odstraň ze seznamu"), "PMLPryc", QKeySequence(Qt::Key_Delete), this);
    PMList->addAction(PMLVse);
    PMList->addAction(PMLBez);
    PMList->addSeparator();
    PMList->addAction(PMLPryc);
    List->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(List, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PMList->popup(List->viewport()->mapToGlobal(pos)); });

    LUprava = new QLabel(tr("Úprava podle:"), this);
    BExifZmena = Button(tr("EXIF změna"), "BExifZmena", this);
    BExifPorizeni = Button(tr("EXIF pořízení"), "BExifPorizeni", this);
    BExifDigitalizace = Button(tr("EXIF digitalizace"), "BExifDigitalizace", this);
    ExifNejnizsi = Button(tr("vyber nejnižší"), "ExifNejnizsi", this);
    BSZmena = Button(tr("stávající-změna"), "BSZmena", this);
    BUZmena = Button(tr("úprava-změna"), "BUZmena", this);
    BNeupravovat = Button(tr("neupravovat"), "BNeupravovat", this);
    BPryc = Button(tr("odstraň"), "BPryc", this);
    BProved1 = Button(tr("Proveď a ponech"), "BProved1", this);
    BProved2 = Button(tr("Proveď a odstraň"), "BProved2", this);
    Bcancel = Button(tr("Zruš"), "Bcancel", this);
    ChBPasmo = new QCheckBox(tr("EXIF podle časového &pásma"), this);
    ChBPasmo->setObjectName(QStringLiteral("ChBPasmo"));
    ChBXmp = new QCheckBox(tr("chybějící pořízení z &XMP"), this);
    ChBXmp->setObjectName(QStringLiteral("ChBXmp"));
    LStampy = new QLabel(this);
    LStampy->setObjectName(QStringLiteral("LStampy"));
    LStampy->setWordWrap(true);
    LStampy->hide();
    LNacitam = new QLabel(this);
    LNacitam->setObjectName(QStringLiteral("LNacitam"));
    LNacitam->hide();
    ChBXmp->setToolTip(tr("soubor bez údaje EXIF pořízení vezme datum z XMP (v souboru nebo "
                          "v souboru .xmp vedle něj)"));
    ChBPasmo->setToolTip(tr("údaje EXIF uložené s časovým posunem (OffsetTime) ukáže jako "
                            "přesný okamžik v místním čase tohoto počítače"));

    auto* small = new QGridLayout;
    small->addWidget(LUprava, 0, 0, 2, 1, Qt::AlignLeft | Qt::AlignVCenter);
    small->addWidget(BExifZmena, 0, 1);
    small->addWidget(BExifPorizeni, 0, 2);
    small->addWidget(BExifDigitalizace, 0, 3);
    small->addWidget(ExifNejnizsi, 0, 4);
    small->addWidget(BSZmena, 1, 1);
    small->addWidget(BUZmena, 1, 2);
    small->addWidget(BNeupravovat, 1, 3);
    small->addWidget(BPryc, 1, 4);
    small->setColumnStretch(5, 1);
    auto* large = new QHBoxLayout;
    large->addWidget(BProved1);
    large->addWidget(BProved2);
    large->addStretch(1);
    large->addWidget(ChBPasmo);
    large->addWidget(ChBXmp);
    large->addWidget(Bcancel);
    for (QPushButton* b : {BProved1, BProved2, Bcancel})
        b->setMinimumHeight(b->sizeHint().height() * 5 / 4);

    auto* main = new QVBoxLayout(this);
    main->addWidget(List, 1);
    main->addWidget(LNacitam);
    main->addWidget(LStampy);
    main->addLayout(small);
    main->addLayout(large);

    connect(BExifZmena, &QPushButton::clicked, this, [this] { BExifZmenaClick(kExifModify); });
    connect(BExifPorizeni, &QPushButton::clicked, this, [this] { BExifZmenaClick(kExifTaken); });
    connect(BExifDigitalizace, &QPushButton::clicked, this,
            [this] { BExifZmenaClick(kExifDigitized); });
    connect(ExifNejnizsi, &QPushButton::clicked, this, &TFDCExif::ExifNejnizsiClick);
    connect(BSZmena, &QPushButton::clicked, this, [this] { BSZmenaClick(kStartCurrent); });
    connect(BUZmena, &QPushButton::clicked, this, [this] { BSZmenaClick(kStartNewValue); });
    connect(BNeupravovat, &QPushButton::clicked, this, &TFDCExif::BNeupravovatClick);
    connect(BPryc, &QPushButton::clicked, this, &TFDCExif::BPrycClick);
    connect(BProved1, &QPushButton::clicked, this, [this] { BProved1Click(1); });
    connect(BProved2, &QPushButton::clicked, this, [this] { BProved1Click(2); });
    connect(Bcancel, &QPushButton::clicked, this, &TFDCExif::BcancelClick);
    connect(ChBXmp, &QCheckBox::toggled, this, [this](bool on) {
        table_.UseXmpFallback(on);
        ShowRows();
    });
    connect(ChBPasmo, &QCheckBox::toggled, this, [this](bool on) {
        table_.UseOffsets(on);
        ShowRows();
    });
    connect(PMLVse, &QAction::triggered, this, &TFDCExif::PMLVseClick);
    connect(PMLBez, &QAction::triggered, this, &TFDCExif::PMLBezClick);
    connect(PMLPryc, &QAction::triggered, this, &TFDCExif::PMLPrycClick);
    connect(List->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!syncing_)
            TakeSelection();
    });

    ShowRows();
    FormCreate(mainWindow);
}

TFDCExif::~TFDCExif() = default;

void TFDCExif::EnableControls(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{BExifZmena, BExifPorizeni, BExifDigitalizace,
                                                      ExifNejnizsi, BSZmena, BUZmena, BNeupravovat,
                                                      BPryc, BProved1, BProved2, ChBPasmo, ChBXmp})
        w->setEnabled(on);
    for (QAction* a : {PMLVse, PMLBez, PMLPryc})
        a->setEnabled(on);
}

void TFDCExif::AddFilledRows(std::vector<ExifDateRow> rows) {
    const int first = model_->rowCount();
    for (ExifDateRow& r : rows)
        table_.AddRow(std::move(r));
    syncing_ = true; // the table's selection is set when the rows are complete
    model_->ShowAdded();
    syncing_ = false;
    // Only the names differ in width: the date-time columns were sized for their layout.
    WidenColumnForRows(*List, kColName, first);
}

void TFDCExif::ShowProgress(std::size_t read, std::size_t count) {
    const QLocale locale;
    LNacitam->setText(tr("Načítám %1 z %2…")
                          .arg(locale.toString(static_cast<qulonglong>(read)),
                               locale.toString(static_cast<qulonglong>(count))));
    LNacitam->setVisible(read < count);
}

void TFDCExif::FillDone() {
    LNacitam->hide();
    EnableControls(true);
    if (shown_)
        ShowFirstValues();
    emit filled();
}

void TFDCExif::FormCreate(QWidget* mainWindow) {
    // All six columns and the file names whole; a larger stored size stays.
    WidenColumns();
    RestoreFormClientPlacement(*this, QString::fromUtf8(kIniFileName), kSection, 600, 300);
    WidenWindowForList(*this, *List);
    if (mainWindow)
        CenterFormOver(*this, *mainWindow->window());
}

void TFDCExif::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_ && !event->spontaneous()) {
        shown_ = true;
        FormShow();
    }
}

void TFDCExif::FormShow() {
    if (!filling()) // else when the last row is in
        ShowFirstValues();
    List->setFocus();
}

void TFDCExif::ShowFirstValues() {
    // "označ vše" and "vyber nejnižší", the list shown once.
    table_.SelectAll();
    chosenStamp_ = 0;
    DropStamps();
    table_.Earliest();
    ShowRows();
}

void TFDCExif::ShowRows() {
    syncing_ = true;
    model_->Refresh();
    // Contiguous runs of selected rows become one selection range each.
    const auto& rows = table_.rows();
    const int count = static_cast<int>(rows.size());
    QItemSelection selection;
    int runStart = -1;
    for (int i = 0; i <= count; ++i) {
        const bool selected = i < count && rows[static_cast<std::size_t>(i)].selected;
        if (selected && runStart < 0)
            runStart = i;
        if (!selected && runStart >= 0) {
            selection.select(model_->index(runStart, 0), model_->index(i - 1, 0));
            runStart = -1;
        }
    }
    List->selectionModel()->select(selection,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    syncing_ = false;
}

void TFDCExif::WidenColumns() {
    // The names are measured; the date-time columns were sized for their layout.
    for (int c = 0; c < model_->columnCount(); ++c)
        List->setColumnWidth(c, std::max(List->columnWidth(c), List->header()->sectionSizeHint(c)));
    WidenColumnForRows(*List, kColName);
}

void TFDCExif::TakeSelection() {
    for (std::size_t i = 0; i < table_.size(); ++i)
        table_.SetSelected(i, false);
    const QModelIndexList selected = List->selectionModel()->selectedRows();
    for (const QModelIndex& index : selected)
        if (index.row() >= 0 && static_cast<std::size_t>(index.row()) < table_.size())
            table_.SetSelected(static_cast<std::size_t>(index.row()), true);
}

void TFDCExif::BExifZmenaClick(int tag) {
    chosenStamp_ = tag;
    DropStamps();
    table_.CopyExif(tag);
    ShowRows();
}

void TFDCExif::ExifNejnizsiClick() {
    chosenStamp_ = 0;
    DropStamps();
    table_.Earliest();
    ShowRows();
}

void TFDCExif::BNeupravovatClick() {
    DropStamps();
    table_.ClearValues();
    ShowRows();
}

void TFDCExif::BSZmenaClick(int tag) {
    if (!table_.HasSelection())
        return;
    TFUprDatCas adjust(this);
    adjust.setChosenStamp(chosenStamp_);
    adjust.adjustSize();
    CenterFormOver(adjust, *this);
    if (adjust.exec() == QDialog::Accepted && adjust.target() != AdjustTarget::FileTimes)
        PlanStamps(adjust.target(), adjust.settings());
    else if (adjust.result() == QDialog::Accepted) {
        DropStamps(); // "Proveď" writes file times again
        table_.Adjust(tag, adjust.settings());
    } else
        table_.StejnePryc();
    ShowRows();
}

void TFDCExif::BPrycClick() {
    DropStamps();
    table_.RemoveSelected();
    ShowRows();
}

void TFDCExif::PMLPrycClick() {
    if (!table_.RemoveFirstSelected())
        return;
    DropStamps();
    ShowRows();
    if (table_.empty())
        close();
}

void TFDCExif::PMLVseClick() {
    table_.SelectAll();
    ShowRows();
}

void TFDCExif::PMLBezClick() {
    table_.SelectWithoutValue();
    ShowRows();
}

void TFDCExif::BProved1Click(int tag) {
    if (stampJob_) {
        WriteStamps(tag == 1);
        return;
    }
    table_.Write(tag == 1);
    ShowRows();
    if (table_.empty())
        close();
}

void TFDCExif::BcancelClick() {
    close();
}

void TFDCExif::done(int r) {
    Q_UNUSED(r);
    if (closing_)
        return;
    closing_ = true;
    fill_.reset(); // stops the reading; the workers finish the file they are at
    if (planStop_)
        *planStop_ = true; // the planning ends by itself and drops its plan
    try {
        SaveFormClientPlacement(*this, QString::fromUtf8(kIniFileName), kSection);
    } catch (const IniWriteError& e) {
        // Reported once; the files already written must still refresh the list.
        ShowMessageBox(QString::fromUtf8(e.what()), MsgKind::Error, QMessageBox::Ok);
    }
    QDialog::done(table_.changed() || stampsWritten_ > 0 ? QDialog::Accepted : QDialog::Rejected);
}

} // namespace kivo
