#include "app/preview.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include <QPaintEvent>
#include <QPainter>

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

QSize PreviewDeviceBox(int panelW, int panelH, int trueW, int trueH, qreal devicePixelRatio) {
    if (panelW <= 0 || panelH <= 0)
        return {};
    const auto box = FitImage(panelW, panelH, trueW, trueH);
    if (!box)
        return {};
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    return QSize(static_cast<int>(std::ceil(box->width() * ratio)),
                 static_cast<int>(std::ceil(box->height() * ratio)));
}

namespace {

// The preview is one picture the user waits for: every core may help decode it.
int PreviewThreads() {
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

CoverFor PanelCover(int panelW, int panelH, qreal devicePixelRatio) {
    return [=](QSize shown) {
        return PreviewDeviceBox(panelW, panelH, shown.width(), shown.height(), devicePixelRatio);
    };
}

} // namespace

std::optional<DecodedPreview> DecodeJpegPreview(const unsigned char* data, std::size_t size,
                                                int panelW, int panelH, qreal devicePixelRatio) {
    if (data == nullptr || size == 0)
        return std::nullopt;
    return DecodeJpegBytes({data, size}, PanelCover(panelW, panelH, devicePixelRatio),
                           PreviewThreads());
}

std::optional<DecodedPreview> DecodeJpegFilePreview(const std::string& path, int panelW, int panelH,
                                                    qreal devicePixelRatio) {
    return DecodeJpegFile(path, PanelCover(panelW, panelH, devicePixelRatio), PreviewThreads());
}

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TImage::setPicture(const QImage& picture) {
    picture_ = picture;
    shown_ = QPixmap();
    update();
}

const QPixmap& TImage::shownPixmap() {
    const qreal ratio = devicePixelRatioF();
    const QSize device(static_cast<int>(std::ceil(width() * ratio)),
                       static_cast<int>(std::ceil(height() * ratio)));
    if (picture_.isNull() || device.isEmpty()) {
        shown_ = QPixmap();
        return shown_;
    }
    if (shown_.size() != device || shown_.devicePixelRatio() != ratio) {
        shown_ = QPixmap::fromImage(
            picture_.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        shown_.setDevicePixelRatio(ratio);
    }
    return shown_;
}

void TImage::paintEvent(QPaintEvent*) {
    const QPixmap& shown = shownPixmap();
    if (shown.isNull())
        return;
    QPainter p(this);
    p.drawPixmap(rect(), shown);
}

} // namespace kivo
