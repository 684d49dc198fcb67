// Rewriting the date-time stamps in place: located through the reader's walk, patched
// through a synced copy renamed over the photo.

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "exif/photo_data.h"
#include "exif/stamp_writer.h"
#include "platform/regular_file.h"
#include "support/container_fixtures.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using test::Bytes;
using test::TiffBuilder;

constexpr const char* kModify = "2004:07:16 08:00:00";
constexpr const char* kTaken = "2004:07:15 13:45:10";
constexpr const char* kDigitized = "2004:07:15 13:45:11";

// IFD0 with DateTime, the EXIF directory with the other two and OffsetTimeOriginal; the
// hook may replace or spoil entries.
Bytes Tiff(bool bigEndian, const std::function<void(TiffBuilder&, int, int)>& spoil = {}) {
    TiffBuilder t(bigEndian);
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "Canon");
    t.Link(ifd0, 0x8769, exif);
    if (spoil)
        spoil(t, ifd0, exif);
    else
        t.Ascii(ifd0, 0x0132, kModify);
    t.Ascii(exif, 0x9003, kTaken);
    t.Ascii(exif, 0x9004, kDigitized);
    t.Ascii(exif, 0x9011, "+01:00");
    return t.Build();
}

struct Opened {
    RegularFile file;
    TPhotoData photo{kBuildAll};
    StampSites sites;
};

void Open(const std::string& path, Opened& o) {
    o.file = OpenRegularFile(path);
    ASSERT_TRUE(o.file) << path;
    o.photo.ReadOpenFile(path, o.file.fd.get(), o.file.info);
    o.sites = LocateStamps(o.photo);
}

std::string StampRead(const std::string& path, StampKind kind) {
    TPhotoData photo(kBuildAll);
    photo.ReadImageFile(path);
    if (!photo.Exif)
        return {};
    const TExifInfo& e = *photo.Exif;
    const std::int32_t pos = kind == StampKind::Modify  ? e.ModifyDatePos
                             : kind == StampKind::Taken ? e.TakenDatePos
                                                        : e.DigitizedDatePos;
    const TDateTime v = e.DateAt(pos);
    return v == 0 ? std::string() : StampText(v);
}

struct FileCase {
    bool bigEndian;
    const char* name; // the extension decides the container
};

class StampRewriteTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(StampRewriteTest, ChangesExactlyTheStampBytes) {
    const FileCase& c = GetParam();
    test::TempDir dir;
    const Bytes tiff = Tiff(c.bigEndian);
    const std::string name = c.name;
    const std::string path = dir.write(name, name.ends_with(".jpg") ? test::JpegWithExif(tiff, true)
                                             : name.ends_with(".heic") ? test::HeifFile(tiff)
                                                                       : tiff);
    ::chmod(path.c_str(), 0640);
    const bool xattrs = ::setxattr(path.c_str(), "user.rating", "5", 1, 0) == 0;
    const std::string before = test::ReadWholeFile(path);
    const struct timespec old[2] = {{1100000000, 0}, {1100000000, 500}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);

    Opened o;
    ASSERT_NO_FATAL_FAILURE(Open(path, o));
    ASSERT_EQ(o.sites.error, "");
    EXPECT_EQ(o.sites.of(StampKind::Modify).text(), kModify);
    EXPECT_EQ(o.sites.of(StampKind::Taken).offsetText(), "+01:00");
    EXPECT_EQ(o.sites.of(StampKind::Digitized).offsetText(), ""); // the file has none
    const StampEdit edits[] = {{StampKind::Modify, "2004:07:16 09:00:00", "", ""},
                               {StampKind::Taken, "2004:07:15 14:45:10", "+02:00", ""},
                               {StampKind::Digitized, "2005:01:01 00:00:00", "+02:00", ""}};
    const StampPlan plan = PlanStampEdits(o.sites, edits);
    ASSERT_EQ(plan.error, "");
    ASSERT_EQ(plan.patches.size(), 4u);
    FileIdentity written;
    const FsResult r = WritePatchedCopy(path, o.file.fd.get(), IdentityOf(o.file.info),
                                        plan.patches, {}, &written);
    ASSERT_TRUE(r) << r.message();

    // Only the bytes inside the patches differ, and there the file holds the new bytes.
    const std::string after = test::ReadWholeFile(path);
    ASSERT_EQ(after.size(), before.size());
    std::string expected = before;
    for (const BytePatch& p : plan.patches)
        expected.replace(static_cast<std::size_t>(p.offset), p.newBytes.size(),
                         std::string(p.newBytes.begin(), p.newBytes.end()));
    EXPECT_EQ(after, expected);
    EXPECT_EQ(StampRead(path, StampKind::Modify), "2004:07:16 09:00:00");
    EXPECT_EQ(StampRead(path, StampKind::Taken), "2004:07:15 14:45:10");
    EXPECT_EQ(StampRead(path, StampKind::Digitized), "2005:01:01 00:00:00");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 500);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(IdentityOf(st).ino, written.ino);
    if (xattrs) {
        char value[4] = {};
        EXPECT_EQ(::getxattr(path.c_str(), "user.rating", value, sizeof value), 1);
        EXPECT_EQ(value[0], '5');
    }
    EXPECT_EQ(test::ReadWholeFile(path).size(), before.size());
}

INSTANTIATE_TEST_SUITE_P(Files, StampRewriteTest,
                         ::testing::Values(FileCase{false, "ii.jpg"}, FileCase{true, "mm.jpg"},
                                           FileCase{false, "ii.tif"}, FileCase{true, "mm.tif"},
                                           FileCase{true, "mm.heic"}));

TEST(StampRewrite, StampsInsideAContainerPartAreNotRewritten) {
    test::TempDir dir;
    // An EXIF item kept in the HEIF's idat box, and a JPEG inside a RAF: not the file's own
    // bytes at the positions the reader knows.
    const std::pair<const char*, Bytes> files[] = {
        {"idat.heic", test::HeifFile(Tiff(false), 1, true)},
        {"a.raf", test::RafFile(test::JpegWithExif(Tiff(false)))}};
    for (const auto& [name, bytes] : files) {
        Opened o;
        ASSERT_NO_FATAL_FAILURE(Open(dir.write(name, bytes), o));
        EXPECT_TRUE(o.photo.ExifPresent()) << name;
        EXPECT_EQ(o.sites.error,
                  "the EXIF data lies inside a part of the file that is not rewritten in place")
            << name;
    }
}

struct BadCase {
    const char* what;
    std::function<void(TiffBuilder&, int, int)> spoil;
    const char* reason;
};

class BadStampTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadStampTest, FailsWithItsReasonAndLeavesTheOthers) {
    const BadCase& c = GetParam();
    for (bool bigEndian : {false, true}) {
        test::TempDir dir;
        const std::string path = dir.write("a.jpg", test::JpegWithExif(Tiff(bigEndian, c.spoil)));
        Opened o;
        ASSERT_NO_FATAL_FAILURE(Open(path, o));
        EXPECT_EQ(o.sites.of(StampKind::Modify).error, c.reason) << c.what;
        EXPECT_EQ(o.sites.of(StampKind::Taken).text(), kTaken) << c.what;
        const StampEdit edit{StampKind::Modify, "2004:07:16 09:00:00", "", ""};
        EXPECT_EQ(PlanStampEdits(o.sites, {&edit, 1}).error, c.reason) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stamps, BadStampTest,
    ::testing::Values(
        BadCase{"absent", [](TiffBuilder&, int, int) {}, "no DateTime stamp"},
        BadCase{"short", [](TiffBuilder& t, int i, int) { t.Ascii(i, 0x0132, "2004:07:16 08:00"); },
                "DateTime has 17 bytes, not 20"},
        BadCase{"undefined",
                [](TiffBuilder& t, int i, int) {
                    t.Entry(i, 0x0132, 7, 20, Bytes(kModify, kModify + 20));
                },
                "DateTime is not ASCII text"},
        BadCase{"past the end",
                [](TiffBuilder& t, int i, int) { t.RawField(i, 0x0132, 2, 20, 0x00FFFF00); },
                "DateTime lies outside the EXIF data"},
        BadCase{"blank",
                [](TiffBuilder& t, int i, int) { t.Ascii(i, 0x0132, "    :  :     :  :  "); },
                "DateTime does not hold YYYY:MM:DD hh:mm:ss"}));

struct SubsecCase {
    std::string_view stored; // SubSecTimeOriginal's bytes, count included
    const char* edit;
    std::string_view written; // "" when the field stays as it is
};

class SubsecTest : public ::testing::TestWithParam<SubsecCase> {};

TEST_P(SubsecTest, TheFractionKeepsItsFieldsLength) {
    const SubsecCase& c = GetParam();
    test::TempDir dir;
    const std::string path = dir.write("a.tif", Tiff(true, [&](TiffBuilder& t, int i, int e) {
                                           t.Ascii(i, 0x0132, kModify);
                                           t.AsciiRaw(e, 0x9291, c.stored);
                                       }));
    Opened o;
    ASSERT_NO_FATAL_FAILURE(Open(path, o));
    const StampEdit edit{StampKind::Taken, "2004:07:15 14:45:10", "", c.edit};
    const StampPlan plan = PlanStampEdits(o.sites, {&edit, 1});
    ASSERT_EQ(plan.error, "");
    std::string file = test::ReadWholeFile(path);
    for (const BytePatch& p : plan.patches)
        file.replace(static_cast<std::size_t>(p.offset), p.newBytes.size(),
                     std::string(p.newBytes.begin(), p.newBytes.end()));
    // The stamp's own patch, and the fraction's when it changes.
    EXPECT_EQ(plan.patches.size(), c.written.empty() ? 1u : 2u) << c.stored;
    if (c.written.empty())
        return;
    const auto& subsecs = o.sites.of(StampKind::Taken).subsecs;
    ASSERT_EQ(subsecs.size(), 1u);
    EXPECT_EQ(file.substr(static_cast<std::size_t>(subsecs[0].fileOffset), c.stored.size()),
              c.written);
}

using namespace std::string_view_literals;
INSTANTIATE_TEST_SUITE_P(
    Fractions, SubsecTest,
    ::testing::Values(SubsecCase{"37\0"sv, "0", "00\0"sv},
                      SubsecCase{"37\0"sv, "123456789", "12\0"sv},
                      SubsecCase{"5\0\0\0"sv, "123", "1\0\0\0"sv},
                      SubsecCase{"   \0"sv, "5", "500\0"sv},
                      SubsecCase{"0370"sv, "9", "9000"sv}, // no terminating zero
                      SubsecCase{"ab\0"sv, "0", ""sv},     // no fraction: left alone
                      SubsecCase{"37\0"sv, "", ""sv}));    // a shift keeps it

TEST(StampRewrite, RefusesAFileChangedSinceItWasRead) {
    test::TempDir dir;
    const std::string path = dir.write("a.jpg", test::JpegWithExif(Tiff(false)));
    const StampEdit edit{StampKind::Taken, "2004:07:15 14:45:10", "", ""};
    Opened o;
    ASSERT_NO_FATAL_FAILURE(Open(path, o));
    const StampPlan plan = PlanStampEdits(o.sites, {&edit, 1});
    ASSERT_EQ(plan.patches.size(), 1u);
    const struct timespec later[2] = {{1200000000, 0}, {1200000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
    const std::string before = test::ReadWholeFile(path);
    EXPECT_EQ(WritePatchedCopy(path, o.file.fd.get(), IdentityOf(o.file.info), plan.patches).error,
              kFsSourceChanged);
    // Bytes that are no longer the ones read are refused as well.
    Opened again;
    ASSERT_NO_FATAL_FAILURE(Open(path, again));
    BytePatch wrong = plan.patches[0];
    wrong.oldBytes[0] ^= 1;
    EXPECT_EQ(
        WritePatchedCopy(path, again.file.fd.get(), IdentityOf(again.file.info), {&wrong, 1}).error,
        kFsPatchMismatch);
    EXPECT_EQ(test::ReadWholeFile(path), before);
    EXPECT_EQ(StampRead(path, StampKind::Taken), kTaken);
}

TEST(StampRewrite, GivesAnExactTimeAlsoBefore1970) {
    test::TempDir dir;
    const std::string path = dir.write("a.jpg", test::JpegWithExif(Tiff(false)));
    const StampEdit edit{StampKind::Taken, "2004:07:15 14:45:10", "", ""};
    Opened o;
    ASSERT_NO_FATAL_FAILURE(Open(path, o));
    PatchOptions options;
    options.times = PatchTimes::Exact;
    options.mtimeNs = -1500000000; // 1969-12-31 23:59:58.5 UTC
    ASSERT_TRUE(WritePatchedCopy(path, o.file.fd.get(), IdentityOf(o.file.info),
                                 PlanStampEdits(o.sites, {&edit, 1}).patches, options));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(IdentityOf(st).mtimeNs, -1500000000);
}

class StampKillTest : public ::testing::TestWithParam<PatchStage> {};

TEST_P(StampKillTest, AKilledRewriteLeavesTheOldFileOrTheNew) {
    test::TempDir dir;
    // Large enough that the copy is a real one, not one block.
    Bytes jpeg = test::JpegWithExif(Tiff(true));
    jpeg.insert(jpeg.end() - 2, 4 << 20, 0x55);
    const std::string path = dir.write("big.jpg", jpeg);
    const std::string before = test::ReadWholeFile(path);
    const StampEdit edit{StampKind::Taken, "2014:07:15 13:45:10", "", ""};
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        Opened o;
        Open(path, o);
        const StampPlan plan = PlanStampEdits(o.sites, {&edit, 1});
        // Says where it is at the stage under test and waits there to be killed.
        PatchOptions options;
        options.hook = [&](PatchStage stage) {
            if (stage != GetParam())
                return;
            const char c = 'k';
            if (::write(ready[1], &c, 1) != 1)
                ::_exit(3);
            for (;;)
                ::pause();
        };
        WritePatchedCopy(path, o.file.fd.get(), IdentityOf(o.file.info), plan.patches, options);
        ::_exit(1);
    }
    ::close(ready[1]);
    char c = 0;
    const ssize_t got = ::read(ready[0], &c, 1);
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(got, 1) << "the child ended before the stage";
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    const std::string now = test::ReadWholeFile(path);
    if (GetParam() == PatchStage::Renamed) {
        EXPECT_NE(now, before);
        EXPECT_EQ(StampRead(path, StampKind::Taken), edit.value);
    } else {
        EXPECT_EQ(now, before);
    }
    // A leftover of the killed run is a temporary file, never listed; the rerun writes.
    std::vector<std::string> listed;
    for (const DirEntry& e : EnumerateFolder(dir.path(), "*.*"))
        if (e.name != "." && e.name != "..")
            listed.push_back(e.name);
    EXPECT_EQ(listed, std::vector<std::string>{"big.jpg"});
    Opened o;
    ASSERT_NO_FATAL_FAILURE(Open(path, o));
    const StampPlan plan = PlanStampEdits(o.sites, {&edit, 1});
    ASSERT_TRUE(WritePatchedCopy(path, o.file.fd.get(), IdentityOf(o.file.info), plan.patches));
    EXPECT_EQ(StampRead(path, StampKind::Taken), edit.value);
}

INSTANTIATE_TEST_SUITE_P(Stages, StampKillTest,
                         ::testing::Values(PatchStage::Copied, PatchStage::Patched,
                                           PatchStage::Synced, PatchStage::Renamed));

} // namespace
} // namespace kivo
