#pragma once
// The main window's JPEG preview: decoding at the smallest DCT scale that still covers the
// panel, and the arithmetic that fits the picture into the panel.

#include <optional>
#include <string>

#include <QImage>
#include <QRect>
#include <QWidget>

namespace kivo {

// The box of the image inside a panel of pw x ph for a picture of bw x bh (true size).
// Empty optional when bw or pw is 0: the image keeps its place.
std::optional<QRect> FitImage(int pw, int ph, int bw, int bh);

// Denominator of the libjpeg scale (1, 2, 4 or 8) for an image of imageW x imageH shown in
// a box of boxW x boxH: the smallest picture whose sides still reach the box's.
int PreviewScaleDenom(int imageW, int imageH, int boxW, int boxH);

struct DecodedPreview {
    QImage picture; // 24-bit RGB, possibly reduced by the DCT scale
    int trueWidth = 0;
    int trueHeight = 0;
    int scaleDenom = 1;
};

// Decodes a JPEG held in memory so that it covers a panel of panelW x panelH (the picture is
// later stretched to the box FitImage gives). panelW or panelH <= 0 decodes at full size.
// Any libjpeg error gives an empty optional; the process never ends on bad data.
std::optional<DecodedPreview> DecodeJpegPreview(const unsigned char* data, std::size_t size,
                                                int panelW, int panelH);
// The same for a file.
std::optional<DecodedPreview> DecodeJpegFilePreview(const std::string& path, int panelW,
                                                    int panelH);

// `Image1`: shows its picture stretched to its own size.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

} // namespace kivo
