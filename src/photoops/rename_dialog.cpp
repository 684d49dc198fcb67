#include "photoops/rename_dialog.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QShowEvent>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/gui/placement.h"
#include "core/gui/shared_routines.h"
#include "core/settings.h"
#include "platform/datetime.h"
#include "platform/exe_folder.h"
#include "platform/gui/path_text.h"
#include "platform/gui/wait_cursor.h"
#include "platform/storage_kind.h"
#include "widgets/column_fit.h"
#include "widgets/text_width.h"

namespace kivo {

namespace {

constexpr const char* kPlacementSection = "FZmenaJ";

enum Column { ColDateTime, ColCurrent, ColNew, ColStatus };

} // namespace

bool RunRenameDialog(QWidget* mainWindow, const QString& folder, const QStringList& selectedNames,
                     int formatIndex, Journal* journal, std::string* journalError) {
    if (selectedNames.isEmpty())
        return false;
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(selectedNames.size()));
    for (const QString& name : selectedNames)
        names.push_back(PathBytes(name));
    const RenameTable probe(PathBytes(folder)); // the folder as the table takes it
    if (!probe.folder().empty()) {
        WaitCursor wait;
        // Files that a killed run left under temporary names get their names back first.
        RestoreInterruptedRenames(probe.folder());
    }
    TFZmenaJ dialog(mainWindow, probe.folder(), std::move(names), formatIndex);
    dialog.table().setJournal(journal);
    const bool renamed = dialog.exec() == QDialog::Accepted;
    if (journalError)
        *journalError = dialog.table().journalError();
    return renamed;
}

TFZmenaJ::TFZmenaJ(QWidget* mainWindow, RenameTable table, int formatIndex)
    : QDialog(mainWindow), mainWindow_(mainWindow), table_(std::move(table)),
      formatIndex_(formatIndex) {
    Build();
}

TFZmenaJ::TFZmenaJ(QWidget* mainWindow, const std::string& folder, std::vector<std::string> names,
                   int formatIndex, int readers)
    : QDialog(mainWindow), mainWindow_(mainWindow), table_(folder), formatIndex_(formatIndex) {
    Build();
    SetFixedDateTimeFormats(); // before the workers format their first date
    if (readers <= 0)
        readers =
            ReadersForFolder(table_.folder(), static_cast<unsigned>(QThread::idealThreadCount()));
    BProved1->setEnabled(false);
    const std::size_t count = names.size();
    ShowProgress(0, count);
    auto shared = std::make_shared<const std::vector<std::string>>(std::move(names));
    const std::string tableFolder = table_.folder();
    fill_ = std::make_unique<BackgroundFill<RenameRow>>(
        count, readers,
        [tableFolder, shared]() -> BackgroundFill<RenameRow>::Reader {
            auto reader = std::make_shared<const RenameTable>(tableFolder);
            return [reader, shared](std::size_t i) { return reader->ReadFile((*shared)[i]); };
        },
        BackgroundFill<RenameRow>::Receivers{
            [this](std::vector<RenameRow> rows) { AddFilledRows(std::move(rows)); },
            [this, count](std::size_t read) { ShowProgress(read, count); },
            [this] { QTimer::singleShot(0, this, [this] { FinishFill(); }); }});
}

void TFZmenaJ::AddFilledRows(std::vector<RenameRow> rows) {
    const int first = model_->rowCount();
    for (RenameRow& r : rows)
        table_.AddRow(std::move(r));
    model_->ShowAdded();
    // The date-time column was sized for its layout: only the names are measured.
    WidenColumnForRows(*List, ColCurrent, first);
}

void TFZmenaJ::ShowProgress(std::size_t read, std::size_t count) {
    const QLocale locale;
    LNacitam->setText(tr("Načítám %1 z %2…")
                          .arg(locale.toString(static_cast<qulonglong>(read)),
                               locale.toString(static_cast<qulonglong>(count))));
    LNacitam->setVisible(read < count || fill_ != nullptr);
}

// The rows are in: grouping, sorting and naming read the files again, so they run on a
// worker too, on the table moved there and back; the list shows a copy of the rows meanwhile.
void TFZmenaJ::FinishFill() {
    fill_.reset();
    if (stopped_)
        return;
    finishing_ = table_.rows();
    model_->ShowFrom(finishing_);
    auto moved = std::make_shared<RenameTable>(std::move(table_));
    const int format = formatIndex_;
    finish_ = std::make_unique<BackgroundFill<RenameTable>>(
        1, 1,
        [moved, format]() -> BackgroundFill<RenameTable>::Reader {
            return [moved, format](std::size_t) -> std::optional<RenameTable> {
                moved->GroupFilledRows();
                moved->SeradDleDC();
                moved->NastavNazev(format);
                return std::move(*moved);
            };
        },
        BackgroundFill<RenameTable>::Receivers{
            [this](std::vector<RenameTable> tables) {
                table_ = std::move(tables.front());
                model_->ShowFrom(table_.rows());
                model_->ShowAnew(); // sorted: every row shows another file now
                finishing_.clear();
            },
            nullptr, [this] { QTimer::singleShot(0, this, [this] { FillDone(); }); }});
}

void TFZmenaJ::FillDone() {
    finish_.reset();
    if (stopped_)
        return;
    LNacitam->hide();
    FitToRows(true);
    BProved1->setEnabled(!table_.performed());
    emit filled();
}

void TFZmenaJ::Build() {
    setObjectName(kPlacementSection);
    setWindowTitle(tr("Změna názvu souboru"));
    setMinimumSize(600, 250);

    model_ = new RenameModel(
        table_.rows(), {tr("datum a čas"), tr("název-stávající"), tr("název-úprava"), tr("stav")},
        this);
    List = new QTreeView(this);
    List->setObjectName(QStringLiteral("List"));
    List->setModel(model_);
    List->setRootIsDecorated(false);
    List->setItemsExpandable(false);
    List->setUniformRowHeights(true);
    List->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->setSortingEnabled(false);
    List->header()->setStretchLastSection(false);
    // The design widths, wider where the platform's font needs it for the fixed texts.
    List->setColumnWidth(ColDateTime,
                         ColumnWidthForText(*List, WidestDateTimeText(List->fontMetrics()), 150));
    List->setColumnWidth(ColCurrent, 150);
    List->setColumnWidth(ColNew, 200);
    List->setColumnWidth(ColStatus,
                         ColumnWidthForText(*List, tr(kRenameStatusUnchanged.data()), 70));

    BProved1 = new QPushButton(tr("Proveď"), this);
    BProved1->setObjectName(QStringLiteral("BProved1"));
    Bcancel = new QPushButton(tr("Zruš"), this);
    Bcancel->setObjectName(QStringLiteral("Bcancel"));
    // Enter in the list must not start the renames behind the user's back.
    BProved1->setAutoDefault(false);
    Bcancel->setAutoDefault(false);

    LNacitam = new QLabel(this);
    LNacitam->setObjectName(QStringLiteral("LNacitam"));
    LNacitam->hide();

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(BProved1);
    bottom->addWidget(LNacitam);
    bottom->addStretch(1);
    bottom->addWidget(Bcancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(List, 1);
    layout->addLayout(bottom);

    connect(BProved1, &QPushButton::clicked, this, [this] { BProved1Click(); });
    connect(Bcancel, &QPushButton::clicked, this, [this] { BcancelClick(); });

    reportFailures_ = [](const QString& text) {
        ShowMessageBox(text, MsgKind::Warning, QMessageBox::Ok);
    };

    FormCreate();
}

TFZmenaJ::~TFZmenaJ() = default;

void TFZmenaJ::setFailureReporter(std::function<void(const QString&)> reporter) {
    reportFailures_ = std::move(reporter);
}

void TFZmenaJ::FormCreate() {
    // The table is new with the dialog, so its changed flag starts cleared.
    ShowRows();
    RestoreFormClientPlacement(*this, QString::fromUtf8(kIniFileName),
                               QString::fromUtf8(kPlacementSection), 600, 300);
    FitToRows();
}

void TFZmenaJ::FitToRows(bool namesMeasured) {
    // Names longer than the design widths are shown whole; a larger stored size stays.
    WidenColumns(namesMeasured);
    WidenWindowForList(*this, *List);
    // Only size and state carry over: the dialog always opens over the main window.
    if (mainWindow_ != nullptr)
        CenterFormOver(*this, *mainWindow_);
}

void TFZmenaJ::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TFZmenaJ::FormShow() {
    if (filling())
        return; // sorted and named when the rows are in
    table_.SeradDleDC();
    table_.NastavNazev(formatIndex_);
    ShowRows(true);
    FitToRows();
}

void TFZmenaJ::ShowRows(bool allNew) {
    if (allNew)
        model_->ShowAnew();
    else
        model_->Refresh();
}

void TFZmenaJ::WidenColumns(bool namesMeasured) {
    // The date-time column was sized for its layout; the statuses are few texts.
    for (int c = 0; c < model_->columnCount(); ++c) {
        List->setColumnWidth(c, std::max(List->columnWidth(c), List->header()->sectionSizeHint(c)));
        if (c != ColDateTime && !(namesMeasured && c == ColCurrent))
            WidenColumnForRows(*List, c);
    }
}

void TFZmenaJ::BProved1Click() {
    const std::optional<int> failures = table_.Proved();
    ShowRows();
    BProved1->setEnabled(false);
    if (failures && *failures > 0 && reportFailures_)
        reportFailures_(tr("Počet nepřejmenovaných souborů: %1").arg(*failures));
}

void TFZmenaJ::BcancelClick() {
    close();
}

void TFZmenaJ::done(int /*result*/) {
    if (closing_)
        return;
    closing_ = true;
    // Stops the reading; the workers finish the file they are at.
    stopped_ = true;
    fill_.reset();
    finish_.reset();
    FormClose();
    QDialog::done(table_.changed() ? QDialog::Accepted : QDialog::Rejected);
    closing_ = false;
}

void TFZmenaJ::FormClose() {
    try {
        SaveFormClientPlacement(*this, QString::fromUtf8(kIniFileName),
                                QString::fromUtf8(kPlacementSection));
    } catch (const IniWriteError& e) {
        // Reported, but the dialog still closes: the renames already happened and the
        // main window must learn of them.
        ShowMessageBox(QString::fromStdString(e.what()), MsgKind::Error, QMessageBox::Ok);
    }
}

} // namespace kivo
