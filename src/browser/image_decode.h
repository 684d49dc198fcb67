#pragma once
// Decoding pictures for showing them: JPEG through libjpeg at the smallest DCT scale that
// still covers the size wanted, shown as the camera held it (EXIF orientation). Shared by
// the preview and the thumbnails; no widget here, safe on any thread.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include <QImage>
#include <QSize>

namespace kivo {

// Denominator of the libjpeg scale (1, 2, 4 or 8) for a stored image of imageW x imageH that
// must cover boxW x boxH: the smallest picture whose sides still reach the box's.
int JpegScaleDenom(int imageW, int imageH, int boxW, int boxH);

// The stored picture turned and mirrored for EXIF orientation 1-8 (any other value: as is).
QImage ApplyOrientation(const QImage& stored, int orientation);
// Size as shown of a stored size.
QSize OrientedSize(QSize stored, int orientation);

struct DecodedImage {
    QImage picture;    // as shown (oriented), possibly reduced by the DCT scale
    int trueWidth = 0; // the full image as shown
    int trueHeight = 0;
    int scaleDenom = 1;
    int orientation = 1;
};

// Given the full image's size as shown, the size the decoded picture must cover as shown;
// an empty size decodes at full size.
using CoverFor = std::function<QSize(QSize trueShown)>;

// Any libjpeg error gives an empty optional; the process never ends on bad data. A picture
// over the memory limit is refused. A large picture wanted at one eighth is decoded by our
// own decoder on up to `threads` threads (see jpeg_dc_decode.h), the same picture libjpeg
// gives but sooner.
std::optional<DecodedImage> DecodeJpegBytes(std::span<const std::uint8_t> bytes,
                                            const CoverFor& cover, int threads = 1);
// The same for a regular file (anything else is refused without blocking); the file is
// streamed, except that a large picture decoded at one eighth is read whole first.
std::optional<DecodedImage> DecodeJpegFile(const std::string& path, const CoverFor& cover,
                                           int threads = 1);
// The same over an open descriptor positioned anywhere; it is read from its start.
std::optional<DecodedImage> DecodeJpegFd(int fd, const CoverFor& cover, int threads = 1);
// The same when the file's first bytes and its EXIF orientation are already known: `head`
// holds the bytes from offset 0 (any length) and is not read again.
std::optional<DecodedImage> DecodeJpegFd(int fd, std::span<const std::uint8_t> head,
                                         int orientation, const CoverFor& cover, int threads = 1);

} // namespace kivo
