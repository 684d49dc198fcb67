#include "browser/image_decode.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <sys/types.h>
#include <unistd.h>

#include <QTransform>

#include <jpeglib.h>

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

// Where RunDecode puts its result; allocating happens here so that no object with a
// destructor lives in RunDecode's frame when libjpeg jumps back.
struct DecodeTarget {
    DecodedImage result;
    const CoverFor* cover = nullptr;
    bool cmyk = false;
    bool allocate(int width, int height) {
        const std::size_t bytes = std::size_t(width) * std::size_t(height) * 3;
        if (width <= 0 || height <= 0 || bytes > kMaxPictureBytes)
            return false;
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
// The data comes from memory or, when `file` is given, is read from it as needed.
bool RunDecode(Decompressor& d, const unsigned char* data, std::size_t size, std::FILE* file,
               DecodeTarget& target, unsigned char* cmykRow, std::size_t cmykRowBytes) {
    jpeg_decompress_struct& cinfo = d.cinfo();
    if (setjmp(d.errors().jump))
        return false;
    jpeg_create_decompress(&cinfo);
    d.markCreated();
    if (file != nullptr)
        jpeg_stdio_src(&cinfo, file);
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
    if (target.cmyk && std::size_t(outW) * 4 > cmykRowBytes)
        return false;
    if (!target.allocate(outW, outH))
        return false;
    target.result.trueWidth = trueW;
    target.result.trueHeight = trueH;
    target.result.scaleDenom = denom;

    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = target.cmyk ? cmykRow : target.row(y);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            return false;
        if (target.cmyk)
            CmykRowToRgb(cmykRow, target.row(y), outW);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

std::optional<DecodedImage> Decode(const unsigned char* data, std::size_t size, std::FILE* file,
                                   int orientation, const CoverFor& cover) {
    // JPEG sides are at most 65535, so one CMYK row fits in this buffer at any scale.
    std::vector<unsigned char> cmykRow(65536u * 4u);
    Decompressor d;
    DecodeTarget target;
    target.cover = &cover;
    target.result.orientation = orientation;
    if (!RunDecode(d, data, size, file, target, cmykRow.data(), cmykRow.size()))
        return std::nullopt;
    DecodedImage& r = target.result;
    const QSize shown = OrientedSize(QSize(r.trueWidth, r.trueHeight), orientation);
    r.trueWidth = shown.width();
    r.trueHeight = shown.height();
    r.picture = ApplyOrientation(r.picture, orientation);
    return std::move(target.result);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

std::optional<DecodedImage> DecodeJpegBytes(std::span<const std::uint8_t> bytes,
                                            const CoverFor& cover) {
    if (bytes.empty())
        return std::nullopt;
    const JpegExifHead head = ReadJpegExifHead(bytes.first(std::min(bytes.size(), kExifHeadBytes)));
    return Decode(bytes.data(), bytes.size(), nullptr, head.orientation, cover);
}

std::optional<DecodedImage> DecodeJpegFd(int fd, const CoverFor& cover) {
    std::vector<std::uint8_t> head(kExifHeadBytes);
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    if (got <= 0)
        return std::nullopt;
    head.resize(static_cast<std::size_t>(got));
    const int orientation = ReadJpegExifHead(head).orientation;
    // A file that fits in the head is decoded from memory: no second read.
    if (static_cast<std::size_t>(got) < kExifHeadBytes)
        return Decode(head.data(), head.size(), nullptr, orientation, cover);
    // Read as libjpeg needs it: a huge file is never loaded whole.
    UniqueFd own(::dup(fd));
    if (!own || ::lseek(own.get(), 0, SEEK_SET) != 0)
        return std::nullopt;
    std::unique_ptr<std::FILE, FileCloser> file(::fdopen(own.get(), "rb"));
    if (!file)
        return std::nullopt;
    own.release();
    return Decode(nullptr, 0, file.get(), orientation, cover);
}

std::optional<DecodedImage> DecodeJpegFile(const std::string& path, const CoverFor& cover) {
    // Only regular files: opening a FIFO of that name must not wait for a writer.
    const RegularFile f = OpenRegularFile(path);
    if (!f)
        return std::nullopt;
    return DecodeJpegFd(f.fd.get(), cover);
}

} // namespace kivo
