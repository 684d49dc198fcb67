#pragma once
// Work on the undo journal off the GUI thread: it can wait on a slow disk or on another
// program's lock. Each task opens a connection of its own (a connection is not shared
// between threads) and hands its result back on the thread of `context`.

#include <exception>
#include <functional>
#include <string>
#include <utility>

#include <QMetaObject>
#include <QObject>
#include <QThreadPool>

#include "core/journal.h"

namespace kivo {

// `pool` must outlive the task and `context` must wait for `pool` before it goes (a pool
// member of it does); `done` then never runs on a destroyed object.
template <class Result>
void RunJournalTask(QThreadPool& pool, QObject* context, std::string folder,
                    std::function<Result(Journal&)> work,
                    std::function<void(Result, std::string error)> done) {
    pool.start([context, folder = std::move(folder), work = std::move(work),
                done = std::move(done)]() mutable {
        Result result{};
        std::string error;
        try {
            Journal journal(folder);
            result = work(journal);
        } catch (const std::exception& e) {
            error = e.what();
        }
        QMetaObject::invokeMethod(
            context,
            [done = std::move(done), result = std::move(result),
             error = std::move(error)]() mutable { done(std::move(result), std::move(error)); },
            Qt::QueuedConnection);
    });
}

} // namespace kivo
