// The file list follows its folder: changes made by others show up, and every re-listing
// keeps the selection and the current item.

#include <gtest/gtest.h>

#include <cstdio>

#include <QApplication>
#include <QItemSelectionModel>
#include <QTest>

#include "browser/file_list_model.h"
#include "browser/file_list_view.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
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

int RowOf(const TFileListView& list, const char* caption) {
    for (int r = 0; r < list.ItemCount(); ++r)
        if (list.Item(r).caption == QString::fromUtf8(caption))
            return r;
    return -1;
}

QStringList SelectedCaptions(const TFileListView& list) {
    QStringList names;
    for (int r : list.SelectedRows())
        names << list.Item(r).caption;
    names.sort();
    return names;
}

class Watch : public ::testing::TestWithParam<bool> {};

TEST_P(Watch, ChangesShowUpWithTheSelectionAndCurrentItemKept) {
    const bool byRefresh = GetParam();
    test::TempDir dir;
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        dir.write(n, "x");
    TFileListView list;
    list.SetDirectory(QString::fromStdString(dir.path()));
    list.SelectRow(RowOf(list, "b.jpg"), true);
    list.SelectRow(RowOf(list, "d.jpg"), true);
    list.SelectionModel()->setCurrentIndex(list.Model()->index(RowOf(list, "d.jpg"), 0),
                                           QItemSelectionModel::NoUpdate);

    dir.write("nova.jpg", "x");
    ASSERT_EQ(std::remove(dir.file("a.jpg").c_str()), 0);
    ASSERT_EQ(std::rename(dir.file("c.jpg").c_str(), dir.file("e.jpg").c_str()), 0);
    if (byRefresh)
        list.RefreshListing();
    ASSERT_TRUE(QTest::qWaitFor([&] { return RowOf(list, "nova.jpg") >= 0; }, 5000));
    EXPECT_EQ(RowOf(list, "a.jpg"), -1);
    EXPECT_EQ(RowOf(list, "c.jpg"), -1);
    EXPECT_GE(RowOf(list, "e.jpg"), 0);
    EXPECT_EQ(SelectedCaptions(list), QStringList({"b.jpg", "d.jpg"}));
    EXPECT_EQ(list.FocusedRow(), RowOf(list, "d.jpg"));
}

INSTANTIATE_TEST_SUITE_P(WatchedOrRefreshed, Watch, ::testing::Bool());

TEST(Watch, AnotherFolderStartsWithoutTheOldSelection) {
    test::TempDir dir;
    dir.write("a/x.jpg", "x");
    dir.write("b/x.jpg", "x");
    TFileListView list;
    list.SetDirectory(QString::fromStdString(dir.file("a")));
    list.SelectRow(RowOf(list, "x.jpg"), true);
    list.SetDirectory(QString::fromStdString(dir.file("b")));
    EXPECT_TRUE(list.SelectedRows().isEmpty());
    // The old folder is no longer watched; the new one is.
    dir.write("b/y.jpg", "x");
    EXPECT_TRUE(QTest::qWaitFor([&] { return RowOf(list, "y.jpg") >= 0; }, 5000));
}

} // namespace
} // namespace kivo
