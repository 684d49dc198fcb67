// The file list widget, driven headless: refresh, sort and header images, clicks, keys,
// navigation, the tree-combo link, view styles and the item model.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QListView>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include "browser/dir_tree_link.h"
#include "browser/file_list_item_views.h"
#include "browser/file_list_model.h"
#include "browser/file_list_view.h"
#include "platform/file_system.h"
#include "support/qt_wait.h"
#include "support/temp_dir.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace kivo {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!QCoreApplication::instance())
            app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[20] = "file_list_view_test";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};
const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Records what the list asks of its tree combo.
class FakeCombo : public DirTreeLink {
public:
    void OpenPath(const QString& path) override { calls << QStringLiteral("OpenPath ") + path; }
    void ShowRootNode() override { calls << QStringLiteral("ShowRootNode"); }
    void ReloadTree() override { calls << QStringLiteral("ReloadTree"); }
    void ToggleDropDown() override {
        calls << QStringLiteral("ToggleDropDown");
        visible = !visible;
    }
    void CloseDropDown() override { calls << QStringLiteral("CloseDropDown"); }
    bool IsTreeVisible() const override { return visible; }
    void FocusTree() override { calls << QStringLiteral("FocusTree"); }
    void SetLinkedFileList(TFileListView* list) override { linked = list; }

    QStringList calls;
    bool visible = false;
    TFileListView* linked = nullptr;
};

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

class ListView : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write("a.txt", "aaaa");
        dir.write("b.txt", "bbbbbbbb");
        dir.mkdir("x");
        dir.mkdir("y");
        list.resize(640, 400);
        list.SetDirectory(Q(dir.path()));
    }

    QStringList Captions() const {
        QStringList out;
        for (int i = 0; i < list.ItemCount(); ++i)
            out << list.Item(i).caption;
        return out;
    }
    int RowOf(const QString& caption) const {
        return static_cast<int>(Captions().indexOf(caption));
    }

    void Show() {
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }
    QPoint CenterOf(int row) const {
        return list.CurrentView()->visualRect(list.Model()->index(row, 0)).center();
    }
    QWidget* Viewport() const { return list.CurrentView()->viewport(); }

    test::TempDir dir;
    TFileListView list;
};

TEST_F(ListView, StartValues) {
    TFileListView fresh;
    EXPECT_EQ(fresh.Directory(), QStringLiteral("Drives"));
    EXPECT_EQ(fresh.ItemCount(), 0);   // empty until set or refreshed
    EXPECT_EQ(fresh.ColumnCount(), 5); // the file columns exist from the start
    EXPECT_EQ(fresh.ColumnWidth(3), 125);
    fresh.SetColumnWidth(3, 100);
    EXPECT_EQ(fresh.ColumnWidth(3), 100);
    EXPECT_EQ(fresh.Mask(), QStringLiteral("*.*"));
    EXPECT_EQ(fresh.FileType(), kDefaultFileType);
    EXPECT_TRUE(fresh.ShowFolders());
    EXPECT_FALSE(fresh.HideFileExt());
    EXPECT_EQ(fresh.DateFormat(), TDtFormat::df_Customize);
    EXPECT_EQ(fresh.TimeFormat(), TTmFormat::tfShortFormat);
    EXPECT_EQ(fresh.ColWidth_Name(), 165);
    EXPECT_EQ(fresh.ColWidth_Size(), 75);
    EXPECT_EQ(fresh.ColWidth_Type(), 95);
    EXPECT_EQ(fresh.ColWidth_Mod(), 125);
    EXPECT_EQ(fresh.ColWidth_Attr(), 40);
    EXPECT_TRUE(fresh.DblClickToOpen());
    EXPECT_EQ(fresh.SortColumn(), 0);
    EXPECT_TRUE(fresh.SortDescending());
    EXPECT_EQ(fresh.About(), QStringLiteral("Version 2.8.5.0"));
    fresh.SetAbout(QStringLiteral("other"));
    EXPECT_EQ(fresh.About(), QStringLiteral("Version 2.8.5.0"));
    EXPECT_EQ(fresh.ViewStyle(), vsReport);
    EXPECT_TRUE(fresh.ClipboardList.isEmpty());
}

TEST_F(ListView, ModelPassesTheTesterThroughRefreshSortAndDrives) {
    QAbstractItemModelTester tester(list.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.RefreshListing();
    list.SortByColumn(0);
    list.SortByColumn(1);
    list.SortByColumn(3);
    list.SelectRow(1, true);
    list.SetDirectory(QStringLiteral("Drives"));
    list.SetDirectory(Q(dir.path()));
    list.Model()->setData(list.Model()->index(2, 0), QStringLiteral("renamed"), Qt::EditRole);
    EXPECT_EQ(list.Model()->columnCount(), 5);
    EXPECT_EQ(list.Model()->rowCount(), 5);
}

TEST_F(ListView, ModelTexts) {
    const QAbstractItemModel* m = list.Model();
    const int a = RowOf(QStringLiteral("a.txt"));
    EXPECT_EQ(m->data(m->index(a, 0)).toString(), QStringLiteral("a.txt"));
    EXPECT_EQ(m->data(m->index(a, 1)).toString(), QStringLiteral("1 KB"));
    EXPECT_EQ(m->data(m->index(a, 4)).toString(), QString());
    EXPECT_EQ(m->data(m->index(a, 0), FileListItemModel::FullPathRole).toString(),
              Q(dir.file("a.txt")));
    EXPECT_EQ(m->data(m->index(a, 0), FileListItemModel::KindRole).toString(),
              QStringLiteral("file"));
    EXPECT_EQ(m->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Modified"));
    EXPECT_TRUE(m->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                Qt::AlignRight);
    EXPECT_FALSE(qvariant_cast<QIcon>(m->data(m->index(a, 0), Qt::DecorationRole)).isNull());
}

TEST_F(ListView, DragCarriesTheEntriesButNotTheParent) {
    const QAbstractItemModel* m = list.Model();
    std::unique_ptr<QMimeData> data(
        m->mimeData({m->index(RowOf(kParentCaption), 0), m->index(RowOf(QStringLiteral("x")), 0),
                     m->index(RowOf(QStringLiteral("a.txt")), 0),
                     m->index(RowOf(QStringLiteral("a.txt")), 1)}));
    QStringList paths;
    for (const QUrl& u : data->urls())
        paths << u.toLocalFile();
    paths.sort();
    EXPECT_EQ(paths, (QStringList{Q(dir.file("a.txt")), Q(dir.file("x"))}));
    EXPECT_FALSE(m->flags(m->index(RowOf(kParentCaption), 0)) & Qt::ItemIsDragEnabled);
}

TEST_F(ListView, RefreshFocusesTheFirstItemWithoutSelectingIt) {
    EXPECT_EQ(list.FocusedRow(), 0);
    EXPECT_EQ(list.FirstSelectedRow(), -1);
    EXPECT_EQ(Captions(), (QStringList{" ^ Parent", "b.txt", "a.txt", "y", "x"}));
}

TEST_F(ListView, PropertiesThatRefreshAndThoseThatOnlyStore) {
    list.SetMask(QStringLiteral("a*"));
    EXPECT_EQ(Captions(), (QStringList{" ^ Parent", "a.txt", "y", "x"}));
    list.SetHideFileExt(true); // takes effect at the next refresh
    EXPECT_EQ(Captions(), (QStringList{" ^ Parent", "a.txt", "y", "x"}));
    list.RefreshListing();
    EXPECT_EQ(Captions(), (QStringList{" ^ Parent", "a", "y", "x"}));
    list.SetShowFolders(false);
    EXPECT_EQ(Captions(), (QStringList{"a"}));
}

TEST_F(ListView, ColumnsComeBackFromThePropertiesOnEveryRefresh) {
    EXPECT_EQ(list.ColumnCount(), 5);
    EXPECT_EQ(list.ColumnWidth(0), 165);
    EXPECT_EQ(list.ColumnWidth(4), 40);
    list.SetColumnWidth(0, 300);
    EXPECT_EQ(list.ColumnWidth(0), 300);
    list.SetColWidth_Size(10);
    EXPECT_EQ(list.ColumnWidth(1), 75); // only stored
    list.RefreshListing();
    EXPECT_EQ(list.ColumnWidth(0), 165);
    EXPECT_EQ(list.ColumnWidth(1), 10);
    list.SetDirectory(QStringLiteral("Drives"));
    EXPECT_EQ(list.ColumnWidth(0), 160);
    EXPECT_EQ(list.ColumnWidth(1), 110);
    EXPECT_EQ(list.Model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Disk Size"));
}

TEST_F(ListView, HeaderClickSortsAndMovesTheImage) {
    Show();
    auto* header = static_cast<FileListHeader*>(list.DetailsView()->header());
    EXPECT_EQ(header->ImageColumn(), 0);
    EXPECT_TRUE(header->ImageUp()); // descending shows Bmp_Up

    const QPoint nameSection(header->sectionViewportPosition(0) + 20, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, nameSection);
    EXPECT_FALSE(list.SortDescending());
    EXPECT_FALSE(header->ImageUp());
    EXPECT_EQ(Captions(), (QStringList{" ^ Parent", "x", "y", "a.txt", "b.txt"}));

    const QPoint sizeSection(header->sectionViewportPosition(1) + 20, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, sizeSection);
    EXPECT_EQ(list.SortColumn(), 1);
    EXPECT_TRUE(list.SortDescending());
    EXPECT_EQ(header->ImageColumn(), 1);
}

TEST_F(ListView, HeaderImagesAreDrawnRightOfTheCaption) {
    Show();
    QHeaderView* header = list.DetailsView()->header();
    auto colourIn = [&](int section, const QColor& colour) {
        const QImage image = header->grab().toImage();
        const int left = header->sectionViewportPosition(section);
        const int textEnd =
            left + header->fontMetrics().horizontalAdvance(
                       list.Model()->headerData(section, Qt::Horizontal).toString());
        int found = -1;
        for (int x = left; x < left + header->sectionSize(section) && x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (image.pixelColor(x, y) == colour && found < 0)
                    found = x;
        return found < 0 ? -1 : (found > textEnd ? 1 : 0); // 1: right of the caption
    };
    const QColor blue(0, 0, 255), green(0, 128, 0);
    EXPECT_EQ(colourIn(0, blue), 1);
    EXPECT_EQ(colourIn(0, green), -1);
    EXPECT_EQ(colourIn(1, blue), -1);
    list.SortByColumn(0);
    EXPECT_EQ(colourIn(0, green), 1);
    EXPECT_EQ(colourIn(0, blue), -1);
    list.SetDirectory(QStringLiteral("Drives")); // not sortable: no image
    EXPECT_EQ(colourIn(0, green), -1);
}

TEST(HeaderBitmaps, ByName) {
    const QImage up = HeaderBitmap(QStringLiteral("Bmp_Up")).toImage();
    const QImage down = HeaderBitmap(QStringLiteral("Bmp_Down")).toImage();
    ASSERT_EQ(up.size(), QSize(16, 16));
    ASSERT_EQ(down.size(), QSize(16, 16));
    EXPECT_EQ(up.pixelColor(8, 9), QColor(0, 0, 255));
    EXPECT_EQ(down.pixelColor(8, 7), QColor(0, 128, 0));
    EXPECT_EQ(up.pixelColor(0, 0).alpha(), 0); // the ground takes the header's colour
    // Up is wide at the bottom, down at the top.
    EXPECT_EQ(up.pixelColor(4, 10), QColor(0, 0, 255));
    EXPECT_EQ(up.pixelColor(4, 5).alpha(), 0);
    EXPECT_EQ(down.pixelColor(6, 6), QColor(0, 128, 0));
    EXPECT_EQ(down.pixelColor(4, 11).alpha(), 0);
    EXPECT_TRUE(HeaderBitmap(QStringLiteral("Bmp_Left")).isNull());
}

TEST_F(ListView, SelectionFollowsItsItemsThroughASort) {
    list.SelectRow(RowOf(QStringLiteral("a.txt")), true);
    list.SortByColumn(0);
    EXPECT_EQ(list.SelectedRows(), QList<int>{RowOf(QStringLiteral("a.txt"))});
    EXPECT_EQ(list.SelectedRows().size(), 1);
}

TEST_F(ListView, DriveViewIgnoresColumnClicks) {
    list.SetDirectory(QStringLiteral("drives"));
    ASSERT_GT(list.ItemCount(), 0);
    const QStringList before = Captions();
    list.SortByColumn(2);
    EXPECT_EQ(list.SortColumn(), 0);
    EXPECT_EQ(Captions(), before);
    EXPECT_EQ(list.Item(0).kind(), QStringLiteral("drv"));
}

TEST_F(ListView, ClickRaisesItemChangeThenClick) {
    Show();
    QSignalSpy change(&list, &TFileListView::ItemChange);
    QSignalSpy click(&list, &TFileListView::Click);
    QStringList order;
    QObject::connect(&list, &TFileListView::ItemChange, [&] { order << QStringLiteral("change"); });
    QObject::connect(&list, &TFileListView::Click, [&] { order << QStringLiteral("click"); });
    const int a = RowOf(QStringLiteral("a.txt"));
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, CenterOf(a));
    ASSERT_EQ(change.count(), 1);
    EXPECT_EQ(change.at(0).at(0).toString(), Q(dir.file("a.txt")));
    EXPECT_EQ(list.SelectedItem(), Q(dir.file("a.txt")));
    EXPECT_EQ(click.count(), 1);
    EXPECT_EQ(order, (QStringList{"change", "click"}));

    // With nothing selected a click raises nothing.
    list.ClearSelection();
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, QPoint(5, Viewport()->height() - 5));
    EXPECT_EQ(change.count(), 1);
    EXPECT_EQ(click.count(), 1);
}

TEST_F(ListView, ReleasingUpOrDownActsAsAClick) {
    Show();
    list.CurrentView()->setFocus();
    QSignalSpy change(&list, &TFileListView::ItemChange);
    QSignalSpy click(&list, &TFileListView::Click);
    QTest::keyClick(list.CurrentView(), Qt::Key_Down);
    ASSERT_EQ(click.count(), 1);
    EXPECT_EQ(change.at(0).at(0).toString(), list.Item(1).fullPath());
    QTest::keyClick(list.CurrentView(), Qt::Key_Up);
    EXPECT_EQ(click.count(), 2);
    EXPECT_EQ(change.at(1).at(0).toString(), list.Item(0).fullPath());
    QTest::keyClick(list.CurrentView(), Qt::Key_End); // other keys: no click
    EXPECT_EQ(click.count(), 2);
}

TEST_F(ListView, DoubleClickOpensAFolderAndTellsTheCombo) {
    Show();
    FakeCombo combo;
    list.SetDirTreeCombo(&combo);
    const int x = RowOf(QStringLiteral("x"));
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, CenterOf(x));
    QTest::mouseDClick(Viewport(), Qt::LeftButton, {}, CenterOf(x));
    EXPECT_EQ(list.Directory(), Q(dir.file("x") + "/"));
    EXPECT_EQ(Q(IncludeTrailingSlash(GetCurrentDir())), list.Directory());
    EXPECT_TRUE(combo.calls.contains(QStringLiteral("OpenPath ") + Q(dir.file("x") + "/")));
    list.SetDirTreeCombo(nullptr);
}

TEST_F(ListView, DoubleClickWithoutOpeningRaisesTheEvent) {
    Show();
    list.SetDblClickToOpen(false);
    QSignalSpy dbl(&list, &TFileListView::DblClick);
    const int x = RowOf(QStringLiteral("x"));
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, CenterOf(x));
    QTest::mouseDClick(Viewport(), Qt::LeftButton, {}, CenterOf(x));
    EXPECT_EQ(dbl.count(), 1);
    EXPECT_EQ(list.Directory(), Q(dir.path() + "/"));
    // The parent entry still goes up.
    const int parent = RowOf(kParentCaption);
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, CenterOf(parent));
    QTest::mouseDClick(Viewport(), Qt::LeftButton, {}, CenterOf(parent));
    EXPECT_EQ(dbl.count(), 1);
    EXPECT_EQ(list.Directory(), Q(IncludeTrailingSlash(ExtractFileDir(dir.path()))));
}

TEST_F(ListView, EnterOpensTheFirstSelectedItem) {
    Show();
    list.CurrentView()->setFocus();
    list.SelectRow(RowOf(QStringLiteral("y")), true);
    list.SelectRow(RowOf(QStringLiteral("x")), true);
    QSignalSpy keys(&list, &TFileListView::KeyDown);
    QTest::keyClick(list.CurrentView(), Qt::Key_Return);
    EXPECT_EQ(list.Directory(), Q(dir.file("y") + "/")); // y comes first (descending)
    EXPECT_EQ(keys.count(), 1);
}

TEST_F(ListView, BackspaceGoesUpAndOpeningTheParentToo) {
    FakeCombo combo;
    list.SetDirTreeCombo(&combo);
    list.SetDirectory(Q(dir.file("x")));
    Show();
    list.CurrentView()->setFocus();
    QTest::keyClick(list.CurrentView(), Qt::Key_Backspace);
    EXPECT_EQ(list.Directory(), Q(dir.path() + "/"));
    EXPECT_EQ(combo.calls.last(), QStringLiteral("OpenPath ") + Q(dir.path() + "/"));
    list.SelectRow(RowOf(kParentCaption), true);
    list.OpenSelectedItem();
    EXPECT_EQ(list.Directory(), Q(IncludeTrailingSlash(ExtractFileDir(dir.path()))));
    list.SetDirTreeCombo(nullptr);
}

TEST_F(ListView, UpFromTheRootShowsTheDrives) {
    FakeCombo combo;
    list.SetDirTreeCombo(&combo);
    list.SetDirectory(QStringLiteral("/"));
    list.GoUpOneLevel();
    EXPECT_EQ(list.Directory(), QStringLiteral("Drives"));
    EXPECT_EQ(combo.calls, QStringList{QStringLiteral("ShowRootNode")});
    list.GoUpOneLevel(); // nothing above the drives
    EXPECT_EQ(list.Directory(), QStringLiteral("Drives"));
    EXPECT_EQ(combo.calls.size(), 1);
    list.SetDirTreeCombo(nullptr);
}

TEST_F(ListView, OpeningAVolumeListsItsRoot) {
    list.SetDirectory(QStringLiteral("Drives"));
    int root = -1;
    for (int i = 0; i < list.ItemCount(); ++i)
        if (list.Item(i).fullPath() == QLatin1String("/"))
            root = i;
    ASSERT_GE(root, 0);
    list.SelectRow(root, true);
    list.OpenSelectedItem();
    EXPECT_EQ(list.Directory(), QStringLiteral("/"));
}

TEST_F(ListView, EscAndF4GoToTheComboOnlyWhenLinked) {
    Show();
    list.CurrentView()->setFocus();
    QSignalSpy keys(&list, &TFileListView::KeyDown);
    QTest::keyClick(list.CurrentView(), Qt::Key_Escape);
    QTest::keyClick(list.CurrentView(), Qt::Key_F4);
    EXPECT_EQ(keys.count(), 0); // not passed on without a combo

    FakeCombo combo;
    list.SetDirTreeCombo(&combo);
    QTest::keyClick(list.CurrentView(), Qt::Key_F4);
    EXPECT_EQ(combo.calls, (QStringList{"ToggleDropDown", "FocusTree"}));
    QTest::keyClick(list.CurrentView(), Qt::Key_F4);
    EXPECT_EQ(combo.calls, (QStringList{"ToggleDropDown", "FocusTree", "ToggleDropDown"}));
    QTest::keyClick(list.CurrentView(), Qt::Key_Escape);
    EXPECT_EQ(combo.calls.last(), QStringLiteral("CloseDropDown"));
    EXPECT_EQ(keys.count(), 3);
    list.SetDirTreeCombo(nullptr);
}

TEST_F(ListView, CtrlASelectsAllAndF5ReLists) {
    Show();
    list.CurrentView()->setFocus();
    QTest::keyClick(list.CurrentView(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list.SelectedRows().size(), 5);
    dir.write("c.txt", "");
    QTest::keyClick(list.CurrentView(), Qt::Key_F5);
    EXPECT_EQ(Captions(), (QStringList{" ^ Parent", "c.txt", "b.txt", "a.txt", "y", "x"}));
}

TEST_F(ListView, SettingADirectoryThatDoesNotExistKeepsTheList) {
    list.SetDirectory(QStringLiteral("/no/such/folder"));
    EXPECT_EQ(list.Directory(), Q(dir.path() + "/"));
    EXPECT_EQ(list.ItemCount(), 5);
}

TEST_F(ListView, ComboLinkIsTwoWay) {
    auto first = std::make_unique<FakeCombo>();
    FakeCombo second;
    list.SetDirTreeCombo(first.get());
    EXPECT_EQ(first->linked, &list);
    list.SetDirTreeCombo(&second);
    EXPECT_EQ(first->linked, nullptr);
    EXPECT_EQ(second.linked, &list);
    // A combo that goes away unlinks itself without being called back.
    list.UnlinkDirTreeCombo(&second);
    EXPECT_EQ(list.DirTreeCombo(), nullptr);
    {
        TFileListView other;
        other.SetDirTreeCombo(first.get());
        EXPECT_EQ(first->linked, &other);
    }
    EXPECT_EQ(first->linked, nullptr); // the destroyed list cleared the combo's link
}

TEST_F(ListView, ViewStylesShareOneSelection) {
    list.SelectRow(RowOf(QStringLiteral("b.txt")), true);
    list.SetViewStyle(vsIcon);
    EXPECT_EQ(list.CurrentView(), static_cast<QAbstractItemView*>(list.IconView()));
    EXPECT_EQ(list.IconView()->viewMode(), QListView::IconMode);
    EXPECT_EQ(list.IconView()->selectionModel(), list.DetailsView()->selectionModel());
    EXPECT_TRUE(list.IconView()->selectionModel()->isSelected(
        list.Model()->index(RowOf(QStringLiteral("b.txt")), 0)));
    list.SetViewStyle(vsSmallIcon);
    EXPECT_EQ(list.IconView()->viewMode(), QListView::ListMode);
    EXPECT_EQ(list.IconView()->flow(), QListView::LeftToRight);
    list.SetViewStyle(vsList);
    EXPECT_EQ(list.IconView()->flow(), QListView::TopToBottom);
    list.SetViewStyle(static_cast<TViewStyle>(9)); // unknown codes give large icons
    EXPECT_EQ(list.ViewStyle(), vsIcon);
    list.SetViewStyle(vsReport);
    EXPECT_EQ(list.CurrentView(), static_cast<QAbstractItemView*>(list.DetailsView()));
    EXPECT_EQ(list.SelectedRows(), QList<int>{RowOf(QStringLiteral("b.txt"))});
}

TEST_F(ListView, ClicksWorkInTheIconView) {
    list.SetViewStyle(vsIcon);
    Show();
    QSignalSpy change(&list, &TFileListView::ItemChange);
    const int a = RowOf(QStringLiteral("a.txt"));
    KIVO_WAIT_TRUE(list.CurrentView()->visualRect(list.Model()->index(a, 0)).isValid(),
                             2000);
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, CenterOf(a));
    ASSERT_EQ(change.count(), 1);
    EXPECT_EQ(change.at(0).at(0).toString(), Q(dir.file("a.txt")));
}

TEST_F(ListView, InPlaceEditIsRefusedWhenReadOnlyAndForTheParent) {
    Show();
    list.SetReadOnly(true);
    EXPECT_FALSE(list.EditItemCaption(RowOf(QStringLiteral("a.txt"))));
    list.SetReadOnly(false);
    EXPECT_FALSE(list.EditItemCaption(RowOf(kParentCaption)));
    EXPECT_TRUE(list.EditItemCaption(RowOf(QStringLiteral("a.txt"))));
    // Esc cancels: the caption stays and nothing is renamed.
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_NE(RowOf(QStringLiteral("a.txt")), -1);
    EXPECT_TRUE(FileExists(dir.file("a.txt")));
}

TEST_F(ListView, ItemAtFindsTheRowUnderAPoint) {
    Show();
    const int b = RowOf(QStringLiteral("b.txt"));
    EXPECT_EQ(list.ItemAt(CenterOf(b)), b);
    EXPECT_EQ(list.ItemAt(QPoint(5, Viewport()->height() - 2)), -1);
}

} // namespace
} // namespace kivo
