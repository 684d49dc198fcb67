// RAW, HEIF and CR3 containers: each fixture gives the stamps and camera facts of the TIFF
// structure inside it; damaged containers fail cleanly.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "exif/container_kind.h"
#include "exif/photo_data.h"
#include "support/container_fixtures.h"

namespace kivo {
namespace {

using namespace kivo::test;

constexpr const char* kTaken = "2019:05:04 10:20:30";

// IFD0 (make, model, DateTime) with an EXIF directory holding the EXIF 2.3 facts.
Bytes cameraTiff(bool bigEndian) {
    TiffBuilder t(bigEndian);
    const int ifd0 = t.AddIfd(), exif = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "Maker");
    t.Ascii(ifd0, 0x0110, "Model X");
    t.Ascii(ifd0, 0x0132, "2019:05:06 07:00:00");
    t.Link(ifd0, 0x8769, exif);
    t.Ascii(exif, 0x9003, kTaken);
    t.Ascii(exif, 0x9011, "+02:00");
    t.Ascii(exif, 0xA434, "Zoom 24-70mm F2.8");
    return t.Build();
}

// Canon's maker note as CR3 keeps it: a TIFF structure of its own.
Bytes canonMakerTiff(bool bigEndian) {
    TiffBuilder m(bigEndian);
    const int dir = m.AddIfd();
    m.Ascii(dir, 0x0006, "CR3:EOS R5");
    m.Ascii(dir, 0x0007, "Firmware Version 1.3.1");
    m.Long(dir, 0x0008, {1000123});
    return m.Build();
}

// CR3 keeps IFD0, the EXIF directory and the maker note in TIFF structures of their own.
Bytes cr3(const std::string& make = "Maker", bool makerBigEndian = false) {
    TiffBuilder a(false), b(false);
    const int ifd0 = a.AddIfd();
    a.Ascii(ifd0, 0x010F, make);
    a.Ascii(ifd0, 0x0110, "Model X");
    const int exif = b.AddIfd();
    b.Ascii(exif, 0x9003, kTaken);
    b.Ascii(exif, 0x9011, "+02:00");
    b.Ascii(exif, 0xA434, "Zoom 24-70mm F2.8");
    TiffBuilder g(false);
    g.Ascii(g.AddIfd(), 0x0001, "N");
    return Cr3File(a.Build(), b.Build(), g.Build(), canonMakerTiff(makerBigEndian));
}

struct ContainerCase {
    const char* name;
    std::function<Bytes()> build;
};

class Containers : public ::testing::TestWithParam<ContainerCase> {};

TEST_P(Containers, GiveTheStampAndTheFacts) {
    const Bytes file = GetParam().build();
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(pd.ReadImageBytes(GetParam().name, file)) << pd.StatusText;
    ASSERT_TRUE(pd.ExifPresent());
    ASSERT_GT(pd.Exif->TakenDatePos, 0);
    EXPECT_EQ(DateTimeText(pd.Exif->DateAt(pd.Exif->TakenDatePos)), "2019.05.04 10:20:30");
    EXPECT_EQ(pd.Exif->MakeText, "Maker");
    EXPECT_EQ(pd.Exif->ModelText, "Model X");
    EXPECT_EQ(pd.Exif->TagTextByName("OffsetTimeOriginal"), "+02:00");
    EXPECT_EQ(pd.Exif->TagTextByName("LensModel"), "Zoom 24-70mm F2.8");
}

TEST_P(Containers, EveryPrefixFailsCleanly) {
    const Bytes file = GetParam().build();
    TPhotoData pd(kBuildAll);
    for (std::size_t n = 0; n < file.size(); n += 7) {
        pd.ReadImageBytes(GetParam().name, Truncated(file, n));
        if (pd.Exif && pd.Exif->TakenDatePos > 0)
            (void)pd.Exif->DateAt(pd.Exif->TakenDatePos);
    }
    // Cut before its stamp's value, no file gives a stamp.
    pd.ReadImageBytes(GetParam().name, Truncated(file, 24));
    EXPECT_FALSE(pd.Exif && pd.Exif->TakenDatePos > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, Containers,
    ::testing::Values(
        ContainerCase{"ii.cr2", [] { return cameraTiff(false); }},
        ContainerCase{"mm.nef", [] { return cameraTiff(true); }},
        ContainerCase{"olympus.orf", [] { return WithTiffMagic(cameraTiff(false), "RO"); }},
        ContainerCase{"olympus.ORF", [] { return WithTiffMagic(cameraTiff(true), "OR"); }},
        ContainerCase{"panasonic.rw2",
                      [] {
                          return WithTiffMagic(cameraTiff(false), {"U\0", 2});
                      }},
        ContainerCase{"fuji.raf", [] { return RafFile(JpegWithExif(cameraTiff(true))); }},
        ContainerCase{"fuji-raw-dir.raf",
                      [] { return RafFile(JpegFile({App0Jfif()}), cameraTiff(false)); }},
        ContainerCase{"minolta.mrw", [] { return MrwFile(cameraTiff(true)); }},
        ContainerCase{"phone.heic", [] { return HeifFile(cameraTiff(true), 0); }},
        ContainerCase{"phone-v1.HEIF", [] { return HeifFile(cameraTiff(false), 1); }},
        ContainerCase{"phone-v2.avif", [] { return HeifFile(cameraTiff(false), 2); }},
        ContainerCase{"phone-idat.heic", [] { return HeifFile(cameraTiff(false), 1, true); }},
        ContainerCase{"canon.cr3", [] { return cr3(); }},
        // The first bytes decide over a RAW or HEIF extension.
        ContainerCase{"renamed.dng", [] { return MrwFile(cameraTiff(false)); }}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(Containers, CanonGpsPieceIsWalkedAsGps) {
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(pd.ReadImageBytes("a.cr3", cr3()));
    EXPECT_EQ(pd.Exif->TagTextByName("GPSLatitudeRef"), "N");
}

TEST(Containers, CanonMakerNoteOfCr3IsDecoded) {
    for (bool be : {false, true}) {
        SCOPED_TRACE(be ? "MM" : "II");
        TPhotoData pd(kBuildAll);
        ASSERT_TRUE(pd.ReadImageBytes("IMG_0001.CR3", cr3("Canon", be)));
        EXPECT_EQ(pd.Exif->MakeText, "Canon");
        EXPECT_EQ(DateTimeText(pd.Exif->DateAt(pd.Exif->TakenDatePos)), "2019.05.04 10:20:30");
        EXPECT_TRUE(pd.Exif->MakerDecoded);
        EXPECT_EQ(pd.Exif->TagTextByName("ImageType"), "\"CR3:EOS R5\"");
        EXPECT_EQ(pd.Exif->TagTextByName("FirmwareVersion"), "\"Firmware Version 1.3.1\"");
        EXPECT_EQ(pd.Exif->TagTextByName("ImageNumber"), "1000123");
        // The walk of the other pieces keeps the byte order of the first.
        EXPECT_FALSE(pd.Exif->BigEndian);
    }
}

struct BadCase {
    const char* name;
    Bytes bytes;
};

TEST(Containers, DamagedContainersGiveNoExif) {
    Bytes heif = HeifFile(cameraTiff(false));
    Bytes hugeBox = heif;
    hugeBox[24 + 3] = 0xFF; // the meta box claims more bytes than the file has
    hugeBox[24 + 2] = 0xFF;
    Bytes mrwLong = MrwFile(cameraTiff(false));
    mrwLong[8 + 4] = 0x7F; // the PRD block runs past the header
    Bytes rafFar = RafFile(JpegWithExif(cameraTiff(false)));
    rafFar[84] = 0x7F; // the JPEG lies beyond the end
    // An Exif item of length 0 ("to the end") in the idat box of a file without one.
    Bytes emptyIdat = HeifFile(cameraTiff(false), 1, true);
    const auto at = [&](const char* type) {
        return std::search(emptyIdat.begin(), emptyIdat.end(), type, type + 4) - emptyIdat.begin();
    };
    const auto iloc = at("iloc") - 4;
    const auto ilocEnd = iloc + ((emptyIdat[iloc + 2] << 8) | emptyIdat[iloc + 3]);
    std::fill(emptyIdat.begin() + ilocEnd - 4, emptyIdat.begin() + ilocEnd, 0);
    std::copy_n("free", 4, emptyIdat.begin() + at("idat"));
    const BadCase cases[] = {
        {"empty-idat.heic", emptyIdat},
        {"huge.heic", hugeBox},
        {"long.mrw", mrwLong},
        {"far.raf", rafFar},
        {"notftyp.heic", Box("moov", Bytes(40, 0))},
        {"empty.cr3", Bytes{}},
        {"zero.raf", Bytes(200, 0)},
    };
    TPhotoData pd(kBuildAll);
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(pd.ReadImageBytes(c.name, c.bytes));
        EXPECT_FALSE(pd.ExifPresent());
    }
}

TEST(Containers, NamesAndMagics) {
    EXPECT_EQ(ContainerByName("a/B.CR2"), PhotoContainer::Tiff);
    EXPECT_EQ(ContainerByName("x.hif"), PhotoContainer::Bmff);
    EXPECT_EQ(ContainerByName("x.png"), PhotoContainer::None);
    EXPECT_EQ(ContainerByName("x.JPEG"), PhotoContainer::Jpeg);
    EXPECT_EQ(ContainerByName("a.jpg/x"), PhotoContainer::None);
    EXPECT_EQ(ContainerByName("x.jpegjpeg"), PhotoContainer::None);
    EXPECT_TRUE(IsRawName("x.Raf"));
    EXPECT_FALSE(IsRawName("x.heic"));
    EXPECT_FALSE(IsRawName("x.tif"));
    // JPEG and TIFF names keep their reader whatever the bytes say.
    const Bytes mrw = MrwFile(cameraTiff(false));
    EXPECT_EQ(SniffContainer(mrw, "x.tif"), PhotoContainer::Tiff);
    EXPECT_EQ(SniffContainer(mrw, "x.jpg"), PhotoContainer::Jpeg);
    EXPECT_EQ(SniffContainer(mrw, "x.arw"), PhotoContainer::Mrw);
    EXPECT_EQ(SniffContainer(Bytes{1, 2, 3}, "x.cr3"), PhotoContainer::Bmff);
}

} // namespace
} // namespace kivo
