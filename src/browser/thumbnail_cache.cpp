#include "browser/thumbnail_cache.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>
#include <QImageWriter>
#include <QSaveFile>

#include "platform/regular_file.h"

namespace kivo {
namespace {

constexpr const char* kFailureFolder = "fail/kivomat-1.0";
// A cached thumbnail bigger than this is no thumbnail: it is not read.
constexpr off_t kMaxCachedBytes = 4 << 20;

const char* FlavorFolder(ThumbnailFlavor flavor) {
    return flavor == ThumbnailFlavor::Large ? "large" : "normal";
}

bool KeptAsIs(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    for (const char* k = "!$&'()*+,-.:=@_~/"; *k; ++k)
        if (c == static_cast<unsigned char>(*k))
            return true;
    return false;
}

// Folders of the cache are private to the user (0700), created as needed.
bool MakeFolders(const std::string& path) {
    std::string part;
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            part = path.substr(0, i);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int FlavorSize(ThumbnailFlavor flavor) {
    return flavor == ThumbnailFlavor::Large ? 256 : 128;
}

std::string ThumbnailUri(std::string_view absolutePath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    uri.reserve(uri.size() + absolutePath.size() * 3);
    for (const char ch : absolutePath) {
        const auto c = static_cast<unsigned char>(ch);
        if (KeptAsIs(c)) {
            uri += ch;
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

std::string ThumbnailHash(std::string_view uri) {
    return QCryptographicHash::hash(QByteArrayView(uri.data(), static_cast<qsizetype>(uri.size())),
                                    QCryptographicHash::Md5)
        .toHex()
        .toStdString();
}

ThumbnailCache::ThumbnailCache(std::string root) : root_(std::move(root)) {}

std::string ThumbnailCache::DefaultRoot() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    // The standard: a relative or empty value is to be ignored.
    if (xdg != nullptr && xdg[0] == '/')
        return std::string(xdg) + "/thumbnails";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.cache/thumbnails";
}

std::string ThumbnailCache::PathFor(ThumbnailFlavor flavor, std::string_view uri) const {
    return root_ + "/" + FlavorFolder(flavor) + "/" + ThumbnailHash(uri) + ".png";
}

std::string ThumbnailCache::FailurePathFor(std::string_view uri) const {
    return root_ + "/" + kFailureFolder + "/" + ThumbnailHash(uri) + ".png";
}

QImage ThumbnailCache::ReadValid(const std::string& path, std::string_view uri,
                                 std::int64_t mtime) const {
    const RegularFile f = OpenRegularFile(path);
    if (!f)
        return {};
    struct stat st {};
    if (::fstat(f.fd.get(), &st) != 0 || st.st_size <= 0 || st.st_size > kMaxCachedBytes)
        return {};
    QByteArray bytes(static_cast<qsizetype>(st.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n =
            ::read(f.fd.get(), bytes.data() + got, static_cast<std::size_t>(bytes.size() - got));
        if (n <= 0)
            return {};
        got += n;
    }
    QImage image;
    // The reader's own text() splits keys at ':', so the tags are taken from the picture.
    if (!image.loadFromData(bytes, "PNG"))
        return {};
    if (image.text(QStringLiteral("Thumb::URI")).toUtf8() !=
            QByteArrayView(uri.data(), static_cast<qsizetype>(uri.size())) ||
        image.text(QStringLiteral("Thumb::MTime")) != QString::number(mtime))
        return {};
    return image;
}

QImage ThumbnailCache::Find(std::string_view uri, std::int64_t mtime,
                            ThumbnailFlavor flavor) const {
    QImage image = ReadValid(PathFor(flavor, uri), uri, mtime);
    if (image.isNull() && flavor == ThumbnailFlavor::Normal)
        image = ReadValid(PathFor(ThumbnailFlavor::Large, uri), uri, mtime);
    return image;
}

bool ThumbnailCache::HasFailure(std::string_view uri, std::int64_t mtime) const {
    return !ReadValid(FailurePathFor(uri), uri, mtime).isNull();
}

bool ThumbnailCache::Write(const std::string& folder, const std::string& path, QImage picture,
                           std::string_view uri, std::int64_t mtime, std::uint64_t fileSize) const {
    if (!MakeFolders(folder))
        return false;
    picture.setText(QStringLiteral("Thumb::URI"),
                    QString::fromUtf8(uri.data(), static_cast<qsizetype>(uri.size())));
    picture.setText(QStringLiteral("Thumb::MTime"), QString::number(mtime));
    picture.setText(QStringLiteral("Thumb::Size"), QString::number(fileSize));
    picture.setText(QStringLiteral("Software"), QStringLiteral("Kivomat"));
    QSaveFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Private before any byte is written: the picture shows what the user's files hold.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QImageWriter writer(&file, "png");
    // zlib level 4 instead of 6: a thumbnail a few per cent larger, written in half the time.
    writer.setQuality(50);
    if (!writer.write(picture)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool ThumbnailCache::Store(std::string_view uri, std::int64_t mtime, std::uint64_t fileSize,
                           ThumbnailFlavor flavor, const QImage& picture) const {
    if (picture.isNull())
        return false;
    return Write(root_ + "/" + FlavorFolder(flavor), PathFor(flavor, uri), picture, uri, mtime,
                 fileSize);
}

bool ThumbnailCache::StoreFailure(std::string_view uri, std::int64_t mtime) const {
    QImage marker(1, 1, QImage::Format_ARGB32);
    marker.fill(Qt::transparent);
    return Write(root_ + "/" + kFailureFolder, FailurePathFor(uri), marker, uri, mtime, 0);
}

bool ThumbnailCache::Carry(std::string_view oldUri, std::int64_t oldMtime, std::string_view newUri,
                           std::int64_t newMtime, std::uint64_t fileSize) const {
    bool carried = false;
    for (const ThumbnailFlavor flavor : {ThumbnailFlavor::Normal, ThumbnailFlavor::Large}) {
        const std::string oldPath = PathFor(flavor, oldUri);
        const QImage picture = ReadValid(oldPath, oldUri, oldMtime);
        if (picture.isNull())
            continue;
        if (!Write(root_ + "/" + FlavorFolder(flavor), PathFor(flavor, newUri), picture, newUri,
                   newMtime, fileSize))
            continue;
        carried = true;
        // Nothing lives at the old name any more; its entry would only go stale.
        if (oldUri != newUri)
            ::unlink(oldPath.c_str());
    }
    return carried;
}

} // namespace kivo
