// Inputs a hostile or unlucky user gives the reader: a FIFO named like a photo, a crafted
// TIFF whose entries all point at one huge value, megabytes of 0xFF fill bytes, a TIFF whose
// directories lie far beyond the first bytes read. Every one is built here, in code, and
// every bound is checked on what the reader did (entries examined, bytes copied, bytes
// allocated, bytes read from the file), never on wall time.

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "exif/exif_info.h"
#include "exif/photo_data.h"
#include "exif/read_limits.h"
#include "exif/status_text.h"
#include "platform/datetime.h"
#include "platform/regular_file.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

// ---- Counting every allocation of this test program ----------------------------------------

namespace {

std::atomic<std::int64_t> gLive{0};
std::atomic<std::int64_t> gPeak{0};
std::atomic<std::int64_t> gTotal{0};
constexpr std::size_t kHeader = 16; // keeps the usual alignment of new

void* countedAlloc(std::size_t n) {
    void* p = std::malloc(n + kHeader);
    if (!p)
        return nullptr;
    *static_cast<std::size_t*>(p) = n;
    const std::int64_t live = gLive += static_cast<std::int64_t>(n);
    gTotal += static_cast<std::int64_t>(n);
    std::int64_t peak = gPeak.load();
    while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {
    }
    return static_cast<char*>(p) + kHeader;
}

void countedFree(void* p) {
    if (!p)
        return;
    void* block = static_cast<char*>(p) - kHeader;
    gLive -= static_cast<std::int64_t>(*static_cast<std::size_t*>(block));
    std::free(block);
}

void* countedNew(std::size_t n) {
    if (void* p = countedAlloc(n))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t n) { return countedNew(n); }
void* operator new[](std::size_t n) { return countedNew(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return countedAlloc(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return countedAlloc(n); }
void operator delete(void* p) noexcept { countedFree(p); }
void operator delete[](void* p) noexcept { countedFree(p); }
void operator delete(void* p, std::size_t) noexcept { countedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { countedFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { countedFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { countedFree(p); }

namespace kivo {
namespace {

using namespace kivo::test;

// Peak of the bytes allocated and still live while fn runs, above what was live before.
template <typename Fn>
std::int64_t PeakAllocatedDuring(Fn&& fn) {
    const std::int64_t before = gLive.load();
    gPeak = before;
    fn();
    return gPeak.load() - before;
}

void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A little-endian directory of `entries` entries at file offset `at`: tags from `tags` in
// turn, every value `count` components of `format` at file offset `valueOffset`.
void putDirectory(Bytes& b, std::size_t at, int entries, const std::vector<std::uint16_t>& tags,
                  std::uint16_t format, std::uint32_t count, std::uint32_t valueOffset) {
    put16(b, at, static_cast<std::uint16_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const std::size_t e = at + 2 + 12 * static_cast<std::size_t>(i);
        put16(b, e, tags[static_cast<std::size_t>(i) % tags.size()]);
        put16(b, e + 2, format);
        put32(b, e + 4, count);
        put32(b, e + 8, valueOffset);
    }
}

// The crafted TIFF: 256 KiB, about 21,000 entries of one directory, each with
// `count` components at one shared offset.
Bytes CraftedTiff(std::uint32_t count, int entries = 21000) {
    Bytes b(256 * 1024, 'A');
    b[0] = 'I';
    b[1] = 'I';
    put16(b, 2, 42);
    put32(b, 4, 8);
    // Known tags of the main table, the captures and the maker note among them.
    putDirectory(b, 8, entries, {0x010E, 0x013B, 0x8298, 0x02BC, 0x9286, 0x010F, 0x927C},
                 kFormatUndefined, count, 8);
    return b;
}

std::int64_t RawBytesListed(TExifInfo& exif) {
    std::int64_t n = 0;
    for (const tTagRow& row : exif.Tags())
        n += static_cast<std::int64_t>(row.RawBytes.size());
    return n;
}

// ---- 1. Non-regular files ----------------------------------------------------------------

class NonRegularFile : public ::testing::Test {
protected:
    // A reader that blocked would hang the test: the alarm ends it with a message instead.
    void SetUp() override { ::alarm(20); }
    void TearDown() override { ::alarm(0); }
    TempDir dir;
};

TEST_F(NonRegularFile, FifoNamedLikeAPhotoIsRefusedWithoutBlocking) {
    for (const char* name : {"pipe.jpg", "pipe.tif"}) {
        const std::string path = dir.file(name);
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        TPhotoData photo(kBuildAll);
        EXPECT_FALSE(photo.ReadImageFile(path)) << name;
        EXPECT_EQ(photo.StatusText, kStatusCannotOpen) << name;
        EXPECT_EQ(photo.OpenError, kNotRegularFile) << name;
        EXPECT_EQ(OpenErrorText(photo.OpenError), "not a regular file");
        EXPECT_FALSE(photo.ExifPresent());
        EXPECT_EQ(photo.SourceBytesRead, 0);
    }
}

TEST_F(NonRegularFile, SocketAndDeviceAreRefused) {
    const std::string sock = dir.file("socket.jpg");
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(sock.size(), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, sock.c_str(), sock.size() + 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    TPhotoData photo(kBuildAll);
    EXPECT_FALSE(photo.ReadImageFile(sock));
    EXPECT_EQ(photo.OpenError, kNotRegularFile);
    ::close(fd);

    // A character device behind a photo's name (it would yield bytes for ever).
    const std::string zero = dir.file("zero.jpg");
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    EXPECT_FALSE(photo.ReadImageFile(zero));
    EXPECT_EQ(photo.StatusText, kStatusCannotOpen);
    EXPECT_EQ(photo.OpenError, kNotRegularFile);
}

TEST_F(NonRegularFile, UnreadableFileSaysWhy) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    const std::string path = dir.write("locked.jpg", JpegWithExif(CameraTiff(false)));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    TPhotoData photo(kBuildAll);
    EXPECT_FALSE(photo.ReadImageFile(path));
    EXPECT_EQ(photo.StatusText, kStatusCannotOpen);
    EXPECT_EQ(photo.OpenError, EACCES);
}

TEST_F(NonRegularFile, RegularFileStillReads) {
    const std::string path = dir.write("a.jpg", JpegWithExif(CameraTiff(false)));
    TPhotoData photo(kBuildAll);
    EXPECT_TRUE(photo.ReadImageFile(path));
    EXPECT_EQ(photo.OpenError, 0);
    EXPECT_TRUE(photo.ExifPresent());
    EXPECT_GT(photo.Exif->TakenDatePos, 0);
}

// ---- 2. The crafted TIFF: entries sharing one huge value ---------------------------------

TEST(CraftedTiff, ValuesOverTheEntryLimitAreShownAsTheirSizeAndNotCopied) {
    const Bytes file = CraftedTiff(250000);
    TPhotoData photo(kBuildAll);
    std::string trace;
    const std::int64_t peak = PeakAllocatedDuring([&] {
        EXPECT_TRUE(photo.ReadImageBytes("crafted.tif", file));
        trace = photo.Exif->TraceText();
        (void)photo.Exif->Tags();
    });
    ASSERT_TRUE(photo.Exif);
    TExifInfo& exif = *photo.Exif;
    EXPECT_EQ(photo.StatusText, kStatusOk);
    EXPECT_TRUE(photo.ExifPresent());
    // The entries examined are bounded, and so is everything built from them.
    EXPECT_LE(exif.Work.entries, kMaxEntriesPerFile);
    EXPECT_TRUE(exif.Work.entriesExhausted);
    EXPECT_LE(exif.TagCount(), kMaxEntriesPerFile);
    EXPECT_GT(exif.TagCount(), 1000);
    // No value bytes are rendered or copied: each is over the entry limit (the maker note's
    // copies excepted, which its own limit allows).
    EXPECT_EQ(RawBytesListed(exif), 0);
    EXPECT_LE(exif.Work.valueBytes, kMaxFileValueBytes);
    EXPECT_EQ(exif.Work.cappedValues, exif.TagCount());
    EXPECT_EQ(exif.Tags()[0].Shown, "(250000 bytes)");
    EXPECT_EQ(exif.MakeText, "(250000 bytes)");
    EXPECT_NE(trace.find("\r\nImage Description = (250000 bytes)"), std::string::npos);
    EXPECT_LT(static_cast<std::int64_t>(trace.size()), 100 * kMaxEntriesPerFile);
    // Copying every value once cost 5.2 GB; the reader must stay below 64 MB.
    EXPECT_LT(peak, 48LL * 1024 * 1024) << peak;
}

TEST(CraftedTiff, ValuesUnderTheEntryLimitStopAtTheFileLimit) {
    // 60,000 bytes per entry pass the entry limit; 21,000 of them would be 1.26 GB.
    const Bytes file = CraftedTiff(60000);
    for (int mode : {kBuildAll, kBuildList, kBuildRender, 0}) {
        SCOPED_TRACE(mode);
        TPhotoData photo(mode);
        const std::int64_t peak = PeakAllocatedDuring([&] {
            photo.ReadImageBytes("crafted.tif", file);
            (void)photo.Exif->TraceText();
            (void)photo.Exif->Tags();
        });
        TExifInfo& exif = *photo.Exif;
        EXPECT_LE(exif.Work.valueBytes, kMaxFileValueBytes);
        EXPECT_LE(RawBytesListed(exif), kMaxFileValueBytes);
        EXPECT_LE(exif.Work.entries, kMaxEntriesPerFile);
        if (mode != 0) {
            EXPECT_GT(exif.Work.cappedValues, 10000);
            EXPECT_GT(exif.Work.valueBytes, kMaxFileValueBytes - 60000);
        }
        EXPECT_LT(peak, 64LL * 1024 * 1024) << peak;
    }
}

TEST(CraftedTiff, SameBoundInAJpegExifSegment) {
    // 5,400 entries in one EXIF segment, each pointing at 60,000 bytes of the segment.
    Bytes tiff(65000, 'B');
    tiff[0] = 'I';
    tiff[1] = 'I';
    put16(tiff, 2, 42);
    put32(tiff, 4, 8);
    putDirectory(tiff, 8, 5400, {0x010E, 0x013B, 0x8298}, kFormatUndefined, 60000, 8);
    const Bytes jpeg = JpegFile({ExifApp1(tiff)});
    TPhotoData photo(kBuildAll);
    const std::int64_t peak = PeakAllocatedDuring([&] {
        EXPECT_TRUE(photo.ReadImageBytes("crafted.jpg", jpeg));
        (void)photo.Exif->Tags();
    });
    EXPECT_EQ(photo.Exif->TagCount(), 5400);
    EXPECT_LE(RawBytesListed(*photo.Exif), kMaxFileValueBytes);
    EXPECT_GT(photo.Exif->Work.cappedValues, 5000);
    EXPECT_LT(peak, 64LL * 1024 * 1024) << peak;
}

TEST(CraftedTiff, DirectoriesLinkingToOverlappingDirectoriesEndAtTheEntryLimit) {
    // 21,000 EXIF-directory links, each to a different (overlapping) directory of thousands
    // of entries: without a limit per file, hundreds of millions of entries.
    Bytes b(256 * 1024, 0);
    b[0] = 'I';
    b[1] = 'I';
    put16(b, 2, 42);
    put32(b, 4, 8);
    const int entries = 21000;
    put16(b, 8, entries);
    for (int i = 0; i < entries; ++i) {
        const std::size_t e = 10 + 12 * static_cast<std::size_t>(i);
        put16(b, e, 0x8769);
        put16(b, e + 2, kFormatLong);
        put32(b, e + 4, 1);
        put32(b, e + 8, static_cast<std::uint32_t>(8 + 2 + 12 * (i + 1) - 2));
    }
    TPhotoData photo(kBuildAll);
    photo.ReadImageBytes("links.tif", b);
    ASSERT_TRUE(photo.Exif);
    EXPECT_LE(photo.Exif->Work.entries, kMaxEntriesPerFile);
    EXPECT_LE(photo.Exif->TagCount(), kMaxEntriesPerFile);
}

// ---- 3. Fill bytes -------------------------------------------------------------------------

Bytes FillFile(std::size_t fill, const Bytes& before = {}) {
    Bytes b = {0xFF, 0xD8};
    b.insert(b.end(), before.begin(), before.end());
    b.resize(b.size() + fill, 0xFF);
    return b;
}

TEST(FillBytes, TheScanGivesUpAfterABoundedRunOfFill) {
    const Bytes file = FillFile(32 * 1024 * 1024);
    TPhotoData photo(kBuildAll);
    EXPECT_FALSE(photo.ReadImageBytes("fill.jpg", file));
    EXPECT_EQ(photo.StatusText, kStatusNotExif);
    EXPECT_LE(photo.SourceBytesRead, 2 + kMaxFillBytes + 1);
}

TEST(FillBytes, MetadataBeforeTheFillIsKept) {
    const Bytes segments = JpegFile({ExifApp1(CameraTiff(false))}, true);
    const Bytes header(segments.begin() + 2, segments.end()); // without its SOI
    const Bytes file = FillFile(8 * 1024 * 1024, header);
    TempDir dir;
    const std::string path = dir.write("fill.jpg", file);
    TPhotoData photo(kBuildAll);
    EXPECT_TRUE(photo.ReadImageFile(path)); // through the file's buffer
    EXPECT_TRUE(photo.ExifPresent());
    EXPECT_EQ(photo.Exif->MakeText, "Canon");
    EXPECT_LE(photo.SourceBytesRead,
              static_cast<std::int64_t>(header.size()) + 2 + kMaxFillBytes + 1);
}

TEST(FillBytes, FillUpToTheLimitIsSkipped) {
    // A segment after 60,000 fill bytes is still found, from memory and from a file.
    Bytes file = FillFile(60000);
    const Bytes comment = JpegFile({Comment("after the fill")}, true);
    file.insert(file.end(), comment.begin() + 2, comment.end());
    TempDir dir;
    const std::string path = dir.write("fill.jpg", file);
    for (bool fromFile : {false, true}) {
        TPhotoData photo(kBuildAll);
        EXPECT_TRUE(fromFile ? photo.ReadImageFile(path) : photo.ReadImageBytes("f.jpg", file));
        ASSERT_NE(photo.CommentSlot, nullptr);
        EXPECT_EQ(photo.CommentSlot->Marker, 0xFE);
    }
}

// ---- 4. Directories beyond the first 256000 bytes -----------------------------------------

// A TIFF whose directories start after `gap` bytes of image data.
Bytes FarTiff(std::uint32_t gap, bool bigEndian = false) {
    TiffBuilder t(bigEndian);
    const int ifd0 = t.AddIfd(), exif = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "NIKON CORPORATION");
    t.Ascii(ifd0, 0x0110, "NIKON D70");
    t.Ascii(ifd0, 0x0132, "2005:01:02 03:04:05");
    t.Link(ifd0, 0x8769, exif);
    t.Ascii(exif, 0x9003, "2005:01:01 10:20:30");
    t.Ascii(exif, 0x9004, "2005:01:01 10:20:31");
    t.Rational(exif, 0x829A, {{1, 125}});
    t.Short(exif, 0xA002, {3008});
    t.SetGapAfterHeader(gap);
    return t.Build();
}

TEST(FarDirectories, ADirectoryBeyondTheFirstBytesIsReadWhereItLies) {
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian);
        const Bytes file = FarTiff(3 * 1024 * 1024, bigEndian);
        TempDir dir;
        const std::string path = dir.write("far.tif", file);
        for (bool fromFile : {false, true}) {
            TPhotoData photo(kBuildAll);
            EXPECT_TRUE(fromFile ? photo.ReadImageFile(path)
                                 : photo.ReadImageBytes("far.tif", file));
            ASSERT_TRUE(photo.Exif);
            TExifInfo& exif = *photo.Exif;
            EXPECT_EQ(exif.MakeText, "NIKON CORPORATION");
            EXPECT_EQ(exif.ModelText, "NIKON D70");
            EXPECT_EQ(exif.PixelWidth, 3008);
            // Positions keep their meaning: file offset - 7.
            ASSERT_GT(exif.TakenDatePos, 3 * 1024 * 1024);
            EXPECT_EQ(file[static_cast<std::size_t>(exif.TakenDatePos + 7)], '2');
            EXPECT_EQ(DateTimeText(exif.DateAt(exif.TakenDatePos)), "2005.01.01 10:20:30");
            EXPECT_EQ(DateTimeText(exif.DateAt(exif.ModifyDatePos)), "2005.01.02 03:04:05");
            EXPECT_EQ(DateTimeText(exif.DateAt(exif.DigitizedDatePos)), "2005.01.01 10:20:31");
            EXPECT_EQ(exif.TagTextByName("ExposureTime"), "1/125 sec");
            EXPECT_EQ(exif.TagCount(), 8);
            EXPECT_NE(exif.TraceText().find("\r\nMake = NIKON CORPORATION"), std::string::npos);
            // A few pieces read, not the whole file.
            EXPECT_GE(photo.FarReads, 1);
            EXPECT_LE(photo.FarBytesRead, 2 * kFarReadWindow);
            EXPECT_LT(photo.SourceBytesRead, 256000 + 8 + 2 * kFarReadWindow);
        }
    }
}

TEST(FarDirectories, DeferredAndEagerRenderingAgree) {
    const Bytes file = FarTiff(400000);
    auto read = [&](bool defer) {
        TExifInfo::DeferRendering = defer;
        TPhotoData photo(kBuildAll);
        photo.ReadImageBytes("far.tif", file);
        std::string all = photo.Exif->TraceText();
        for (const tTagRow& row : photo.Exif->Tags())
            all += "|" + row.Key + "=" + row.Shown + "/" + std::to_string(row.RawBytes.size());
        return all;
    };
    const std::string deferred = read(true);
    const std::string eager = read(false);
    TExifInfo::DeferRendering = true;
    EXPECT_EQ(deferred, eager);
    EXPECT_NE(deferred.find("Date Time Original = 2005:01:01 10:20:30"), std::string::npos);
}

TEST(FarDirectories, NearFilesReadNothingMore) {
    const Bytes file = FarTiff(1000);
    TPhotoData photo(kBuildAll);
    EXPECT_TRUE(photo.ReadImageBytes("near.tif", file));
    EXPECT_EQ(photo.FarReads, 0);
    EXPECT_EQ(photo.Exif->MakeText, "NIKON CORPORATION");
}

TEST(FarDirectories, FarReadsAreBounded) {
    // 16 MB of image data, then a directory of 5,000 entries whose values lie at 5,000
    // different far offsets, and a directory offset beyond the end of the file.
    const std::size_t dirAt = 16u * 1024 * 1024;
    Bytes b(dirAt + 2 + 12 * 5000 + 4, 'x');
    b[0] = 'I';
    b[1] = 'I';
    put16(b, 2, 42);
    put32(b, 4, static_cast<std::uint32_t>(dirAt));
    put16(b, dirAt, 5000);
    for (int i = 0; i < 5000; ++i) {
        const std::size_t e = dirAt + 2 + 12 * static_cast<std::size_t>(i);
        put16(b, e, i % 2 ? 0x010E : 0x8769);
        put16(b, e + 2, i % 2 ? kFormatUndefined : kFormatLong);
        put32(b, e + 4, i % 2 ? 1000 : 1);
        put32(b, e + 8, i % 2 ? static_cast<std::uint32_t>(300000 + 3000 * i)
                              : 0xF0000000u + static_cast<std::uint32_t>(i));
    }
    TPhotoData photo(kBuildAll);
    const std::int64_t peak = PeakAllocatedDuring([&] {
        photo.ReadImageBytes("many.tif", b);
        (void)photo.Exif->Tags();
    });
    EXPECT_LE(photo.FarReads, kMaxFarReads);
    EXPECT_LE(photo.FarBytesRead, kMaxFarBytes);
    EXPECT_GT(photo.Exif->TagCount(), 100);
    EXPECT_LT(peak, 64LL * 1024 * 1024) << peak;
}

TEST(FarDirectories, TruncatedFarDirectoryIsSafe) {
    Bytes file = FarTiff(300000);
    for (std::size_t cut = 300000; cut < file.size(); cut += 7) {
        TPhotoData photo(kBuildAll);
        photo.ReadImageBytes("cut.tif", std::span(file.data(), cut));
        if (photo.Exif) {
            for (std::int32_t pos : {photo.Exif->ModifyDatePos, photo.Exif->TakenDatePos})
                (void)photo.Exif->DateAt(pos);
            (void)photo.Exif->TraceText();
            (void)photo.Exif->Tags();
        }
    }
}

} // namespace
} // namespace kivo
