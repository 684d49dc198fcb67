// The EXIF date dialog correcting the stamps in the photos themselves: planned from the
// adjustment, shown in the EXIF columns, written by "Proveď" on a worker thread.

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>

#include "core/journal.h"
#include "exif/stamp_writer.h"
#include "photoops/exif_date_dialog.h"
#include "photoops/exif_date_fill.h"
#include "platform/gui/path_text.h"
#include "platform/gui/wait_cursor.h"

namespace kivo {

namespace {

// A stamp as the EXIF columns show it: the date-time text of the table.
std::string ColumnText(const std::string& stamp) {
    const std::optional<TDateTime> v = ParseStampText(stamp);
    return v ? DateTimeText(*v) : stamp;
}

StampChoice ChoiceOf(AdjustTarget target, int chosenStamp) {
    if (target == AdjustTarget::ExifChosen) {
        if (chosenStamp == kExifModify)
            return StampChoice::Modify;
        if (chosenStamp == kExifTaken)
            return StampChoice::Taken;
        if (chosenStamp == kExifDigitized)
            return StampChoice::Digitized;
    }
    return StampChoice::All;
}

} // namespace

void TFDCExif::PlanStamps(AdjustTarget target, const AdjustSettings& settings) {
    StampCorrection correction;
    correction.stamps = ChoiceOf(target, chosenStamp_);
    correction.source = StampSource::Adjust;
    correction.adjust = settings;
    std::vector<std::string> names;
    for (const ExifDateRow& r : table_.rows())
        if (r.selected)
            names.push_back(r.name);
    // The new values are the stamps'; the file times stay as they are.
    table_.ClearValues();
    stampJob_ = std::make_unique<ExifStampJob>(table_.folder(), names, correction);
    // The files are read on a worker while the window shows how far it is; "Zruš" and Esc
    // stop it and close the dialog.
    ExifStampJob& job = *stampJob_;
    std::atomic<std::size_t> done{0};
    std::atomic<bool> stop{false};
    QEventLoop loop;
    std::thread worker([&] {
        try {
            job.Plan([&](std::size_t n) {
                done = n;
                return !stop;
            });
        } catch (const std::exception&) {
            stop = true; // nothing planned: nothing will be written
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this,
            [this, &done, count = names.size()] { ShowProgress(done, count); });
    ticker.start(100);
    ShowProgress(0, names.size());
    EnableControls(false);
    planStop_ = &stop;
    loop.exec();
    worker.join();
    planStop_ = nullptr;
    ticker.stop();
    LNacitam->hide();
    EnableControls(true);
    if (stop || !job.planned()) { // closed meanwhile, or it could not read
        DropStamps();
        return;
    }
    stampRowOf_.clear();
    stampFailures_.clear();
    for (std::size_t i = 0; i < stampJob_->rows().size(); ++i)
        stampRowOf_[stampJob_->rows()[i].name] = i;
    LStampy->setText(tr("Opravené údaje EXIF (tučně) se zapíší přímo do fotografií tlačítkem "
                        "„Proveď“; „neupravovat“ opravu zruší."));
    LStampy->show();
}

void TFDCExif::DropStamps() {
    stampJob_.reset();
    stampRowOf_.clear();
    LStampy->hide();
}

std::optional<ExifDateModel::Cell> TFDCExif::StampCell(const ExifDateRow& row, int column) const {
    if (!stampJob_ && stampFailures_.empty())
        return std::nullopt;
    const auto planned = stampRowOf_.find(row.name);
    const StampJobRow* job =
        stampJob_ && planned != stampRowOf_.end() ? &stampJob_->rows()[planned->second] : nullptr;
    if (column == kColNewValue) {
        if (job && job->state == StampRowState::Failed)
            return ExifDateModel::Cell{tr("EXIF nelze opravit"), DisplayText(job->reason)};
        if (const auto failure = stampFailures_.find(row.name);
            !job && failure != stampFailures_.end())
            return ExifDateModel::Cell{tr("EXIF nezapsáno"), DisplayText(failure->second)};
        return std::nullopt;
    }
    if (column < kColExifModify || column >= kColExifModify + 3 || !job ||
        job->state == StampRowState::Failed)
        return std::nullopt;
    const std::size_t k = static_cast<std::size_t>(column - kColExifModify);
    if (job->newStamps[k].empty())
        return std::nullopt;
    return ExifDateModel::Cell{DisplayText(ColumnText(job->newStamps[k])),
                               tr("bylo: %1").arg(DisplayText(ColumnText(job->oldStamps[k]))),
                               true};
}

void TFDCExif::WriteStamps(bool keepRows) {
    std::unique_ptr<ExifStampJob> job = std::move(stampJob_);
    DropStamps();
    // SQLite connections are not shared between threads: the worker opens its own.
    const std::string journalFolder = table_.journal() ? table_.journal()->folder() : std::string();
    std::size_t written = 0;
    std::string journalError;
    QEventLoop loop;
    std::thread worker([&] {
        std::unique_ptr<Journal> own;
        try {
            if (!journalFolder.empty())
                own = std::make_unique<Journal>(journalFolder);
        } catch (const std::exception& e) {
            journalError = e.what(); // written all the same, without undo
        }
        written = job->Write(own.get());
        if (journalError.empty())
            journalError = job->journalError();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    setEnabled(false);
    {
        WaitCursor wait;
        loop.exec();
    }
    worker.join();
    setEnabled(true);
    stampsWritten_ += written;

    // The rows show what the photos hold now.
    std::vector<std::string> names;
    for (const StampJobRow& r : job->rows()) {
        if (r.state == StampRowState::Failed)
            stampFailures_[r.name] = r.reason;
        else
            names.push_back(r.name);
    }
    const ExifDateTable fresh = FillExifDateTable(table_.folder(), names);
    for (const ExifDateRow& f : fresh.rows())
        for (std::size_t i = 0; i < table_.size(); ++i)
            if (table_.row(i).name == f.name)
                table_.ReplaceStamps(i, f);
    table_.UseXmpFallback(ChBXmp->isChecked());
    if (!keepRows) {
        for (std::size_t i = 0; i < table_.size(); ++i)
            table_.SetSelected(i, !stampFailures_.contains(table_.row(i).name) &&
                                      std::find(names.begin(), names.end(), table_.row(i).name) !=
                                          names.end());
        table_.RemoveSelected();
    }
    if (!journalError.empty()) {
        LStampy->setText(tr("Změny nelze vrátit zpět: %1").arg(DisplayText(journalError)));
        LStampy->show();
    }
    ShowRows();
    if (table_.empty())
        close();
}

} // namespace kivo
