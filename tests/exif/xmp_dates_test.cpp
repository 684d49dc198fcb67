// XMP dates: the three properties in attribute and element form, their conversion to EXIF
// stamps, the APP1 packet of a JPEG and the sidecar file of a photo.

#include <gtest/gtest.h>

#include "exif/photo_data.h"
#include "exif/xmp_dates.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using namespace kivo::test;

constexpr const char* kPacket =
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF><rdf:Description "
    "xmp:CreateDate=\"2020-02-03T04:05:06.78+01:00\" exif:DateTimeOriginalX=\"no\">"
    "<exif:DateTimeOriginal>2019-05-04T10:20:30-05:00</exif:DateTimeOriginal>"
    "<photoshop:DateCreated>2018-01-02</photoshop:DateCreated>"
    "</rdf:Description></rdf:RDF></x:xmpmeta>";

TEST(XmpDates, FindsAttributesAndElements) {
    const XmpDates d = ParseXmpDates(kPacket);
    EXPECT_EQ(d.dateTimeOriginal, "2019-05-04T10:20:30-05:00");
    EXPECT_EQ(d.createDate, "2020-02-03T04:05:06.78+01:00");
    EXPECT_EQ(d.dateCreated, "2018-01-02");
    EXPECT_EQ(d.TakenStamp(), "2019:05:04 10:20:30");
    EXPECT_TRUE(ParseXmpDates("<rdf:RDF/>").empty());
}

struct StampCase {
    const char* xmp;
    const char* exif; // "" = does not convert
};

class XmpStamp : public ::testing::TestWithParam<StampCase> {};

TEST_P(XmpStamp, Converts) {
    EXPECT_EQ(XmpDateAsExifStamp(GetParam().xmp).value_or(""), GetParam().exif);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, XmpStamp,
    ::testing::Values(StampCase{"2019-05-04T10:20:30Z", "2019:05:04 10:20:30"},
                      StampCase{"2019-05-04T10:20+02:00", "2019:05:04 10:20:00"},
                      StampCase{"2019-05-04", "2019:05:04 00:00:00"}, StampCase{"2019-05", ""},
                      StampCase{"2019:05:04 10:20:30", ""}, StampCase{"2019-05-04T1", ""},
                      StampCase{"", ""}));

TEST(XmpDates, PacketOfTheJpegAndTheSidecar) {
    std::string payload = "http://ns.adobe.com/xap/1.0/";
    payload.push_back('\0');
    payload += kPacket;
    TempDir dir;
    const std::string jpeg =
        dir.write("a.jpg", JpegFile({ExifApp1(CameraTiff(false)), MakeSegment(0xE1, payload)}));
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(pd.ReadImageFile(jpeg));
    EXPECT_EQ(ParseXmpDates(pd.XmpPacket).createDate, "2020-02-03T04:05:06.78+01:00");
    EXPECT_EQ(ReadXmpSidecar(jpeg), "");
    dir.write("b.CR2.xmp", "<x xmp:CreateDate='2001-01-01T00:00:01'/>");
    EXPECT_EQ(ParseXmpDates(ReadXmpSidecar(dir.file("b.CR2"))).createDate, "2001-01-01T00:00:01");
    dir.write("b.XMP", "stem first");
    EXPECT_EQ(ReadXmpSidecar(dir.file("b.CR2")), "stem first");
}

// Past the photos it looks up one by one, the reader lists the folder: same answers.
TEST(XmpDates, SidecarReaderOfAListedFolderFindsWhatTheLookUpsFind) {
    TempDir dir;
    dir.write("a.xmp", "stem");
    dir.write("b.JPG.XMP", "name and extension");
    dir.write("c.XMP", "upper stem");
    dir.write("c.jpg.xmp", "later candidate");
    dir.mkdir("d.xmp"); // not a regular file
    dir.write("e.xmpx", "not a sidecar");
    dir.write("big.xmp", std::string(kMaxXmpBytes + 10, 'x'));
    XmpSidecarReader reader;
    for (int round = 0; round < 2 * XmpSidecarReader::kListAfter; ++round)
        for (const char* photo : {"a.jpg", "b.JPG", "c.jpg", "d.jpg", "e.jpg", "big.nef", "z.jpg"})
            ASSERT_EQ(reader.Read(dir.file(photo)), ReadXmpSidecar(dir.file(photo)))
                << photo << " round " << round;
    EXPECT_EQ(reader.Read(dir.file("c.jpg")), "upper stem");
    EXPECT_EQ(reader.Read(dir.file("big.nef")).size(), kMaxXmpBytes);
    EXPECT_EQ(reader.Read(dir.file("d.jpg")), "");
}

} // namespace
} // namespace kivo
