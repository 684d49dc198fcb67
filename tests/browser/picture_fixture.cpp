#include "picture_fixture.h"

#include <cstdlib>

#include <QBuffer>
#include <QPainter>

namespace kivo::test {

QImage MarkedPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    const int bw = width / 4, bh = height / 4;
    p.fillRect(0, 0, bw, bh, QColor(255, 0, 0));
    p.fillRect(width - bw, 0, bw, bh, QColor(0, 255, 0));
    return image;
}

std::vector<std::uint8_t> Encode(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return {bytes.begin(), bytes.end()};
}

int CornerOf(const QImage& image, QRgb colour) {
    const int w = image.width(), h = image.height();
    if (w < 4 || h < 4)
        return -1;
    const QPoint probes[] = {{w / 16, h / 16},
                             {w - 1 - w / 16, h / 16},
                             {w - 1 - w / 16, h - 1 - h / 16},
                             {w / 16, h - 1 - h / 16}};
    for (int i = 0; i < 4; ++i) {
        const QRgb px = image.pixel(probes[i]);
        if (std::abs(qRed(px) - qRed(colour)) < 60 && std::abs(qGreen(px) - qGreen(colour)) < 60 &&
            std::abs(qBlue(px) - qBlue(colour)) < 60)
            return i;
    }
    return -1;
}

} // namespace kivo::test
