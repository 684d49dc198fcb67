#pragma once
// The desktop's shared thumbnail cache: $XDG_CACHE_HOME/thumbnails/{normal,large}/ holds
// <md5 of the file URI>.png with the URI and the file's mtime in its text chunks, so that
// thumbnails written by any program are reused, and ours by them. Files that cannot be
// thumbnailed get a 1x1 marker under fail/kivomat-1.0/ so that they are not tried again
// until they change. No widget here; safe on any thread.

#include <cstdint>
#include <string>
#include <string_view>

#include <QImage>

namespace kivo {

enum class ThumbnailFlavor { Normal, Large };
// Longest side of a flavour's pictures: 128 and 256 pixels.
int FlavorSize(ThumbnailFlavor flavor);

// file:// URI of an absolute path, percent-encoded as GLib does it: letters, digits and
// !$&'()*+,-.:=@_~/ stay, every other byte becomes %XX. The name is bytes, not text.
std::string ThumbnailUri(std::string_view absolutePath);
// Lower-case hex md5 of the URI, the cached file's name without ".png".
std::string ThumbnailHash(std::string_view uri);

class ThumbnailCache {
public:
    // `root` is the "thumbnails" folder itself.
    explicit ThumbnailCache(std::string root);
    // $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails when that is not set.
    static std::string DefaultRoot();
    const std::string& Root() const { return root_; }

    std::string PathFor(ThumbnailFlavor flavor, std::string_view uri) const;
    std::string FailurePathFor(std::string_view uri) const;

    // The cached picture when its URI is this one and its mtime equals `mtime` (a newer or
    // older one is stale); a null image otherwise. A large one serves a normal request.
    QImage Find(std::string_view uri, std::int64_t mtime, ThumbnailFlavor flavor) const;
    bool HasFailure(std::string_view uri, std::int64_t mtime) const;

    // Writes the picture with the standard's tags through a temporary file (mode 0600) that
    // replaces the old entry only when complete. False when it cannot be written.
    bool Store(std::string_view uri, std::int64_t mtime, std::uint64_t fileSize,
               ThumbnailFlavor flavor, const QImage& picture) const;
    bool StoreFailure(std::string_view uri, std::int64_t mtime) const;

    // A file we renamed or re-timed takes its valid thumbnails along: they are stored under
    // the new URI and mtime (and gone from the old URI), so no program has to make them
    // again. True when there was one to carry.
    bool Carry(std::string_view oldUri, std::int64_t oldMtime, std::string_view newUri,
               std::int64_t newMtime, std::uint64_t fileSize) const;

private:
    QImage ReadValid(const std::string& path, std::string_view uri, std::int64_t mtime) const;
    bool Write(const std::string& folder, const std::string& path, QImage picture,
               std::string_view uri, std::int64_t mtime, std::uint64_t fileSize) const;

    std::string root_;
};

} // namespace kivo
