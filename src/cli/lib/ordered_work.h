#pragma once
// Work on a list of items by several threads, with the results handed on strictly in the
// list's order: a command's output stays the same bytes, whatever thread made each piece.
//
// The calling thread prepares item after item (in order: reads that must not seek between
// files go there), worker threads make each item's result, and the calling thread hands the
// results on in order. A ring of slots bounds what is in flight, so memory stays flat.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <thread>
#include <utility>
#include <vector>

namespace kivo {

template <class Slot> class OrderedWork {
public:
    static constexpr std::uint32_t kRing = 64;
    static constexpr std::uint32_t kBatch = 8;

    // prepare(slot, i) on the calling thread, work(worker, slot, i) on worker `worker` of
    // `workers`, deliver(slot, i) on the calling thread; deliver returning false stops the
    // run (what is in flight is dropped). An exception from work is thrown again from Run
    // when its item is delivered.
    template <class Prepare, class Work, class Deliver>
    static void Run(std::uint32_t count, unsigned workers, Prepare prepare, Work work,
                    Deliver deliver) {
        if (workers == 0) {
            // One thread does it all, item after item.
            Slot slot{};
            for (std::uint32_t i = 0; i < count; ++i) {
                prepare(slot, i);
                work(0u, slot, i);
                if (!deliver(slot, i))
                    return;
            }
            return;
        }
        OrderedWork run(count);
        std::vector<std::jthread> threads;
        threads.reserve(workers);
        for (unsigned w = 0; w < workers; ++w)
            threads.emplace_back([&run, &work, w] { run.workLoop(work, w); });
        std::exception_ptr failure;
        try {
            run.feed(prepare, deliver);
        } catch (...) {
            failure = std::current_exception();
        }
        run.stop();
        threads.clear(); // joins
        if (failure)
            std::rethrow_exception(failure);
    }

private:
    struct Entry {
        Slot slot{};
        std::atomic<std::uint32_t> done{0}; // item index + 1 once its work is finished
        std::exception_ptr error;
    };

    explicit OrderedWork(std::uint32_t count) : count_(count), ring_(kRing) {}

    Entry& entry(std::uint32_t i) { return ring_[i % kRing]; }

    // Waits until the work of item i is finished; only the calling thread waits so. The
    // workers wake it for that item alone.
    void waitDone(std::uint32_t i) {
        const std::atomic<std::uint32_t>& done = entry(i).done;
        for (;;) {
            std::uint32_t now = done.load(std::memory_order_acquire);
            if (now > i)
                return;
            awaited_.store(i, std::memory_order_seq_cst);
            now = done.load(std::memory_order_seq_cst);
            if (now > i)
                return;
            done.wait(now, std::memory_order_acquire);
        }
    }

    // Waits until item i is prepared. A worker that has caught up is woken once a few more
    // items are ready, not for every one of them.
    bool waitPrepared(std::uint32_t i) {
        for (;;) {
            if (prepared_.load(std::memory_order_acquire) > i)
                return true;
            if (stopping_.load(std::memory_order_acquire))
                return false;
            waiters_.fetch_add(1, std::memory_order_seq_cst);
            const std::uint32_t now = prepared_.load(std::memory_order_seq_cst);
            if (now <= i && !stopping_.load(std::memory_order_seq_cst))
                prepared_.wait(now, std::memory_order_acquire);
            waiters_.fetch_sub(1, std::memory_order_seq_cst);
        }
    }

    template <class Work> void workLoop(Work& work, unsigned w) {
        for (;;) {
            const std::uint32_t i = claimed_.fetch_add(1, std::memory_order_relaxed);
            if (i >= count_ || !waitPrepared(i) || stopping_.load(std::memory_order_acquire))
                return;
            Entry& e = entry(i);
            try {
                work(w, e.slot, i);
            } catch (...) {
                e.error = std::current_exception();
            }
            e.done.store(i + 1, std::memory_order_seq_cst);
            if (awaited_.load(std::memory_order_seq_cst) == i)
                e.done.notify_all();
        }
    }

    template <class Prepare, class Deliver> void feed(Prepare& prepare, Deliver& deliver) {
        std::uint32_t delivered = 0;
        // Hands on what is finished; with `wait`, first waits until item `upTo` is.
        auto drain = [&](bool wait, std::uint32_t upTo) {
            while (delivered < count_) {
                Entry& e = entry(delivered);
                if (e.done.load(std::memory_order_acquire) != delivered + 1) {
                    if (!wait || delivered > upTo)
                        return true;
                    // Waiting for a later item first wakes this thread once for a batch,
                    // not once for every item.
                    waitDone(upTo);
                    waitDone(delivered);
                }
                if (e.error)
                    std::rethrow_exception(std::exchange(e.error, nullptr));
                if (!deliver(e.slot, delivered))
                    return false;
                ++delivered;
            }
            return true;
        };
        for (std::uint32_t i = 0; i < count_; ++i) {
            if (i >= delivered + kRing) {
                // The ring is full: hand on half of it before going on.
                if (!drain(true, delivered + kRing / 2 - 1))
                    return;
            } else if (!drain(false, 0)) {
                return;
            }
            prepare(entry(i).slot, i);
            prepared_.store(i + 1, std::memory_order_seq_cst);
            if (((i + 1) % kBatch == 0 || i + 1 == count_) &&
                waiters_.load(std::memory_order_seq_cst) > 0)
                prepared_.notify_all();
        }
        while (delivered < count_)
            if (!drain(true, std::min(count_ - 1, delivered + kRing / 4)))
                return;
    }

    // Only the calling thread waits for a slot; the workers wait for prepared_, which is
    // changed here so that none of them can miss the wake-up.
    void stop() {
        stopping_.store(true, std::memory_order_release);
        prepared_.store(UINT32_MAX, std::memory_order_release);
        prepared_.notify_all();
    }

    const std::uint32_t count_;
    std::vector<Entry> ring_;
    std::atomic<std::uint32_t> prepared_{0};
    std::atomic<std::uint32_t> claimed_{0};
    std::atomic<std::uint32_t> waiters_{0};          // workers waiting for prepared_
    std::atomic<std::uint32_t> awaited_{UINT32_MAX}; // the item the calling thread waits for
    std::atomic<bool> stopping_{false};
};

} // namespace kivo
