#pragma once
// Filling a dialog's rows from the files without holding up its window: worker threads
// read the rows, the window's thread receives them in chunks, in the order of the names,
// whichever worker finished first. Each worker has a reader of its own; nothing else is
// shared with the window but the cancel flag and the next chunk to claim.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QElapsedTimer>
#include <QObject>
#include <QThreadPool>
#include <QTimer>

namespace kivo {

template <class Row> class BackgroundFill {
public:
    // The row of the name at an index, or nothing for a name that gives no row.
    using Reader = std::function<std::optional<Row>(std::size_t index)>;
    // Called on each worker thread to make that worker's reader.
    using MakeReader = std::function<Reader()>;
    struct Receivers {
        std::function<void(std::vector<Row>)> rows;     // the next rows, in name order
        std::function<void(std::size_t read)> progress; // names read so far, in order
        std::function<void()> done;                     // every name read; not after cancel()
    };

    // Starts at once; the receivers run on the calling (window) thread, from its event loop.
    BackgroundFill(std::size_t count, int workers, MakeReader makeReader, Receivers receivers)
        : shared_(std::make_shared<Shared>()), receivers_(std::move(receivers)) {
        shared_->count = count;
        chunks_ = (count + kChunk - 1) / kChunk;
        pacer_.setSingleShot(true);
        QObject::connect(&pacer_, &QTimer::timeout, &inbox_, [this] { Deliver(); });
        if (chunks_ == 0) {
            QTimer::singleShot(0, &inbox_, [this] { Deliver(); });
            return;
        }
        const int threads = static_cast<int>(
            std::clamp<std::size_t>(static_cast<std::size_t>(std::max(workers, 1)), 1, chunks_));
        pool_.setMaxThreadCount(threads);
        for (int t = 0; t < threads; ++t)
            pool_.start([shared = shared_, makeReader, inbox = &inbox_, this] {
                Work(*shared, makeReader, inbox);
            });
    }
    // Cancels and waits for the workers, each at most for the file it is reading.
    ~BackgroundFill() {
        cancel();
        pool_.waitForDone();
    }
    BackgroundFill(const BackgroundFill&) = delete;
    BackgroundFill& operator=(const BackgroundFill&) = delete;

    void cancel() { shared_->cancelled = true; }
    bool finished() const { return delivered_ == chunks_; }
    std::size_t count() const { return shared_->count; }

private:
    static constexpr std::size_t kChunk = 32;
    static constexpr qint64 kDeliveryMs = 100;

    struct Shared {
        std::size_t count = 0;
        std::atomic<std::size_t> nextChunk{0};
        std::atomic<bool> cancelled{false};
    };

    void Work(Shared& shared, const MakeReader& makeReader, QObject* inbox) {
        const Reader read = makeReader();
        for (;;) {
            const std::size_t chunk = shared.nextChunk.fetch_add(1);
            const std::size_t begin = chunk * kChunk;
            if (begin >= shared.count || shared.cancelled)
                return;
            std::vector<Row> rows;
            const std::size_t end = std::min(begin + kChunk, shared.count);
            for (std::size_t i = begin; i < end; ++i) {
                if (shared.cancelled)
                    return;
                try {
                    if (std::optional<Row> row = read(i))
                        rows.push_back(std::move(*row));
                } catch (...) {
                    // A name that cannot be read gives no row, as one that is no file.
                }
            }
            // Posted to the inbox, which lives on the window's thread; events still queued
            // when the fill is destroyed go with it.
            QMetaObject::invokeMethod(
                inbox,
                [this, chunk, rows = std::move(rows)]() mutable {
                    arrived_.emplace(chunk, std::move(rows));
                    DeliverSoon();
                },
                Qt::QueuedConnection);
        }
    }

    // The window takes rows a few times a second: each delivery costs it a repaint.
    void DeliverSoon() {
        if (arrived_.size() + delivered_ == chunks_ || !lastDelivery_.isValid() ||
            lastDelivery_.hasExpired(kDeliveryMs)) {
            pacer_.stop();
            Deliver();
        } else if (!pacer_.isActive()) {
            pacer_.start(static_cast<int>(kDeliveryMs - lastDelivery_.elapsed()));
        }
    }

    void Deliver() {
        lastDelivery_.start();
        const std::size_t before = delivered_;
        std::vector<Row> ready;
        for (auto it = arrived_.begin(); it != arrived_.end() && it->first == delivered_;
             it = arrived_.erase(it), ++delivered_)
            std::move(it->second.begin(), it->second.end(), std::back_inserter(ready));
        if (delivered_ == before && chunks_ != 0)
            return;
        if (!ready.empty() && receivers_.rows)
            receivers_.rows(std::move(ready));
        if (receivers_.progress)
            receivers_.progress(std::min(delivered_ * kChunk, shared_->count));
        if (finished() && receivers_.done)
            receivers_.done();
    }

    std::shared_ptr<Shared> shared_;
    Receivers receivers_;
    std::size_t chunks_ = 0;
    std::size_t delivered_ = 0;
    std::map<std::size_t, std::vector<Row>> arrived_; // chunks waiting for an earlier one
    QObject inbox_;
    QTimer pacer_;
    QElapsedTimer lastDelivery_;
    QThreadPool pool_; // last: destroyed (and waited for) first
};

} // namespace kivo
