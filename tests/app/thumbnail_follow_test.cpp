// Thumbnails follow the files a batch renamed or re-timed, without a window.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <QImage>

#include "app/thumbnail_follow.h"
#include "browser/thumbnail_cache.h"
#include "browser/thumbnail_loader.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

constexpr std::int64_t kSecond = 1'000'000'000;

void SetMtime(const std::string& path, std::time_t t) {
    const timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

JournalRow Row(RowOp op, const std::string& from, const std::string& to, std::int64_t oldTime,
               std::int64_t newTime, RowState state = RowState::Done) {
    JournalRow row;
    row.op = op;
    row.oldPath = from;
    row.newPath = to;
    row.before.exists = true;
    row.before.size = 9;
    row.before.mtimeNs = oldTime * kSecond + 250;
    row.after = row.before;
    row.newMtimeNs = newTime * kSecond + 125;
    if (op == RowOp::Move)
        row.after.mtimeNs = row.before.mtimeNs;
    row.state = state;
    return row;
}

struct Follow : ::testing::Test {
    test::TempDir dir;
    ThumbnailCache cache{dir.file("thumbnails")};
    std::string a = dir.write("a.jpg", std::string("not read"));
    std::string b = dir.file("b.jpg");
    QImage blue{128, 96, QImage::Format_RGB32};

    void SetUp() override {
        blue.fill(Qt::blue);
        SetMtime(a, 1'000'000'000);
        ASSERT_TRUE(cache.Store(ThumbnailUri(a), 1'000'000'000, 9, ThumbnailFlavor::Normal, blue));
        ASSERT_TRUE(cache.Store(ThumbnailUri(a), 1'000'000'000, 9, ThumbnailFlavor::Large, blue));
    }
};

TEST_F(Follow, ARenamedPhotoKeepsItsThumbnailsUnderItsNewName) {
    ASSERT_EQ(::rename(a.c_str(), b.c_str()), 0);
    EXPECT_EQ(CarryThumbnails(cache, {Row(RowOp::Move, a, b, 1'000'000'000, 0)}), 1u);
    for (const ThumbnailFlavor flavor : {ThumbnailFlavor::Normal, ThumbnailFlavor::Large}) {
        EXPECT_FALSE(cache.Find(ThumbnailUri(b), 1'000'000'000, flavor).isNull());
        struct stat st {};
        EXPECT_NE(::stat(cache.PathFor(flavor, ThumbnailUri(a)).c_str(), &st), 0);
    }
    // The list finds it instead of decoding the photo (which is no picture at all).
    EXPECT_EQ(LoadThumbnail(&cache, b, 128).source, ThumbnailSource::Cache);
}

TEST_F(Follow, ARetimedPhotoKeepsItsThumbnailUnderItsNewTime) {
    SetMtime(a, 1'200'000'000);
    EXPECT_EQ(CarryThumbnails(cache, {Row(RowOp::SetTime, a, "", 1'000'000'000, 1'200'000'000)}),
              1u);
    EXPECT_FALSE(cache.Find(ThumbnailUri(a), 1'200'000'000, ThumbnailFlavor::Normal).isNull());
    EXPECT_EQ(LoadThumbnail(&cache, a, 128).source, ThumbnailSource::Cache);
}

TEST_F(Follow, RowsNotDoneOrWithoutAThumbnailCarryNothing) {
    const std::vector<JournalRow> rows = {
        Row(RowOp::Move, a, b, 1'000'000'000, 0, RowState::NotDone),
        Row(RowOp::Move, a, b, 1'000'000'000, 0, RowState::Intent),
        Row(RowOp::Move, a, b, 1'000'000'001, 0), // a stale entry is not carried
        Row(RowOp::MakeDir, a, b, 1'000'000'000, 0),
        Row(RowOp::Move, "a.jpg", b, 1'000'000'000, 0),
    };
    EXPECT_EQ(CarryThumbnails(cache, rows), 0u);
    EXPECT_TRUE(cache.Find(ThumbnailUri(b), 1'000'000'000, ThumbnailFlavor::Normal).isNull());
    EXPECT_FALSE(cache.Find(ThumbnailUri(a), 1'000'000'000, ThumbnailFlavor::Normal).isNull());
}

} // namespace
} // namespace kivo
