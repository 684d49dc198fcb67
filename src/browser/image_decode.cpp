#include "browser/image_decode.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <QTransform>

#include <jpeglib.h>

#include "browser/jpeg_dc_decode.h"
#include "exif/exif_head.h"
#include "platform/regular_file.h"

namespace kivo {

int JpegScaleDenom(int imageW, int imageH, int boxW, int boxH) {
    for (int denom : {8, 4, 2}) {
        // libjpeg rounds scaled sides up.
        const int w = (imageW + denom - 1) / denom;
        const int h = (imageH + denom - 1) / denom;
        if (w >= boxW && h >= boxH)
            return denom;
    }
    return 1;
}

QImage ApplyOrientation(const QImage& stored, int orientation) {
    switch (orientation) {
    case 2:
        return stored.mirrored(true, false);
    case 3:
        return stored.mirrored(true, true);
    case 4:
        return stored.mirrored(false, true);
    case 5: // transpose
        return stored.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
        return stored.transformed(QTransform().rotate(90));
    case 7: // transverse
        return stored.transformed(QTransform().rotate(90)).mirrored(false, true);
    case 8:
        return stored.transformed(QTransform().rotate(270));
    default:
        return stored;
    }
}

QSize OrientedSize(QSize stored, int orientation) {
    return OrientationSwapsSides(orientation) ? stored.transposed() : stored;
}

namespace {

// A decoded picture larger than this is refused rather than risking the memory.
constexpr std::size_t kMaxPictureBytes = std::size_t{512} << 20;

// libjpeg's error manager extended with the jump back into RunDecode.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

extern "C" void OnJpegError(j_common_ptr cinfo) {
    auto* mgr = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(mgr->jump, 1);
}

extern "C" void OnJpegMessage(j_common_ptr) {
    // Warnings (a truncated file) are not errors; nothing goes to stderr.
}

// Owns the decompressor; destroying it releases every libjpeg allocation.
class Decompressor {
public:
    Decompressor() {
        std::memset(&cinfo_, 0, sizeof cinfo_);
        cinfo_.err = jpeg_std_error(&err_.pub);
        err_.pub.error_exit = OnJpegError;
        err_.pub.output_message = OnJpegMessage;
    }
    ~Decompressor() {
        if (created_)
            jpeg_destroy_decompress(&cinfo_);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct& cinfo() { return cinfo_; }
    ErrorManager& errors() { return err_; }
    void markCreated() { created_ = true; }

private:
    jpeg_decompress_struct cinfo_;
    ErrorManager err_;
    bool created_ = false;
};

// libjpeg's source reading a descriptor in large chunks: few system calls, and libjpeg's
// fast entropy decoder, which wants a few hundred bytes ahead, seldom falls back to its
// slow one at a chunk's end. The file's first bytes, already read by the caller, are
// served from memory first. The end of the file ends the picture (a fake EOI marker), as
// libjpeg's own sources do for a truncated file.
struct FdSource {
    static constexpr std::size_t kChunk = std::size_t{1} << 20;

    jpeg_source_mgr pub{};
    int fd = -1;
    off_t next = 0; // file offset of the next chunk
    std::span<const std::uint8_t> head;
    bool headServed = false;
    std::unique_ptr<unsigned char[]> chunk; // kChunk bytes, left uninitialised

    void attach(j_decompress_ptr cinfo) {
        pub.init_source = [](j_decompress_ptr) {};
        pub.fill_input_buffer = &FdSource::Fill;
        pub.skip_input_data = &FdSource::Skip;
        pub.resync_to_restart = jpeg_resync_to_restart;
        pub.term_source = [](j_decompress_ptr) {};
        pub.bytes_in_buffer = 0;
        pub.next_input_byte = nullptr;
        cinfo->src = &pub;
        cinfo->client_data = this;
    }

    static FdSource& Of(j_decompress_ptr cinfo) {
        return *static_cast<FdSource*>(cinfo->client_data);
    }

    static boolean Fill(j_decompress_ptr cinfo) {
        static const JOCTET kEoi[2] = {0xFF, JPEG_EOI};
        FdSource& s = Of(cinfo);
        if (!s.headServed) {
            s.headServed = true;
            s.next = static_cast<off_t>(s.head.size());
            if (!s.head.empty()) {
                s.pub.next_input_byte = s.head.data();
                s.pub.bytes_in_buffer = s.head.size();
                return TRUE;
            }
        }
        ssize_t got = -1;
        do
            got = ::pread(s.fd, s.chunk.get(), kChunk, s.next);
        while (got < 0 && errno == EINTR);
        if (got <= 0) {
            s.pub.next_input_byte = kEoi;
            s.pub.bytes_in_buffer = sizeof kEoi;
            return TRUE;
        }
        s.next += got;
        s.pub.next_input_byte = s.chunk.get();
        s.pub.bytes_in_buffer = static_cast<std::size_t>(got);
        return TRUE;
    }

    static void Skip(j_decompress_ptr cinfo, long count) {
        FdSource& s = Of(cinfo);
        if (count <= 0)
            return;
        if (!s.headServed)
            Fill(cinfo);
        const auto n = static_cast<std::size_t>(count);
        if (n <= s.pub.bytes_in_buffer) {
            s.pub.next_input_byte += n;
            s.pub.bytes_in_buffer -= n;
            return;
        }
        // What lies beyond the bytes held is skipped unread: the held ones end at `next`.
        s.next += static_cast<off_t>(n - s.pub.bytes_in_buffer);
        s.pub.bytes_in_buffer = 0;
        Fill(cinfo);
    }
};

// Where RunDecode puts its result; allocating happens here so that no object with a
// destructor lives in RunDecode's frame when libjpeg jumps back.
struct DecodeTarget {
    DecodedImage result;
    const CoverFor* cover = nullptr;
    FdSource* source = nullptr; // else the bytes given
    bool cmyk = false;
    std::vector<unsigned char> cmykRow;
    bool allocate(int width, int height) {
        const std::size_t bytes = std::size_t(width) * std::size_t(height) * 3;
        if (width <= 0 || height <= 0 || bytes > kMaxPictureBytes)
            return false;
        if (cmyk)
            cmykRow.resize(std::size_t(width) * 4);
        result.picture = QImage(width, height, QImage::Format_RGB888);
        return !result.picture.isNull();
    }
    int denomFor(int trueW, int trueH) const {
        if (cover == nullptr || !*cover)
            return 1;
        const int o = result.orientation;
        const QSize want = (*cover)(OrientedSize(QSize(trueW, trueH), o));
        if (want.isEmpty())
            return 1;
        const QSize stored = OrientedSize(want, o); // the same swap turns it back
        return JpegScaleDenom(trueW, trueH, stored.width(), stored.height());
    }
    unsigned char* row(int y) { return result.picture.scanLine(y); }
};

// Adobe writes CMYK inverted; libjpeg hands it over as stored.
void CmykRowToRgb(const unsigned char* cmyk, unsigned char* rgb, int width) {
    for (int x = 0; x < width; ++x) {
        const unsigned k = cmyk[4 * x + 3];
        rgb[3 * x + 0] = static_cast<unsigned char>(cmyk[4 * x + 0] * k / 255);
        rgb[3 * x + 1] = static_cast<unsigned char>(cmyk[4 * x + 1] * k / 255);
        rgb[3 * x + 2] = static_cast<unsigned char>(cmyk[4 * x + 2] * k / 255);
    }
}

// Every libjpeg call happens inside this one function, under its setjmp. Between the setjmp
// and the last libjpeg call only trivially destructible locals live here.
// The data comes from memory or, when the target has a source, is read from its file.
bool RunDecode(Decompressor& d, const unsigned char* data, std::size_t size, DecodeTarget& target) {
    jpeg_decompress_struct& cinfo = d.cinfo();
    if (setjmp(d.errors().jump))
        return false;
    jpeg_create_decompress(&cinfo);
    d.markCreated();
    if (target.source != nullptr)
        target.source->attach(&cinfo);
    else
        jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        return false;

    const int trueW = static_cast<int>(cinfo.image_width);
    const int trueH = static_cast<int>(cinfo.image_height);
    const int denom = target.denomFor(trueW, trueH);
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(denom);
    target.cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = target.cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_calc_output_dimensions(&cinfo);
    const int outW = static_cast<int>(cinfo.output_width);
    const int outH = static_cast<int>(cinfo.output_height);
    if (!target.allocate(outW, outH))
        return false;
    target.result.trueWidth = trueW;
    target.result.trueHeight = trueH;
    target.result.scaleDenom = denom;

    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = target.cmyk ? target.cmykRow.data() : target.row(y);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            return false;
        if (target.cmyk)
            CmykRowToRgb(row, target.row(y), outW);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

// From this size on a picture wanted at one eighth goes to the one-eighth decoder; smaller
// ones decode in a few milliseconds either way.
constexpr std::int64_t kEighthMinPixels = 2'000'000;
// A file read whole for that decoder is at most this large.
constexpr off_t kEighthMaxFile = off_t{256} << 20;

DecodedImage Shown(DecodedImage r) {
    const QSize shown = OrientedSize(QSize(r.trueWidth, r.trueHeight), r.orientation);
    r.trueWidth = shown.width();
    r.trueHeight = shown.height();
    r.picture = ApplyOrientation(r.picture, r.orientation);
    return r;
}

// Whether the markers in `head` make a picture for the one-eighth decoder at the scale wanted.
bool ForEighth(std::span<const std::uint8_t> head, int orientation, const CoverFor& cover) {
    const auto size = JpegEighthSize(head);
    if (!size || std::int64_t{size->width()} * size->height() < kEighthMinPixels)
        return false;
    DecodeTarget t;
    t.cover = &cover;
    t.result.orientation = orientation;
    return t.denomFor(size->width(), size->height()) == 8;
}

std::optional<DecodedImage> DecodeEighth(std::span<const std::uint8_t> bytes, int orientation,
                                         int threads) {
    const auto size = JpegEighthSize(bytes);
    auto picture = DecodeJpegEighth(bytes, threads);
    if (!size || !picture)
        return std::nullopt;
    DecodedImage r;
    r.picture = std::move(*picture);
    r.trueWidth = size->width();
    r.trueHeight = size->height();
    r.scaleDenom = 8;
    r.orientation = orientation;
    return Shown(std::move(r));
}

// The whole file for the one-eighth decoder, its first bytes taken from `head`; empty when it
// is too large or cannot be read.
std::vector<std::uint8_t> WholeFile(int fd, std::span<const std::uint8_t> head) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size > kEighthMaxFile ||
        st.st_size < static_cast<off_t>(head.size()))
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::copy(head.begin(), head.end(), bytes.begin());
    std::size_t at = head.size();
    while (at < bytes.size()) {
        const ssize_t got =
            ::pread(fd, bytes.data() + at, bytes.size() - at, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // shorter than it was: what there is
        at += static_cast<std::size_t>(got);
    }
    bytes.resize(at);
    return bytes;
}

std::optional<DecodedImage> Decode(const unsigned char* data, std::size_t size, FdSource* source,
                                   int orientation, const CoverFor& cover) {
    Decompressor d;
    DecodeTarget target;
    target.cover = &cover;
    target.source = source;
    target.result.orientation = orientation;
    if (!RunDecode(d, data, size, target))
        return std::nullopt;
    return Shown(std::move(target.result));
}

} // namespace

std::optional<DecodedImage> DecodeJpegBytes(std::span<const std::uint8_t> bytes,
                                            const CoverFor& cover, int threads) {
    if (bytes.empty())
        return std::nullopt;
    const JpegExifHead head = ReadJpegExifHead(bytes.first(std::min(bytes.size(), kExifHeadBytes)));
    if (ForEighth(bytes, head.orientation, cover))
        if (auto r = DecodeEighth(bytes, head.orientation, threads))
            return r;
    return Decode(bytes.data(), bytes.size(), nullptr, head.orientation, cover);
}

std::optional<DecodedImage> DecodeJpegFd(int fd, const CoverFor& cover, int threads) {
    std::vector<std::uint8_t> head(kExifHeadBytes);
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    if (got <= 0)
        return std::nullopt;
    head.resize(static_cast<std::size_t>(got));
    return DecodeJpegFd(fd, head, ReadJpegExifHead(head).orientation, cover, threads);
}

std::optional<DecodedImage> DecodeJpegFd(int fd, std::span<const std::uint8_t> head,
                                         int orientation, const CoverFor& cover, int threads) {
    if (ForEighth(head, orientation, cover)) {
        const std::vector<std::uint8_t> whole = WholeFile(fd, head);
        if (auto r = DecodeEighth(whole, orientation, threads))
            return r;
    }
    FdSource source;
    source.fd = fd;
    source.head = head;
    source.chunk.reset(new unsigned char[FdSource::kChunk]);
    return Decode(nullptr, 0, &source, orientation, cover);
}

std::optional<DecodedImage> DecodeJpegFile(const std::string& path, const CoverFor& cover,
                                           int threads) {
    // Only regular files: opening a FIFO of that name must not wait for a writer.
    const RegularFile f = OpenRegularFile(path);
    if (!f)
        return std::nullopt;
    return DecodeJpegFd(f.fd.get(), cover, threads);
}

} // namespace kivo
