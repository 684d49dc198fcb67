// The volume list from the mount table and the probes of their space: a probe that never
// returns costs a GUI call its timeout and no more, and its answer, when it comes, is
// announced.

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include "platform/gui/volumes.h"

using namespace kivo;
using namespace std::chrono_literals;

namespace {

QCoreApplication& TestApp() {
    static int argc = 1;
    static char name[] = "volume_prober_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down during exit races with its own static caches.
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

// A probe that does not return for `stuckRoot` until released (standing in for statvfs
// on a dead NFS mount); every other root answers at once.
class ScriptedProbe {
public:
    explicit ScriptedProbe(QString stuckRoot)
        : stuck_(std::move(stuckRoot)), gate_(release_->get_future().share()) {}
    ~ScriptedProbe() { Release(); }
    void Release() {
        if (!released_.exchange(true))
            release_->set_value();
    }
    VolumeProbeFunction Function() {
        return [gate = gate_, calls = calls_, stuck = stuck_](const QString& root) {
            ++*calls;
            if (root == stuck)
                gate.wait();
            if (root == QLatin1String("/gone"))
                return VolumeSpace{};
            return VolumeSpace{true, 1000 * 1024, 250 * 1024};
        };
    }
    int Calls() const { return *calls_; }

private:
    QString stuck_;
    std::shared_ptr<std::promise<void>> release_ = std::make_shared<std::promise<void>>();
    std::shared_future<void> gate_;
    std::atomic<bool> released_{false};
    std::shared_ptr<std::atomic<int>> calls_ = std::make_shared<std::atomic<int>>(0);
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST(VolumeProber, AProbeThatNeverReturnsCostsTheCallOnlyItsTimeout) {
    TestApp();
    ScriptedProbe script(QStringLiteral("/mnt/nas"));
    VolumeProber prober(script.Function());
    prober.SetTimeout(200ms);
    const auto start = std::chrono::steady_clock::now();
    const auto answers = prober.ProbeAll({QStringLiteral("/"), QStringLiteral("/mnt/nas")});
    EXPECT_LT(SecondsSince(start), 5.0);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].state, ProbeState::Ready);
    EXPECT_EQ(answers[0].space.totalKb, 1000 * 1024);
    EXPECT_EQ(answers[0].space.freeKb, 250 * 1024);
    EXPECT_EQ(answers[1].state, ProbeState::Pending);
    EXPECT_EQ(prober.PendingCount(), 1);

    // Asked again, the stuck volume is still unavailable and gets no second thread.
    prober.SetMaxAge(0ms);
    const auto again = prober.Probe(QStringLiteral("/mnt/nas"));
    EXPECT_EQ(again.state, ProbeState::Pending);
    EXPECT_EQ(script.Calls(), 2); // "/" once, the NAS once
    script.Release();
}

TEST(VolumeProber, ALateAnswerIsAnnouncedAndKept) {
    TestApp();
    ScriptedProbe script(QStringLiteral("/mnt/nas"));
    VolumeProber prober(script.Function());
    prober.SetTimeout(100ms);
    QSignalSpy probed(&prober, &VolumeProber::Probed);
    EXPECT_EQ(prober.Probe(QStringLiteral("/mnt/nas")).state, ProbeState::Pending);
    script.Release();
    ASSERT_TRUE(probed.wait(5000));
    ASSERT_EQ(probed.count(), 1);
    EXPECT_EQ(probed.at(0).at(0).toString(), QStringLiteral("/mnt/nas"));
    EXPECT_EQ(prober.PendingCount(), 0);
    // The kept answer is used without asking again.
    const int calls = script.Calls();
    const auto kept = prober.Probe(QStringLiteral("/mnt/nas"));
    EXPECT_EQ(kept.state, ProbeState::Ready);
    EXPECT_EQ(kept.space.freeKb, 250 * 1024);
    EXPECT_EQ(script.Calls(), calls);
}

TEST(VolumeProber, AnswersInTimeAreNotAnnouncedAndFailuresAreFailures) {
    TestApp();
    ScriptedProbe script(QStringLiteral("/never-asked"));
    VolumeProber prober(script.Function());
    prober.SetTimeout(2000ms);
    QSignalSpy probed(&prober, &VolumeProber::Probed);
    const auto answers = prober.ProbeAll({QStringLiteral("/gone"), QStringLiteral("/")});
    EXPECT_EQ(answers[0].state, ProbeState::Failed);
    EXPECT_EQ(answers[1].state, ProbeState::Ready);
    QCoreApplication::processEvents();
    EXPECT_EQ(probed.count(), 0);
}

TEST(VolumeProber, KeptAnswersAreReusedUntilTheyAgeOrAreForgotten) {
    TestApp();
    ScriptedProbe script(QStringLiteral("/never-asked"));
    VolumeProber prober(script.Function());
    prober.SetTimeout(2000ms);
    prober.SetMaxAge(std::chrono::hours(1));
    prober.Probe(QStringLiteral("/"));
    prober.Probe(QStringLiteral("/"));
    EXPECT_EQ(script.Calls(), 1);
    prober.Forget();
    prober.Probe(QStringLiteral("/"));
    EXPECT_EQ(script.Calls(), 2);
    prober.SetMaxAge(0ms);
    prober.Probe(QStringLiteral("/"));
    EXPECT_EQ(script.Calls(), 3);
}

TEST(VolumeProber, AProberGoneBeforeTheAnswerIsNoHarm) {
    TestApp();
    ScriptedProbe script(QStringLiteral("/mnt/nas"));
    {
        VolumeProber prober(script.Function());
        prober.SetTimeout(50ms);
        EXPECT_EQ(prober.Probe(QStringLiteral("/mnt/nas")).state, ProbeState::Pending);
    }
    script.Release();
    // The worker finishes against the shared state only; nothing is delivered to a
    // destroyed object.
    VolumeProber other(script.Function());
    other.SetTimeout(2000ms);
    EXPECT_EQ(other.Probe(QStringLiteral("/")).state, ProbeState::Ready);
    QCoreApplication::processEvents();
}

TEST(VolumeProber, TheRealProbeAsksTheFileSystem) {
    const VolumeSpace root = StatVolume(QStringLiteral("/"));
    EXPECT_TRUE(root.ok);
    EXPECT_GT(root.totalKb, 0);
    EXPECT_FALSE(StatVolume(QStringLiteral("/no/such/mount")).ok);
}

TEST(MountInfo, FieldsEscapesAndOptionalFields) {
    const QByteArray text =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "30 22 0:26 / /proc rw,nosuid - proc proc rw\n"
        "40 22 8:17 / /media/eva/M\\303\\255j\\040disk rw shared:5 master:2 - vfat /dev/sdb1 rw\n"
        "41 22 0:40 / /mnt/nas rw - nfs4 server:/export rw,vers=4.2\n"
        "broken line\n";
    const std::vector<MountEntry> m = ParseMountInfo(text);
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0].mountPoint, "/");
    EXPECT_EQ(m[0].fsType, "ext4");
    EXPECT_EQ(m[0].source, "/dev/sda1");
    EXPECT_EQ(m[2].mountPoint, "/media/eva/M\xc3\xadj disk");
    EXPECT_EQ(m[2].fsType, "vfat");
    EXPECT_EQ(m[3].source, "server:/export");
}

TEST(MountInfo, VolumesLeaveOutPseudoMountsAndCountAMountPointOnce) {
    const std::vector<MountEntry> mounts = {
        {"/proc", "proc", "proc"},
        {"/mnt/nas", "nfs4", "server:/export"},
        {"/sys/fs/cgroup", "cgroup2", "cgroup2"},
        {"/media/eva/CARD", "vfat", "/dev/sdb1"},
        {"/mnt/nas", "cifs", "//server/photos"}, // mounted over the first
        {"/tmp", "tmpfs", "tmpfs"},
    };
    const auto volumes = VolumesOf(mounts, [](const QByteArray& device) {
        return device == "/dev/sdb1" ? QStringLiteral("CARD") : QString();
    });
    ASSERT_EQ(volumes.size(), 4u);
    EXPECT_EQ(volumes[0].root, QStringLiteral("/")); // present though not in the table
    EXPECT_EQ(volumes[1].root, QStringLiteral("/media/eva/CARD"));
    EXPECT_EQ(volumes[1].name, QStringLiteral("CARD"));
    EXPECT_EQ(volumes[1].type, vtRemovable);
    EXPECT_EQ(volumes[2].root, QStringLiteral("/mnt/nas"));
    EXPECT_EQ(volumes[2].fsType, "cifs");
    EXPECT_EQ(volumes[2].type, vtRemote);
    EXPECT_EQ(volumes[2].name, QStringLiteral("/mnt/nas"));
    EXPECT_EQ(volumes[3].root, QStringLiteral("/tmp"));
    EXPECT_EQ(volumes[3].type, vtRamDisk);
}
