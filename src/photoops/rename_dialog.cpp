#include "photoops/rename_dialog.h"

#include <utility>
#include <vector>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/gui/placement.h"
#include "core/gui/shared_routines.h"
#include "core/settings.h"
#include "platform/exe_folder.h"
#include "platform/gui/path_text.h"
#include "platform/gui/wait_cursor.h"
#include "widgets/column_fit.h"

namespace kivo {

namespace {

constexpr const char* kPlacementSection = "FZmenaJ";

enum Column { ColDateTime, ColCurrent, ColNew, ColStatus };

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

bool RunRenameDialog(QWidget* mainWindow, const QString& folder, const QStringList& selectedNames,
                     int formatIndex, Journal* journal) {
    if (selectedNames.isEmpty())
        return false;
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(selectedNames.size()));
    for (const QString& name : selectedNames)
        names.push_back(PathBytes(name));
    RenameTable table(PathBytes(folder));
    table.setJournal(journal);
    {
        WaitCursor wait;
        // Files that a killed run left under temporary names get their names back first.
        if (!table.folder().empty())
            RestoreInterruptedRenames(table.folder());
        table.Fill(names);
    }

    TFZmenaJ dialog(mainWindow, std::move(table), formatIndex);
    return dialog.exec() == QDialog::Accepted;
}

TFZmenaJ::TFZmenaJ(QWidget* mainWindow, RenameTable table, int formatIndex)
    : QDialog(mainWindow), mainWindow_(mainWindow), table_(std::move(table)),
      formatIndex_(formatIndex) {
    setObjectName(kPlacementSection);
    setWindowTitle(tr("Změna názvu souboru"));
    setMinimumSize(600, 250);

    List = new QTreeWidget(this);
    List->setObjectName(QStringLiteral("List"));
    List->setColumnCount(4);
    List->setHeaderLabels({tr("datum a čas"), tr("název-stávající"),
                           tr("název-úprava"), tr("stav")});
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
                         ColumnWidthForText(*List, QStringLiteral("0000.00.00 00:00:00"), 150));
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

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(BProved1);
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

void TFZmenaJ::FitToRows() {
    // Names longer than the design widths are shown whole; a larger stored size stays.
    WidenColumnsToContents(*List);
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
    table_.SeradDleDC();
    table_.NastavNazev(formatIndex_);
    ShowRows();
    FitToRows();
}

void TFZmenaJ::ShowRows() {
    const std::vector<RenameRow>& rows = table_.rows();
    if (List->topLevelItemCount() != static_cast<int>(rows.size())) {
        List->clear();
        QList<QTreeWidgetItem*> items;
        items.reserve(static_cast<qsizetype>(rows.size()));
        for (std::size_t i = 0; i < rows.size(); ++i)
            items.append(new QTreeWidgetItem);
        List->addTopLevelItems(items);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QTreeWidgetItem* item = List->topLevelItem(static_cast<int>(i));
        item->setText(ColDateTime, Text(rows[i].dateTimeText));
        item->setText(ColCurrent, DisplayText(rows[i].currentName));
        item->setText(ColNew, DisplayText(rows[i].newName));
        item->setText(ColStatus, tr(rows[i].status.c_str()));
        // Why a row failed: the status alone says only "chyba".
        item->setToolTip(ColStatus, DisplayText(rows[i].reason));
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
