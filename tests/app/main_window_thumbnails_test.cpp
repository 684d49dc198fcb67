// The main window in its default large-icon style on a folder of photos: every photo shows
// its thumbnail, a portrait one standing upright as the camera held it. With
// KIVO_SCREENSHOT_DIR set the window is also saved there as large_icons.png (the README's
// picture).

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QBuffer>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QTest>

#include "app/main_window.h"
#include "browser/file_list_model.h"
#include "browser/file_list_view.h"
#include "support/photo_exif.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

int argc = 1;
char arg0[] = "main_window_thumbnails_test";
char* argv[] = {arg0, nullptr};

// A landscape of its own colours: sky, sun and hills. When `turned` the camera was held
// upright: the picture is tall, stored on its side with the EXIF orientation that turns it.
std::vector<std::uint8_t> Photo(int i, bool turned) {
    QImage img(turned ? 800 : 1200, turned ? 1200 : 800, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient sky(0, 0, 0, img.height());
    sky.setColorAt(0, QColor::fromHsv((200 + 37 * i) % 360, 130, 235));
    sky.setColorAt(1, QColor::fromHsv((30 + 41 * i) % 360, 80, 255));
    p.fillRect(img.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 215, 70));
    p.drawEllipse(QPoint(250 + 60 * i, 230), 110, 110);
    p.setBrush(QColor::fromHsv((90 + 23 * i) % 360, 150, 140));
    p.drawEllipse(QRect(-300, img.height() - 280, 1100, 600));
    p.setBrush(QColor::fromHsv((110 + 19 * i) % 360, 170, 110));
    p.drawEllipse(QRect(400, img.height() - 240, 1200, 600));
    p.end();
    const QImage stored = turned ? img.transformed(QTransform().rotate(-90)) : img;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    stored.save(&buffer, "JPEG", 85);
    const std::vector<std::uint8_t> jpeg(bytes.begin(), bytes.end());
    return turned ? test::WithExif(jpeg, test::OrientationTiff(6)) : jpeg;
}

TEST(MainWindowThumbnails, LargeIconsShowEveryPhotoAsTheCameraHeldIt) {
    if (QApplication::instance() == nullptr)
        new QApplication(argc, argv);
    test::TempDir dir;
    const std::string data = dir.mkdir("data");
    const std::string photos = dir.mkdir("Dovolena");
    ::setenv("KIVO_DATA_DIR", data.c_str(), 1);
    ::setenv("XDG_DATA_HOME", dir.mkdir("xdg").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", dir.mkdir("cache").c_str(), 1);
    dir.write("data/kivo.ini", "[Nastaveni]\r\nvzhled=1\r\nsirka=560\r\n");
    constexpr int kPhotos = 8;
    for (int i = 0; i < kPhotos; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Dovolena/IMG_%04d.JPG", 4711 + i);
        dir.write(name, Photo(i, i == 2));
    }

    auto window = std::make_unique<TFHlavni>(QStringList{QString::fromStdString(photos + "/")});
    window->resize(900, 700);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    TFileListView& list = *window->SLV;
    ASSERT_EQ(list.ViewStyle(), vsIcon);

    auto thumbnailOf = [&](int row) {
        const QVariant v = list.Model()->index(row, 0).data(Qt::DecorationRole);
        return v.typeId() == QMetaType::QPixmap ? v.value<QPixmap>() : QPixmap();
    };
    auto photoRows = [&] {
        std::vector<int> rows;
        for (int r = 0; r < list.ItemCount(); ++r)
            if (list.Item(r).caption.startsWith(QLatin1String("IMG_")))
                rows.push_back(r);
        return rows;
    };
    ASSERT_EQ(photoRows().size(), static_cast<std::size_t>(kPhotos));
    const bool all = QTest::qWaitFor(
        [&] {
            for (int r : photoRows())
                if (thumbnailOf(r).isNull())
                    return false;
            return true;
        },
        20000);
    ASSERT_TRUE(all) << "every photo gets its thumbnail";
    for (int r : photoRows()) {
        const QPixmap t = thumbnailOf(r);
        const QSize logical = t.deviceIndependentSize().toSize();
        EXPECT_EQ(std::max(logical.width(), logical.height()), kLargeThumbnail);
        const bool portrait = list.Item(r).caption == QLatin1String("IMG_4713.JPG");
        EXPECT_EQ(t.height() > t.width(), portrait) << list.Item(r).caption.toStdString();
    }

    if (const char* out = std::getenv("KIVO_SCREENSHOT_DIR"); out != nullptr && *out) {
        QTest::qWait(300); // the last pictures painted
        EXPECT_TRUE(window->grab().save(QString::fromLocal8Bit(out) + "/large_icons.png"));
    }
    window.reset();
    ::unsetenv("KIVO_DATA_DIR");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_CACHE_HOME");
}

} // namespace
} // namespace kivo
