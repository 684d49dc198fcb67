#include "browser/thumbnail_loader.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImageReader>
#include <QMetaObject>
#include <QRect>

#include "browser/image_decode.h"
#include "exif/exif_head.h"
#include "platform/regular_file.h"

namespace kivo {
namespace {

// An embedded thumbnail whose shape differs more than this from the photo's is not the
// photo's picture, unless the difference is black bars (160x120 in a 3:2 photo).
constexpr double kShapeTolerance = 0.02;
// A bar's pixel has no channel above this (JPEG ringing near the picture stays below it).
constexpr int kBarMax = 40;

QSize FitInto(QSize s, int size) {
    if (s.isEmpty() || (s.width() <= size && s.height() <= size))
        return s;
    QSize fit = s.scaled(size, size, Qt::KeepAspectRatio);
    return fit.expandedTo(QSize(1, 1));
}

QImage Fitted(const QImage& picture, int size) {
    const QSize fit = FitInto(picture.size(), size);
    if (picture.isNull() || fit == picture.size())
        return picture;
    return picture.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

bool SameShape(QSize a, QSize b) {
    if (a.isEmpty() || b.isEmpty())
        return true; // the photo's size is not known: the thumbnail is taken as it is
    const double ra = static_cast<double>(a.width()) / a.height();
    const double rb = static_cast<double>(b.width()) / b.height();
    return std::abs(ra - rb) <= kShapeTolerance * rb;
}

bool Dark(const QImage& picture, QRect area) {
    area &= picture.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb px = picture.pixel(x, y);
            if (std::max({qRed(px), qGreen(px), qBlue(px)}) > kBarMax)
                return false;
        }
    return true;
}

// The thumbnail without the black bars a camera adds to fit a photo of another shape into
// its fixed size; as it is when the bars are not there. Both are stored pictures, not yet
// turned. The line next to each bar is dropped too: JPEG blurs black into it.
QImage WithoutBars(const QImage& thumb, QSize photo) {
    if (photo.isEmpty() || SameShape(thumb.size(), photo))
        return thumb;
    const int tw = thumb.width(), th = thumb.height();
    // A photo wider than the thumbnail has bars above and below, a narrower one beside it.
    const bool wide = qint64(photo.width()) * th > qint64(photo.height()) * tw;
    const int across = wide ? th : tw;
    const int inner =
        static_cast<int>(wide ? std::lround(double(tw) * photo.height() / photo.width())
                              : std::lround(double(th) * photo.width() / photo.height()));
    const int start = (across - inner) / 2;
    const int end = start + inner; // first line of the second bar
    if (inner < 3 || start < 2)
        return thumb;
    const auto band = [&](int from, int to) {
        return wide ? QRect(0, from, tw, to - from) : QRect(from, 0, to - from, th);
    };
    if (!Dark(thumb, band(0, start - 1)) || !Dark(thumb, band(end + 1, across)))
        return thumb;
    return thumb.copy(band(start + 1, end - 1));
}

QImage EmbeddedThumbnail(const std::vector<std::uint8_t>& head, const JpegExifHead& exif,
                         int size) {
    if (exif.thumbnailLength == 0)
        return {};
    const auto bytes = std::span(head).subspan(exif.thumbnailOffset, exif.thumbnailLength);
    const auto decoded = DecodeJpegBytes(bytes, {});
    if (!decoded)
        return {};
    // The thumbnail is stored the way the photo is: the photo's orientation turns it.
    const QSize stored(exif.width, exif.height);
    const QImage inner = WithoutBars(decoded->picture, stored);
    // Cut to the photo's shape, bars are not judged again: the dropped lines skew it a little.
    const bool cut = inner.size() != decoded->picture.size();
    const QImage shown = ApplyOrientation(inner, exif.orientation);
    const QSize photo = OrientedSize(stored, exif.orientation);
    if (std::max(shown.width(), shown.height()) < size || (!cut && !SameShape(shown.size(), photo)))
        return {};
    return shown;
}

Thumbnail FromJpeg(int fd, int size) {
    std::vector<std::uint8_t> head(kExifHeadBytes);
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    if (got <= 0)
        return {};
    head.resize(static_cast<std::size_t>(got));
    const JpegExifHead exif = ReadJpegExifHead(head);
    if (QImage embedded = EmbeddedThumbnail(head, exif, size); !embedded.isNull())
        return {Fitted(embedded, size), ThumbnailSource::Embedded};
    const auto decoded = DecodeJpegFd(fd, head, exif.orientation,
                                      [size](QSize shown) { return FitInto(shown, size); });
    if (!decoded)
        return {};
    return {Fitted(decoded->picture, size), ThumbnailSource::Decoded};
}

Thumbnail FromImageReader(int fd, int size) {
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return {};
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return {};
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    // Formats that can scale while reading do so; a square box fits the stored size and the
    // turned one alike.
    if (const QSize stored = reader.size(); stored.isValid())
        reader.setScaledSize(FitInto(stored, size));
    const QImage picture = reader.read();
    if (picture.isNull())
        return {};
    return {Fitted(picture, size), ThumbnailSource::Decoded};
}

bool LooksLikeJpeg(int fd) {
    unsigned char magic[3] = {};
    return ::pread(fd, magic, 3, 0) == 3 && magic[0] == 0xFF && magic[1] == 0xD8 &&
           magic[2] == 0xFF;
}

} // namespace

Thumbnail MakeThumbnail(const std::string& path, int size) {
    if (size <= 0)
        return {};
    const RegularFile f = OpenRegularFile(path);
    if (!f)
        return {};
    if (LooksLikeJpeg(f.fd.get()))
        return FromJpeg(f.fd.get(), size);
    return FromImageReader(f.fd.get(), size);
}

Thumbnail LoadThumbnail(const ThumbnailCache* cache, const std::string& path, int size) {
    struct stat st {};
    if (size <= 0 || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    std::optional<ThumbnailFlavor> flavor;
    if (size <= FlavorSize(ThumbnailFlavor::Normal))
        flavor = ThumbnailFlavor::Normal;
    else if (size <= FlavorSize(ThumbnailFlavor::Large))
        flavor = ThumbnailFlavor::Large;
    if (cache == nullptr || !flavor || path.empty() || path.front() != '/')
        return MakeThumbnail(path, size);

    const std::string uri = ThumbnailUri(path);
    const std::int64_t mtime = st.st_mtim.tv_sec;
    if (QImage cached = cache->Find(uri, mtime, *flavor); !cached.isNull())
        return {Fitted(cached, size), ThumbnailSource::Cache};
    if (cache->HasFailure(uri, mtime))
        return {{}, ThumbnailSource::KnownFailure};
    Thumbnail made = MakeThumbnail(path, FlavorSize(*flavor));
    if (made.picture.isNull()) {
        // A file we may not read is no broken picture: nothing is recorded for it.
        if (::access(path.c_str(), R_OK) == 0)
            cache->StoreFailure(uri, mtime);
        return made;
    }
    cache->Store(uri, mtime, static_cast<std::uint64_t>(st.st_size), *flavor, made.picture);
    made.picture = Fitted(made.picture, size);
    return made;
}

// --- ThumbnailLoader ------------------------------------------------------------------------

ThumbnailLoader::ThumbnailLoader(QObject* parent, std::optional<std::string> cacheRoot)
    : QObject(parent) {
    const std::string root = cacheRoot ? *cacheRoot : ThumbnailCache::DefaultRoot();
    if (!root.empty())
        cache_ = std::make_unique<ThumbnailCache>(root);
    pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

ThumbnailLoader::~ThumbnailLoader() {
    Cancel();
    pool_.waitForDone();
}

void ThumbnailLoader::Request(const QByteArray& path, int size) {
    std::lock_guard lock(mutex_);
    Job job{path, size};
    if (!known_.insert(job).second)
        return;
    queue_.push_front(std::move(job));
    while (queue_.size() > kMaxQueued) {
        known_.erase(queue_.back());
        queue_.pop_back();
    }
    if (workers_ < pool_.maxThreadCount()) {
        ++workers_;
        pool_.start([this] { RunWorker(); });
    }
}

void ThumbnailLoader::Cancel() {
    std::lock_guard lock(mutex_);
    queue_.clear();
    known_.clear();
    ++generation_;
}

void ThumbnailLoader::WaitForIdle() {
    pool_.waitForDone();
}

int ThumbnailLoader::QueuedCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(queue_.size());
}

void ThumbnailLoader::RunWorker() {
    for (;;) {
        Job job;
        unsigned generation = 0;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) {
                --workers_;
                return;
            }
            job = std::move(queue_.front());
            queue_.pop_front();
            generation = generation_;
        }
        const Thumbnail t = LoadThumbnail(cache_.get(), job.path.toStdString(), job.size);
        {
            std::lock_guard lock(mutex_);
            if (generation == generation_)
                known_.erase(job);
        }
        QMetaObject::invokeMethod(
            this,
            [this, job, generation, picture = t.picture] {
                if (generation == generation_)
                    emit Ready(job.path, job.size, picture);
            },
            Qt::QueuedConnection);
    }
}

} // namespace kivo
