// The file list follows its folder: changes made by others show up, and every re-listing
// keeps the selection and the current item.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QItemSelectionModel>
#include <QSignalSpy>
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

    QSignalSpy resets(list.Model(), &QAbstractItemModel::modelReset);
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
    if (!byRefresh) {
        EXPECT_EQ(resets.count(), 0) << "a watched change updates rows, it does not reset";
    }
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

TEST(Watch, AFileWrittenInPlaceShowsItsNewSize) {
    test::TempDir dir;
    dir.write("a.jpg", "x");
    TFileListView list;
    list.SetDirectory(QString::fromStdString(dir.path()));
    ASSERT_GE(RowOf(list, "a.jpg"), 0);
    // A copy under way grows its file without creating or renaming anything.
    std::FILE* f = std::fopen(dir.file("a.jpg").c_str(), "ab");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(std::string(5000, 'y').data(), 1, 5000, f), 5000u);
    std::fclose(f);
    const QString grown = SizeText(5001, kKindFile);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return list.Item(RowOf(list, "a.jpg")).subItems[siSize] == grown; }, 5000));
}

// Row-by-row updates of the model: each case is the rows before ("name:size"), the fresh
// listing, and which old rows were selected; the last selected one is the current item.
struct UpdateCase {
    const char* what;
    std::vector<const char*> before;
    std::vector<const char*> fresh;
    std::vector<const char*> selected;
};

FileListItem MakeItem(const char* spec) {
    const QString text = QString::fromUtf8(spec);
    const QString name = text.section(u':', 0, 0);
    FileListItem item;
    item.caption = item.name = name;
    item.subItems[siSize] = text.section(u':', 1, 1);
    item.subItems[siPath] = QStringLiteral("/f/") + name;
    item.subItems[siKind] = kKindFile;
    return item;
}

// Without a record of the rows before, with the right one, and with one that does not fit.
enum class Record { None, Right, Wrong };

// What RowsBefore would say: the n-th fresh row of a name was the n-th row of that name.
std::vector<int> RecordOf(const UpdateCase& c, Record kind) {
    std::vector<int> rows;
    if (kind == Record::None)
        return rows;
    std::vector<bool> used(c.before.size(), false);
    for (const char* spec : c.fresh) {
        const QString name = MakeItem(spec).name;
        int row = -1;
        for (std::size_t b = 0; b < c.before.size() && row < 0; ++b)
            if (!used[b] && MakeItem(c.before[b]).name == name)
                row = static_cast<int>(b);
        if (row >= 0)
            used[static_cast<std::size_t>(row)] = true;
        if (kind == Record::Wrong && row >= 0)
            row = (row + 1) % static_cast<int>(c.before.size());
        rows.push_back(row);
    }
    return rows;
}

class ModelUpdate : public ::testing::TestWithParam<std::tuple<UpdateCase, Record>> {};

TEST_P(ModelUpdate, RowsFollowTheFreshListingAndSelectionStays) {
    const UpdateCase& c = std::get<0>(GetParam());
    FileListing listing;
    for (const char* spec : c.before)
        listing.Items().push_back(MakeItem(spec));
    FileListItemModel model(listing);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QItemSelectionModel selection(&model);
    QString current;
    for (const char* name : c.selected)
        for (int r = 0; r < model.rowCount(); ++r)
            if (listing.Items()[static_cast<std::size_t>(r)].caption == QString::fromUtf8(name)) {
                selection.setCurrentIndex(model.index(r, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
                current = QString::fromUtf8(name);
                break;
            }
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    std::vector<FileListItem> fresh;
    for (const char* spec : c.fresh)
        fresh.push_back(MakeItem(spec));
    model.Update(fresh, RecordOf(c, std::get<1>(GetParam())));

    ASSERT_EQ(listing.Items().size(), fresh.size());
    for (std::size_t r = 0; r < fresh.size(); ++r) {
        EXPECT_EQ(listing.Items()[r].caption, fresh[r].caption) << "row " << r;
        EXPECT_EQ(listing.Items()[r].subItems, fresh[r].subItems) << "row " << r;
    }
    EXPECT_EQ(resets.count(), 0);
    QStringList expected, got;
    for (const char* name : c.selected)
        for (const FileListItem& f : fresh)
            if (f.caption == QString::fromUtf8(name) && !expected.contains(f.caption))
                expected << f.caption;
    for (const QModelIndex& i : selection.selectedRows())
        got << listing.Items()[static_cast<std::size_t>(i.row())].caption;
    expected.sort();
    got.sort();
    EXPECT_EQ(got, expected);
    if (expected.contains(current)) {
        EXPECT_EQ(listing.Items()[static_cast<std::size_t>(selection.currentIndex().row())].caption,
                  current);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModelUpdate,
    ::testing::Combine(
        ::testing::Values(
            UpdateCase{"added and removed",
                       {"a:1", "b:1", "c:1", "d:1"},
                       {"b:1", "bb:1", "d:1", "e:1"},
                       {"b", "d"}},
            UpdateCase{
                "changed and moved", {"a:1", "b:2", "c:3"}, {"b:2", "c:3", "a:9"}, {"a", "c"}},
            UpdateCase{"listed twice", {"a:1", "a:1", "b:1"}, {"a:1", "b:1", "c:1"}, {"b"}},
            UpdateCase{"all gone", {"a:1", "b:1"}, {}, {"a"}},
            UpdateCase{"from nothing", {}, {"a:1", "b:1"}, {}},
            UpdateCase{
                "reversed", {"a:1", "b:1", "c:1", "d:1"}, {"d:1", "c:1", "b:1", "a:1"}, {"b"}}),
        ::testing::Values(Record::None, Record::Right, Record::Wrong)),
    [](const auto& info) {
        std::string n = std::get<0>(info.param).what;
        for (char& ch : n)
            if (ch == ' ')
                ch = '_';
        const Record r = std::get<1>(info.param);
        return n + (r == Record::None ? "" : r == Record::Right ? "_record" : "_wrong_record");
    });

} // namespace
} // namespace kivo
