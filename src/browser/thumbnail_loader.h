#pragma once
// Thumbnails of picture files, made off the GUI thread: the cached one when it is valid,
// else the EXIF thumbnail when it is large enough, else a DCT-scaled JPEG decode (or a
// scaled read through Qt's image plugins for other formats), shown as the camera held it.
// No widget here; MakeThumbnail and LoadThumbnail run on any thread.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QThreadPool>

#include "browser/thumbnail_cache.h"

namespace kivo {

enum class ThumbnailSource { None, Cache, Embedded, Decoded, KnownFailure };

struct Thumbnail {
    QImage picture; // longest side at most the size asked; null when there is none
    ThumbnailSource source = ThumbnailSource::None;
};

// The picture of a file with its longest side `size` (never enlarged); null on failure.
Thumbnail MakeThumbnail(const std::string& path, int size);
// Through the cache when one is given: a valid cached entry, or a new one stored there
// (sizes up to 256 pixels; larger ones are made, not cached). Failures are recorded.
Thumbnail LoadThumbnail(const ThumbnailCache* cache, const std::string& path, int size);

// A queue of thumbnail requests served by a pool of worker threads. The newest request is
// served first (the view asks for what it paints), the queue keeps only the newest ones,
// and Cancel drops every request and every result still under way.
class ThumbnailLoader : public QObject {
    Q_OBJECT

public:
    // Without a cache root the desktop's cache is used; an empty root uses none.
    explicit ThumbnailLoader(QObject* parent = nullptr,
                             std::optional<std::string> cacheRoot = std::nullopt);
    ~ThumbnailLoader() override;

    // Asks for the thumbnail of a file; a request already queued or running is not repeated.
    void Request(const QByteArray& path, int size);
    void Cancel();
    // Waits until the workers are idle (results are still delivered through the event loop).
    void WaitForIdle();
    int QueuedCount() const;
    static constexpr std::size_t kMaxQueued = 400;

signals:
    // On the loader's thread; a null picture when the file has none.
    void Ready(const QByteArray& path, int size, const QImage& picture);

private:
    struct Job {
        QByteArray path;
        int size = 0;
        bool operator<(const Job& o) const {
            return size != o.size ? size < o.size : path < o.path;
        }
    };
    void RunWorker();

    std::unique_ptr<ThumbnailCache> cache_;
    QThreadPool pool_;
    mutable std::mutex mutex_;
    std::deque<Job> queue_;
    std::set<Job> known_; // queued or running
    int workers_ = 0;
    std::atomic<unsigned> generation_{0};
};

} // namespace kivo
