// Thumbnails without a window: their sources, the shared cache and the worker queue.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "browser/thumbnail_loader.h"
#include "picture_fixture.h"
#include "support/photo_exif.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // Nothing here may reach the user's own cache.
        static test::TempDir home;
        setenv("XDG_CACHE_HOME", home.path().c_str(), 1);
        if (!QCoreApplication::instance())
            app_ = new QCoreApplication(argc_, argv_);
    }
    void TearDown() override { delete app_; }

private:
    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[2] = {arg0_, nullptr};
    QCoreApplication* app_ = nullptr;
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

void SetMtime(const std::string& path, std::time_t t) {
    const timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(ThumbnailUri, EscapesAsGLibAndHashesAsTheStandardShows) {
    EXPECT_EQ(ThumbnailUri("/home/jens/photos/me.png"), "file:///home/jens/photos/me.png");
    // The standard's own example.
    EXPECT_EQ(ThumbnailHash("file:///home/jens/photos/me.png"), "c6ee772d9e49320e97ec29a7eb5b1697");
    EXPECT_EQ(ThumbnailUri("/a b/\xC4\x8D;[]#%?!$&'()*+,-.:=@_~.jpg"),
              "file:///a%20b/%C4%8D%3B%5B%5D%23%25%3F!$&'()*+,-.:=@_~.jpg");
    // A name that is not UTF-8 keeps its byte.
    EXPECT_EQ(ThumbnailUri("/f\xE8.jpg"), "file:///f%E8.jpg");
}

struct CacheFixture : ::testing::Test {
    test::TempDir dir;
    ThumbnailCache cache{dir.file("thumbnails")};
};

TEST_F(CacheFixture, WritesTheStandardsTagsReusesThemAndRedoesThemWhenTheFileChanges) {
    const std::string photo =
        dir.write("fotka 1.jpg", test::Encode(test::MarkedPicture(640, 480), "JPG"));
    SetMtime(photo, 1'100'000'000);
    const Thumbnail first = LoadThumbnail(&cache, photo, 96);
    EXPECT_EQ(first.source, ThumbnailSource::Decoded);
    EXPECT_EQ(first.picture.size(), QSize(96, 72));

    const std::string uri = ThumbnailUri(photo);
    const std::string entry = cache.PathFor(ThumbnailFlavor::Normal, uri);
    EXPECT_EQ(entry, dir.file("thumbnails/normal/") + ThumbnailHash(uri) + ".png");
    const QImage stored(QString::fromStdString(entry), "png");
    EXPECT_EQ(stored.text(QStringLiteral("Thumb::URI")).toStdString(), uri);
    EXPECT_EQ(stored.text(QStringLiteral("Thumb::MTime")), QStringLiteral("1100000000"));
    EXPECT_EQ(stored.size(), QSize(128, 96));
    struct stat st {};
    ASSERT_EQ(::stat(entry.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    EXPECT_EQ(LoadThumbnail(&cache, photo, 96).source, ThumbnailSource::Cache);
    // Another program's thumbnail of the same file is taken as it is.
    QImage blue(128, 96, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(cache.Store(uri, 1'100'000'000, 1, ThumbnailFlavor::Normal, blue));
    EXPECT_EQ(LoadThumbnail(&cache, photo, 128).picture.pixel(5, 5), qRgb(0, 0, 255));

    SetMtime(photo, 1'100'000'002);
    const Thumbnail again = LoadThumbnail(&cache, photo, 128);
    EXPECT_EQ(again.source, ThumbnailSource::Decoded);
    EXPECT_NE(again.picture.pixel(5, 5), qRgb(0, 0, 255));
    EXPECT_EQ(QImage(QString::fromStdString(entry)).text(QStringLiteral("Thumb::MTime")),
              QStringLiteral("1100000002"));
}

TEST_F(CacheFixture, UnreadablePicturesAreMarkedAsFailedUntilTheyChange) {
    const std::string bad = dir.write("vadna.jpg", std::string("\xFF\xD8\xFF\xE0 broken", 11));
    SetMtime(bad, 1'000'000'000);
    EXPECT_TRUE(LoadThumbnail(&cache, bad, 128).picture.isNull());
    const std::string uri = ThumbnailUri(bad);
    EXPECT_EQ(cache.FailurePathFor(uri),
              dir.file("thumbnails/fail/kivomat-1.0/") + ThumbnailHash(uri) + ".png");
    EXPECT_EQ(LoadThumbnail(&cache, bad, 128).source, ThumbnailSource::KnownFailure);
    SetMtime(bad, 1'000'000'010);
    EXPECT_EQ(LoadThumbnail(&cache, bad, 128).source, ThumbnailSource::None);
}

struct SourceCase {
    const char* name;
    QSize photo;
    QSize embedded; // empty = none
    bool bars;      // the photo's shape inside black bars, as cameras write it
    int size;
    ThumbnailSource source;
};
class Sources : public ::testing::TestWithParam<SourceCase> {};

TEST_P(Sources, EmbeddedWhenLargeEnoughAndOfTheSameShapeElseScaledDecode) {
    const SourceCase& c = GetParam();
    std::vector<std::uint8_t> thumb;
    if (!c.embedded.isEmpty()) {
        QImage picture = test::MarkedPicture(c.embedded.width(), c.embedded.height());
        if (c.bars) {
            const QSize inner = c.photo.scaled(c.embedded, Qt::KeepAspectRatio);
            const QImage marked = test::MarkedPicture(inner.width(), inner.height());
            picture.fill(Qt::black);
            QPainter(&picture).drawImage((c.embedded.width() - inner.width()) / 2,
                                         (c.embedded.height() - inner.height()) / 2, marked);
        }
        thumb = test::Encode(picture, "JPG");
    }
    test::TempDir dir;
    const std::string path = dir.write(
        "p.jpg",
        test::WithExif(test::Encode(test::MarkedPicture(c.photo.width(), c.photo.height()), "JPG"),
                       test::OrientationTiff(6, thumb)));
    const Thumbnail t = MakeThumbnail(path, c.size);
    EXPECT_EQ(t.source, c.source);
    // Either way turned as the camera held it: stored top-left lands top-right.
    EXPECT_EQ(test::CornerOf(t.picture, qRgb(255, 0, 0)), 1);
    EXPECT_EQ(std::max(t.picture.width(), t.picture.height()), c.size);
    // No bar is left at any side.
    const int w = t.picture.width(), h = t.picture.height();
    for (const QPoint at :
         {QPoint(w / 2, 0), QPoint(w / 2, h - 1), QPoint(0, h / 2), QPoint(w - 1, h / 2)})
        EXPECT_GT(qGray(t.picture.pixel(at)), 200) << at.x() << "," << at.y();
}

INSTANTIATE_TEST_SUITE_P(
    Table, Sources,
    ::testing::Values(
        SourceCase{"Embedded", {800, 600}, {160, 120}, false, 128, ThumbnailSource::Embedded},
        SourceCase{"TooSmall", {800, 600}, {160, 120}, false, 256, ThumbnailSource::Decoded},
        SourceCase{"OtherShape", {900, 600}, {160, 120}, false, 128, ThumbnailSource::Decoded},
        SourceCase{"BarsAbove", {900, 600}, {160, 120}, true, 128, ThumbnailSource::Embedded},
        SourceCase{"BarsAboveWide", {1600, 900}, {160, 120}, true, 128, ThumbnailSource::Embedded},
        SourceCase{"BarsBeside", {400, 600}, {160, 120}, true, 128, ThumbnailSource::Decoded},
        SourceCase{"BarsBesideLarge", {400, 600}, {320, 240}, true, 128, ThumbnailSource::Embedded},
        SourceCase{"BarsTooSmall", {900, 600}, {160, 120}, true, 200, ThumbnailSource::Decoded},
        SourceCase{"None", {800, 600}, {}, false, 128, ThumbnailSource::Decoded}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MakeThumbnail, OtherFormatsThroughQtAndNothingForWhatIsNoPicture) {
    test::TempDir dir;
    const auto png = dir.write("obr.png", test::Encode(test::MarkedPicture(300, 200), "PNG"));
    const Thumbnail t = MakeThumbnail(png, 128);
    EXPECT_EQ(t.picture.size(), QSize(128, 85));
    EXPECT_EQ(test::CornerOf(t.picture, qRgb(0, 255, 0)), 1);
    EXPECT_TRUE(MakeThumbnail(dir.write("text.png", "hello"), 128).picture.isNull());
    EXPECT_TRUE(MakeThumbnail(dir.mkdir("slozka.jpg"), 128).picture.isNull());
    const std::string fifo = dir.file("roura.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(MakeThumbnail(fifo, 128).picture.isNull());
}

TEST(ThumbnailLoader, DeliversOnItsThreadAndDropsWhatWasCancelled) {
    test::TempDir dir;
    ThumbnailLoader loader(nullptr, dir.file("thumbnails"));
    QSignalSpy ready(&loader, &ThumbnailLoader::Ready);
    std::vector<QByteArray> paths;
    for (int i = 0; i < 6; ++i)
        paths.push_back(QByteArray::fromStdString(dir.write(
            "f" + std::to_string(i) + ".jpg", test::Encode(test::MarkedPicture(400, 300), "JPG"))));
    for (const auto& p : paths)
        loader.Request(p, 64);
    loader.Request(paths[0], 64); // queued or running already: not again
    loader.Cancel();
    loader.WaitForIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(ready.count(), 0);

    for (const auto& p : paths)
        loader.Request(p, 64);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.count() >= 6; }, 10000));
    loader.WaitForIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(ready.count(), 6);
    const QImage picture = ready.at(0).at(2).value<QImage>();
    EXPECT_EQ(picture.size(), QSize(64, 48));
}

} // namespace
} // namespace kivo
