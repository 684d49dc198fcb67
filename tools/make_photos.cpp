// Writes a few generated JPEG "photos" into a folder, for screenshots and manual runs.
// Usage: make_photos FOLDER [COUNT]

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [COUNT]\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int count = argc > 2 ? std::atoi(argv[2]) : 6;
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const bool portrait = i % 3 == 2;
        QImage img(portrait ? 1200 : 1600, portrait ? 1600 : 1200, QImage::Format_RGB32);
        QPainter p(&img);
        QLinearGradient sky(0, 0, 0, img.height());
        sky.setColorAt(0, QColor::fromHsv((200 + 25 * i) % 360, 120, 240));
        sky.setColorAt(1, QColor::fromHsv((40 + 30 * i) % 360, 90, 255));
        p.fillRect(img.rect(), sky);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(255, 220, 80));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(img.width() * 0.75, img.height() * 0.25), img.width() * 0.08,
                      img.width() * 0.08);
        QPolygonF hills;
        hills << QPointF(0, img.height());
        for (int x = 0; x <= 10; ++x)
            hills << QPointF(img.width() * x / 10.0,
                             img.height() * (0.6 + 0.12 * ((x * (i + 3)) % 4) / 3.0));
        hills << QPointF(img.width(), img.height());
        p.setBrush(QColor::fromHsv((100 + 15 * i) % 360, 160, 140));
        p.drawPolygon(hills);
        p.end();
        img.save(QStringLiteral("%1/IMG_%2.jpg").arg(folder).arg(1001 + i, 4, 10, QLatin1Char('0')),
                 "JPEG", 88);
    }
    QDir().mkpath(folder + QStringLiteral("/Výlet"));
    return 0;
}
