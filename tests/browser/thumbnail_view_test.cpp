// Thumbnails in the file list's icon styles, driven headless.

#include <gtest/gtest.h>

#include <QApplication>
#include <QListView>
#include <QPixmap>
#include <QTest>

#include "browser/file_list_model.h"
#include "browser/file_list_view.h"
#include "browser/thumbnail_view.h"
#include "picture_fixture.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static test::TempDir cache;
        setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
        if (!QCoreApplication::instance())
            app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override { delete app_; }

private:
    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[2] = {arg0_, nullptr};
    QApplication* app_ = nullptr;
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

int RowOf(const TFileListView& list, const QString& caption) {
    for (int r = 0; r < list.ItemCount(); ++r)
        if (list.Item(r).caption == caption)
            return r;
    return -1;
}

TEST(FileListThumbnails, PicturesGetThemInTheIconStylesOthersKeepTheirIcon) {
    test::TempDir dir;
    dir.write("fotka.jpg", test::Encode(test::MarkedPicture(800, 600), "JPG"));
    dir.write("obrazek.png", test::Encode(test::MarkedPicture(60, 120), "PNG"));
    dir.write("poznamky.txt", "text");
    TFileListView list;
    list.SetViewStyle(vsIcon);
    list.SetDirectory(QString::fromStdString(dir.path()));
    FileListItemModel& model = *list.Model();
    auto decoration = [&](const char* name) {
        return model.data(model.index(RowOf(list, QString::fromUtf8(name)), 0), Qt::DecorationRole);
    };
    // Asked for, not waited for: the type icon shows meanwhile.
    EXPECT_EQ(decoration("fotka.jpg").typeId(), QMetaType::QIcon);
    decoration("obrazek.png");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return decoration("fotka.jpg").typeId() == QMetaType::QPixmap &&
                   decoration("obrazek.png").typeId() == QMetaType::QPixmap;
        },
        10000));
    EXPECT_EQ(decoration("fotka.jpg").value<QPixmap>().size(), QSize(128, 96));
    EXPECT_EQ(decoration("obrazek.png").value<QPixmap>().size(), QSize(60, 120));
    EXPECT_EQ(decoration("poznamky.txt").typeId(), QMetaType::QIcon);

    // The list style shows type icons only.
    list.SetViewStyle(vsList);
    EXPECT_EQ(decoration("fotka.jpg").typeId(), QMetaType::QIcon);
    list.SetViewStyle(vsSmallIcon);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return decoration("fotka.jpg").typeId() == QMetaType::QPixmap; }, 10000));
    EXPECT_EQ(decoration("fotka.jpg").value<QPixmap>().size(), QSize(48, 36));
}

} // namespace
} // namespace kivo
