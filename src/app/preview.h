#pragma once
// The main window's JPEG preview: decoding at the smallest DCT scale that still covers the
// panel in device pixels, as the camera held it, and the arithmetic that fits the picture
// into the panel.

#include <optional>
#include <string>

#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include "browser/image_decode.h"

namespace kivo {

// The box of the image inside a panel of pw x ph for a picture of bw x bh (true size).
// Empty optional when bw or pw is 0: the image keeps its place.
std::optional<QRect> FitImage(int pw, int ph, int bw, int bh);

// Denominator of the libjpeg scale (1, 2, 4 or 8) for an image of imageW x imageH shown in
// a box of boxW x boxH: the smallest picture whose sides still reach the box's.
inline int PreviewScaleDenom(int imageW, int imageH, int boxW, int boxH) {
    return JpegScaleDenom(imageW, imageH, boxW, boxH);
}

// The picture as the camera held it (EXIF orientation applied), reduced by the DCT scale;
// trueWidth x trueHeight is the full image as shown.
using DecodedPreview = DecodedImage;

// The box the picture must cover in device pixels: the fitted box times the ratio.
QSize PreviewDeviceBox(int panelW, int panelH, int trueW, int trueH, qreal devicePixelRatio);

// Decodes a JPEG held in memory so that it covers a panel of panelW x panelH logical pixels
// on a screen of `devicePixelRatio` (the picture is later scaled to the box FitImage gives).
// panelW or panelH <= 0 decodes at full size. Any libjpeg error gives an empty optional;
// the process never ends on bad data.
std::optional<DecodedPreview> DecodeJpegPreview(const unsigned char* data, std::size_t size,
                                                int panelW, int panelH,
                                                qreal devicePixelRatio = 1.0);
// The same for a file.
std::optional<DecodedPreview> DecodeJpegFilePreview(const std::string& path, int panelW, int panelH,
                                                    qreal devicePixelRatio = 1.0);

// `Image1`: shows its picture stretched to its own size. The stretch is one smooth scale to
// the widget's size in device pixels, made again only when that size changes.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    // What is painted: the picture at the widget's device size, carrying the screen's ratio.
    const QPixmap& shownPixmap();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    QPixmap shown_;
};

} // namespace kivo
