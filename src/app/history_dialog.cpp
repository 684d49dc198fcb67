#include "app/history_dialog.h"

#include <vector>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/journal_task.h"
#include "app/undo_texts.h"
#include "core/gui/shared_routines.h"
#include "core/journal_undo.h"
#include "platform/datetime.h"
#include "platform/gui/path_text.h"
#include "platform/gui/trash.h"

namespace kivo {

namespace {

enum Column { kTime, kKind, kFolder, kFiles, kState, kColumns };
constexpr int kBatchRole = Qt::UserRole;
constexpr int kUndoableRole = Qt::UserRole + 1;
constexpr int kInterruptedRole = Qt::UserRole + 2;

} // namespace

THistorie::THistorie(std::string journalFolder, QWidget* parent)
    : QDialog(parent), folder_(std::move(journalFolder)) {
    setObjectName(QStringLiteral("THistorie"));
    setWindowTitle(tr("Historie změn"));
    resize(720, 400);
    pool_.setMaxThreadCount(1); // one change at a time, in the order asked
    ShowReport = [](const QString& text) {
        ShowMessageBox(text, MsgKind::Information, QMessageBox::Ok);
    };

    auto* column = new QVBoxLayout(this);
    LVDavky = new QTreeWidget(this);
    LVDavky->setObjectName(QStringLiteral("LVDavky"));
    LVDavky->setRootIsDecorated(false);
    LVDavky->setUniformRowHeights(true);
    LVDavky->setSelectionMode(QAbstractItemView::SingleSelection);
    LVDavky->setHeaderLabels({tr("čas"), tr("druh"), tr("složka"), tr("souborů"), tr("stav")});
    LVDavky->header()->setStretchLastSection(false);
    LVDavky->header()->setSectionResizeMode(kFolder, QHeaderView::Stretch);
    column->addWidget(LVDavky, 1);

    auto* buttons = new QHBoxLayout;
    BZpet = new QPushButton(tr("&Vrátit zpět"), this);
    BZpet->setObjectName(QStringLiteral("BZpet"));
    BZpet->setToolTip(tr("vrátí zpět vybranou změnu; přerušenou změnu vrátí do stavu před ní"));
    BDokoncit = new QPushButton(tr("&Dokončit"), this);
    BDokoncit->setObjectName(QStringLiteral("BDokoncit"));
    BDokoncit->setToolTip(tr("dokončí přerušenou změnu"));
    BZavrit = new QPushButton(tr("Zavřít"), this);
    BZavrit->setObjectName(QStringLiteral("BZavrit"));
    buttons->addWidget(BZpet);
    buttons->addWidget(BDokoncit);
    buttons->addStretch(1);
    buttons->addWidget(BZavrit);
    column->addLayout(buttons);

    connect(BZpet, &QPushButton::clicked, this, &THistorie::UndoSelected);
    connect(BDokoncit, &QPushButton::clicked, this, &THistorie::ResumeSelected);
    connect(BZavrit, &QPushButton::clicked, this, &QDialog::accept);
    connect(LVDavky, &QTreeWidget::itemSelectionChanged, this, &THistorie::UpdateButtons);
    UpdateButtons();
    Refresh();
}

THistorie::~THistorie() {
    pool_.waitForDone();
}

std::int64_t THistorie::SelectedBatch() const {
    const QList<QTreeWidgetItem*> selected = LVDavky->selectedItems();
    return selected.isEmpty() ? 0 : selected.front()->data(kTime, kBatchRole).toLongLong();
}

void THistorie::UpdateButtons() {
    const QList<QTreeWidgetItem*> selected = LVDavky->selectedItems();
    const QTreeWidgetItem* item = selected.isEmpty() ? nullptr : selected.front();
    BZpet->setEnabled(!busy_ && item && item->data(kTime, kUndoableRole).toBool());
    BDokoncit->setEnabled(!busy_ && item && item->data(kTime, kInterruptedRole).toBool());
}

void THistorie::Refresh() {
    if (keep_ == 0)
        keep_ = SelectedBatch();
    RunJournalTask<std::vector<BatchInfo>>(
        pool_, this, folder_, [](Journal& j) { return j.History(kShownBatches); },
        [this](std::vector<BatchInfo> batches, const std::string& error) {
            const std::int64_t keep = keep_;
            keep_ = 0;
            LVDavky->clear();
            setWindowTitle(error.empty()
                               ? tr("Historie změn")
                               : tr("Historie změn") + QStringLiteral(" – ") + DisplayText(error));
            QTreeWidgetItem* toSelect = nullptr;
            for (const BatchInfo& b : batches) {
                auto* item = new QTreeWidgetItem(LVDavky);
                item->setText(kTime, QString::fromStdString(DateTimeText(UnixToLocalDateTime(
                                         static_cast<std::time_t>(b.started)))));
                item->setText(kKind, BatchKindNoun(b.kind));
                item->setText(kFolder, DisplayText(b.folder));
                item->setText(kFiles, QString::number(BatchFileCount(b)));
                item->setTextAlignment(kFiles, Qt::AlignRight | Qt::AlignVCenter);
                item->setText(kState, BatchStateText(b));
                item->setData(kTime, kBatchRole, QVariant::fromValue<qlonglong>(b.id));
                item->setData(kTime, kUndoableRole, b.state == BatchState::Done || b.interrupted);
                item->setData(kTime, kInterruptedRole, b.interrupted);
                if (b.id == keep)
                    toSelect = item;
            }
            if (toSelect == nullptr)
                toSelect = LVDavky->topLevelItem(0);
            if (toSelect) {
                LVDavky->setCurrentItem(toSelect);
                toSelect->setSelected(true);
            }
            for (int c = 0; c < kColumns; ++c)
                if (c != kFolder)
                    LVDavky->resizeColumnToContents(c);
            UpdateButtons();
            emit Refreshed();
        });
}

void THistorie::UndoSelected() {
    RunOnSelected(false);
}

void THistorie::ResumeSelected() {
    RunOnSelected(true);
}

void THistorie::RunOnSelected(bool resume) {
    const std::int64_t id = SelectedBatch();
    if (id == 0 || busy_)
        return;
    busy_ = true;
    keep_ = id;
    UpdateButtons();
    RunJournalTask<UndoReport>(
        pool_, this, folder_,
        [id, resume](Journal& j) {
            return resume ? ResumeBatch(j, id, false, MoveToTrashAndFind)
                          : UndoBatch(j, id, false, MoveToTrashAndFind);
        },
        [this, resume](UndoReport report, const std::string& error) {
            busy_ = false;
            if (!error.empty())
                report.error = error;
            emit Changed();
            Refresh();
            ShowReport(UndoReportText(report, resume));
        });
}

} // namespace kivo
