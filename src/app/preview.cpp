#include "app/preview.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QPaintEvent>
#include <QPainter>

#include <jpeglib.h>

namespace kivo {

std::optional<QRect> FitImage(int pw, int ph, int bw, int bh) {
    if (bw == 0 || pw == 0)
        return std::nullopt;
    const double panelRatio = static_cast<double>(ph) / pw;
    const double imageRatio = static_cast<double>(bh) / bw;
    // nearbyint rounds halves to even under the default rounding mode.
    if (panelRatio > imageRatio) {
        const int height = static_cast<int>(std::nearbyint(pw * imageRatio));
        return QRect(0, (ph - height) / 2, pw, height);
    }
    const int width = static_cast<int>(std::nearbyint(ph / imageRatio));
    return QRect((pw - width) / 2, 0, width, ph);
}

int PreviewScaleDenom(int imageW, int imageH, int boxW, int boxH) {
    for (int denom : {8, 4, 2}) {
        // libjpeg rounds scaled sides up.
        const int w = (imageW + denom - 1) / denom;
        const int h = (imageH + denom - 1) / denom;
        if (w >= boxW && h >= boxH)
            return denom;
    }
    return 1;
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
    DecodedPreview result;
    bool cmyk = false;
    bool allocate(int width, int height) {
        const std::size_t bytes = std::size_t(width) * std::size_t(height) * 3;
        if (width <= 0 || height <= 0 || bytes > kMaxPictureBytes)
            return false;
        result.picture = QImage(width, height, QImage::Format_RGB888);
        return !result.picture.isNull();
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
               int panelW, int panelH, DecodeTarget& target, unsigned char* cmykRow,
               std::size_t cmykRowBytes) {
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
    int denom = 1;
    if (panelW > 0 && panelH > 0) {
        if (const auto box = FitImage(panelW, panelH, trueW, trueH))
            denom = PreviewScaleDenom(trueW, trueH, box->width(), box->height());
    }
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

} // namespace

namespace {

std::optional<DecodedPreview> Decode(const unsigned char* data, std::size_t size, std::FILE* file,
                                     int panelW, int panelH) {
    // JPEG sides are at most 65535, so one CMYK row fits in this buffer at any scale.
    std::vector<unsigned char> cmykRow(65536u * 4u);
    Decompressor d;
    DecodeTarget target;
    if (!RunDecode(d, data, size, file, panelW, panelH, target, cmykRow.data(), cmykRow.size()))
        return std::nullopt;
    return std::move(target.result);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

std::optional<DecodedPreview> DecodeJpegPreview(const unsigned char* data, std::size_t size,
                                                int panelW, int panelH) {
    if (data == nullptr || size == 0)
        return std::nullopt;
    return Decode(data, size, nullptr, panelW, panelH);
}

std::optional<DecodedPreview> DecodeJpegFilePreview(const std::string& path, int panelW,
                                                    int panelH) {
    // Only regular files: opening a FIFO of that name must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // Read as libjpeg needs it: a huge file is never loaded whole.
    std::unique_ptr<std::FILE, FileCloser> file(::fdopen(fd, "rb"));
    if (!file) {
        ::close(fd);
        return std::nullopt;
    }
    return Decode(nullptr, 0, file.get(), panelW, panelH);
}

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TImage::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), picture_);
}

} // namespace kivo
