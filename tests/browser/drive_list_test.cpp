// The "Drives" view with a volume whose probe does not return (a dead network mount):
// the listing returns within its timeout, shows the volume as unavailable, and shows its
// sizes once the answer comes. The tree does not open such a volume either.

#include <chrono>
#include <future>

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "browser/dir_tree_model.h"
#include "browser/file_list_listing.h"
#include "browser/file_list_view.h"
#include "platform/gui/volumes.h"
#include "support/qt_wait.h"

using namespace kivo;
using namespace std::chrono_literals;

namespace {

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "drive_list_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down during exit races with its own static caches.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// The shared prober answers at once for every volume but "/", whose probe waits until
// the test lets it go; the real probe comes back afterwards.
class StuckRoot : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        std::shared_future<void> gate = release_.get_future().share();
        VolumeProber& prober = SharedVolumeProber();
        prober.Forget();
        prober.SetTimeout(200ms);
        prober.SetProbeFunction([gate](const QString& root) {
            if (root == QLatin1String("/"))
                gate.wait();
            return VolumeSpace{true, 5'000'000, 2'000'000};
        });
    }
    void TearDown() override {
        Release();
        KIVO_WAIT_EQ(SharedVolumeProber().PendingCount(), 0, 5000);
        SharedVolumeProber().SetProbeFunction(&StatVolume);
        SharedVolumeProber().SetTimeout(500ms);
        SharedVolumeProber().Forget();
    }
    void Release() {
        if (!released_) {
            released_ = true;
            release_.set_value();
        }
    }
    static const FileListItem* RootItem(const std::vector<FileListItem>& items) {
        for (const FileListItem& item : items)
            if (item.fullPath() == QLatin1String("/"))
                return &item;
        return nullptr;
    }

    std::promise<void> release_;
    bool released_ = false;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST_F(StuckRoot, TheListingReturnsWithinItsTimeoutAndShowsTheVolumeUnavailable) {
    FileListing listing;
    ASSERT_TRUE(listing.IsDrives());
    const auto start = std::chrono::steady_clock::now();
    listing.Refresh();
    EXPECT_LT(SecondsSince(start), 5.0);
    const FileListItem* root = RootItem(listing.Items());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->kind(), kKindDrive);
    EXPECT_EQ(root->subItems[siType], kVolumeUnavailable);
    EXPECT_EQ(root->subItems[siModified], kVolumeUnavailable);

    // A second listing (after a paste, a delete) does not wait for it again.
    listing.Refresh();
    EXPECT_EQ(RootItem(listing.Items())->subItems[siType], kVolumeUnavailable);
}

TEST_F(StuckRoot, TheListShowsTheSizesOnceTheAnswerComes) {
    TFileListView list;
    list.SetDirectory(QStringLiteral("Drives"));
    list.RefreshListing();
    auto rootRow = [&list] {
        for (int r = 0; r < list.ItemCount(); ++r)
            if (list.Item(r).fullPath() == QLatin1String("/"))
                return r;
        return -1;
    };
    ASSERT_GE(rootRow(), 0);
    EXPECT_EQ(list.Item(rootRow()).subItems[siType], kVolumeUnavailable);

    QSignalSpy probed(&SharedVolumeProber(), &VolumeProber::Probed);
    Release();
    ASSERT_TRUE(probed.wait(5000));
    KIVO_WAIT_EQ(list.Item(rootRow()).subItems[siType], VolumeSpaceText(5'000'000),
                              5000);
    EXPECT_EQ(list.Item(rootRow()).subItems[siModified], VolumeSpaceText(2'000'000));
}

TEST_F(StuckRoot, TheTreeDoesNotOpenAVolumeThatGivesNoAnswer) {
    DirTreeModel model;
    model.SetVolumeSource([] {
        return std::vector<DirTreeVolume>{{QStringLiteral("/"), QStringLiteral("/"), vtFixed}};
    });
    model.Build();
    const QModelIndex volume = model.index(0, 0, model.RootIndex());
    ASSERT_EQ(model.Kind(volume), DirNodeKind::Volume);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(model.LoadChildren(volume));
    EXPECT_LT(SecondsSince(start), 5.0);
    EXPECT_FALSE(model.IsLoaded(volume)); // asked again at the next expansion

    Release();
    KIVO_WAIT_EQ(SharedVolumeProber().PendingCount(), 0, 5000);
    EXPECT_TRUE(model.LoadChildren(volume));
    EXPECT_TRUE(model.IsLoaded(volume));
    EXPECT_GT(model.rowCount(volume), 0); // "/" has folders
}
