// IPTC records: the dataset table, parsing an APP13 segment and editing the record list.

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exif/exif_types.h"
#include "exif/iptc.h"
#include "exif/photo_data.h"
#include "exif/read_limits.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Dataset {
    std::uint8_t record;
    std::uint8_t dataset;
    std::string data;
};

Bytes Datasets(const std::vector<Dataset>& sets) {
    Bytes b;
    for (const Dataset& d : sets) {
        b.insert(b.end(), {0x1C, d.record, d.dataset, static_cast<std::uint8_t>(d.data.size() >> 8),
                           static_cast<std::uint8_t>(d.data.size())});
        b.insert(b.end(), d.data.begin(), d.data.end());
    }
    return b;
}

// One Photoshop image resource: "8BIM", id, empty name, size, data, padded to even size.
Bytes Resource(std::uint16_t id, const Bytes& data) {
    Bytes b = {
        '8', 'B', 'I', 'M', static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id),
        0,   0};
    const auto n = static_cast<std::uint32_t>(data.size());
    b.insert(b.end(), {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                       static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) {
        b.push_back(0);
    }
    return b;
}

// The APP13 payload: "Photoshop 3.0", a zero byte, the resources.
Bytes Photoshop(const std::vector<Bytes>& resources) {
    const std::string sig = "Photoshop 3.0";
    Bytes b(sig.begin(), sig.end());
    b.push_back(0);
    for (const Bytes& r : resources) {
        b.insert(b.end(), r.begin(), r.end());
    }
    return b;
}

// The segment as the JPEG scan stores it: the two length bytes, then the payload.
Bytes Stored(const Bytes& payload) {
    const auto n = static_cast<std::uint32_t>(payload.size() + 2);
    Bytes b = {static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

Bytes IptcSegment(const std::vector<Dataset>& sets) {
    return Stored(Photoshop({Resource(0x0404, Datasets(sets))}));
}

TEST(IptcTagTable, FortyNineRowsAsListed) {
    const std::vector<tTagRow>& t = IptcTagTable();
    ASSERT_EQ(t.size(), static_cast<std::size_t>(kIptcTagRows));
    EXPECT_EQ(t.front().Key, "SKIP");
    EXPECT_EQ(t.front().Caption, "Record Version");
    EXPECT_EQ(t.front().Aux, 2);
    EXPECT_EQ(t.front().Number, 0);
    EXPECT_EQ(t.back().Key, "Subfile");
    EXPECT_EQ(t.back().Aux, 8);
    EXPECT_EQ(t.back().Number, 10);
    EXPECT_EQ(t.back().RawLen, 2);
    const tTagRow& caption = t[static_cast<std::size_t>(IptcTableIndexByName("imagecaption"))];
    EXPECT_EQ(caption.Number, 120);
    EXPECT_EQ(caption.Caption, "Image caption");
    EXPECT_EQ(caption.RawLen, 2000);
    EXPECT_EQ(IptcTableIndexByName("LocationName"), 36);
    EXPECT_EQ(IptcTableIndexByName("Nothing"), -1);
    for (std::size_t i = 1; i + 1 < t.size(); ++i) {
        EXPECT_EQ(t[i].Aux, 2);
        EXPECT_LT(t[i - 1].Number, t[i].Number) << t[i].Key;
    }
}

TEST(IptcParse, TwoKeywordsBecomeOneRecord) {
    TIptcInfo iptc(nullptr);
    const int n = iptc.ParseIptcSegment(IptcSegment(
        {{2, 0, std::string("\0\2", 2)}, {2, 25, "a"}, {2, 120, "A caption"}, {2, 25, "b"}}));
    ASSERT_EQ(n, 2);
    const tTagRow& keywords = iptc.Records()[0];
    EXPECT_EQ(keywords.Key, "Keywords");
    EXPECT_EQ(keywords.Shown, "a,b");
    EXPECT_EQ(keywords.Aux, 2);
    EXPECT_EQ(keywords.Number, 25);
    EXPECT_EQ(keywords.RawLen, 64);
    EXPECT_EQ(iptc.Records()[1].Key, "ImageCaption");
    EXPECT_EQ(iptc.Records()[1].Caption, "Image caption");
    EXPECT_EQ(iptc.Records()[1].Shown, "A caption");
}

TEST(IptcParse, SupplementalCategoriesMergeToo) {
    TIptcInfo iptc(nullptr);
    iptc.ParseIptcSegment(IptcSegment({{2, 20, "x"}, {2, 20, ""}, {2, 20, "y"}}));
    ASSERT_EQ(iptc.RecordCount(), 1);
    EXPECT_EQ(iptc.TextByName("SuppCategory", "?"), "x,y");
}

TEST(IptcParse, UnknownDatasetsBecomeCustomRecords) {
    TIptcInfo iptc(nullptr);
    iptc.ParseIptcSegment(IptcSegment({{2, 200, "own"}, {8, 10, "01"}, {8, 20, "p"}}));
    ASSERT_EQ(iptc.RecordCount(), 3);
    const tTagRow& custom = iptc.Records()[0];
    EXPECT_EQ(custom.Key, "Custom_200");
    EXPECT_EQ(custom.Caption, "Custom_200");
    EXPECT_EQ(custom.Number, 200);
    EXPECT_EQ(custom.Aux, 2);
    EXPECT_EQ(custom.Shown, "own");
    EXPECT_EQ(custom.RawLen, 64);
    EXPECT_EQ(iptc.Records()[1].Key, "Subfile");
    EXPECT_EQ(iptc.Records()[2].Key, "Custom_20");
    EXPECT_EQ(iptc.Records()[2].Aux, 8);
}

TEST(IptcParse, OtherRecordsAndTheVersionAreNotListed) {
    TIptcInfo iptc(nullptr);
    // The envelope record (1) before the first record-2 dataset is passed over by the search
    // for the start; a record-1 dataset later in the list gives no record.
    iptc.ParseIptcSegment(IptcSegment({{1, 90, "\x1b%G"},
                                       {2, 0, std::string("\0\4", 2)},
                                       {2, 90, "Praha"},
                                       {1, 20, "x"},
                                       {2, 101, "Czech Republic"}}));
    ASSERT_EQ(iptc.RecordCount(), 2);
    EXPECT_EQ(iptc.TextByName("City", ""), "Praha");
    EXPECT_EQ(iptc.TextByName("LocationName", ""), "Czech Republic");
}

TEST(IptcParse, SegmentWithoutDatasetsLeavesTheListEmpty) {
    TIptcInfo iptc(nullptr);
    iptc.SetByName("City", "Brno");
    EXPECT_EQ(iptc.ParseIptcSegment(Stored(Photoshop({Resource(0x03ED, Bytes(16, 0x1C))}))), 0);
    EXPECT_EQ(iptc.RecordCount(), 0);
    EXPECT_EQ(iptc.ParseIptcSegment({}), 0);
}

TEST(IptcParse, WithoutSignatureTheSearchStartsAtThirteen) {
    // Datasets right after the length bytes are before position 13 and not seen.
    Bytes early = Stored(Datasets({{2, 90, "Olomouc"}}));
    TIptcInfo iptc(nullptr);
    EXPECT_EQ(iptc.ParseIptcSegment(early), 0);
    Bytes later = Stored(Bytes(12, 'x'));
    const Bytes sets = Datasets({{2, 90, "Olomouc"}});
    later.insert(later.end(), sets.begin(), sets.end());
    EXPECT_EQ(iptc.ParseIptcSegment(later), 1);
    EXPECT_EQ(iptc.TextByName("City", ""), "Olomouc");
}

TEST(IptcParse, DatasetsEndWhereTheMarkersEnd) {
    // After the IPTC resource comes another resource whose data look like a dataset.
    const Bytes fake = Datasets({{2, 5, "not a record"}});
    const Bytes segment =
        Stored(Photoshop({Resource(0x0404, Datasets({{2, 5, "Title"}})), Resource(0x0401, fake)}));
    TIptcInfo iptc(nullptr);
    EXPECT_EQ(iptc.ParseIptcSegment(segment), 1);
    EXPECT_EQ(iptc.TextByName("ObjectName", ""), "Title");
}

TEST(IptcParse, DatasetCutShortKeepsWhatIsThere) {
    Bytes segment = IptcSegment({{2, 90, "Plzen"}, {2, 120, "A long caption"}});
    segment.resize(segment.size() - 4);
    TIptcInfo iptc(nullptr);
    EXPECT_EQ(iptc.ParseIptcSegment(segment), 2);
    EXPECT_EQ(iptc.TextByName("ImageCaption", ""), "A long capt");
}

TEST(IptcParse, HeaderCutShortEndsTheParse) {
    for (std::size_t cut = 1; cut <= 6; ++cut) {
        Bytes segment = IptcSegment({{2, 90, "Plzen"}, {2, 120, "Caption"}});
        const std::size_t secondStart = segment.size() - (5 + 7);
        segment.resize(secondStart + cut);
        TIptcInfo iptc(nullptr);
        iptc.ParseIptcSegment(segment);
        EXPECT_EQ(iptc.TextByName("City", ""), "Plzen") << cut;
    }
}

TEST(IptcDataset, ReadsOneDatasetAndMovesPastTheNextMarker) {
    const Bytes bytes = Datasets({{2, 116, "(c) 2004"}, {2, 80, "Jan"}});
    std::int64_t p = 2; // the record byte of the first dataset
    const tTagRow first = TIptcInfo::ReadIptcDataset(bytes, p);
    EXPECT_EQ(first.Key, "Copyright");
    EXPECT_EQ(first.Caption, "Copyright Notice");
    EXPECT_EQ(first.Shown, "(c) 2004");
    EXPECT_EQ(first.RawLen, 128);
    EXPECT_EQ(p, 2 + 4 + 8 + 1);
    const tTagRow second = TIptcInfo::ReadIptcDataset(bytes, p);
    EXPECT_EQ(second.Key, "ByLine");
    EXPECT_GT(p, static_cast<std::int64_t>(bytes.size()));
}

TEST(IptcDataset, PositionsOutsideTheBytesGiveAnEmptyRecord) {
    const Bytes bytes = Datasets({{2, 80, "Jan"}});
    for (std::int64_t start :
         {std::int64_t{0}, std::int64_t{-5}, std::int64_t{7}, std::int64_t{100}}) {
        std::int64_t p = start;
        const tTagRow row = TIptcInfo::ReadIptcDataset(bytes, p);
        EXPECT_EQ(row.Number, 0);
        EXPECT_GT(p, static_cast<std::int64_t>(bytes.size()));
    }
}

TEST(IptcEdit, SetAddRemoveAndText) {
    TIptcInfo iptc(nullptr);
    EXPECT_EQ(iptc.IndexByName("City"), -1);
    EXPECT_EQ(iptc.SetByName("city", "Praha"), 0);
    EXPECT_EQ(iptc.Records()[0].Key, "City");
    EXPECT_EQ(iptc.Records()[0].Number, 90);
    EXPECT_EQ(iptc.SetByName("CITY", ""), 0);
    EXPECT_EQ(iptc.TextByName("City", "-"), "Praha");
    EXPECT_EQ(iptc.SetByName("City", "Brno"), 0);
    EXPECT_EQ(iptc.TextByName("City", "-"), "Brno");
    EXPECT_EQ(iptc.SetByName("NoSuchKey", "x"), -1);
    EXPECT_EQ(iptc.RecordCount(), 1);

    EXPECT_EQ(iptc.AddByName("Keywords", "a"), 1);
    EXPECT_EQ(iptc.AddByName("keywords", "b"), 1);
    EXPECT_EQ(iptc.AddByName("Keywords", ""), 1);
    EXPECT_EQ(iptc.TextByName("Keywords", ""), "a,b");
    EXPECT_EQ(iptc.AddByName("Other", "b"), -1);

    iptc.RemoveByName("CITY");
    EXPECT_EQ(iptc.RecordCount(), 1);
    EXPECT_EQ(iptc.IndexByName("Keywords"), 0);
    EXPECT_EQ(iptc.TextByName("City", "none"), "none");
    iptc.RemoveByName("City");
    EXPECT_EQ(iptc.RecordCount(), 1);
}

TEST(IptcEdit, SetOrAddCollectsMultiValuedDatasetsAndReplacesTheOthers) {
    TIptcInfo iptc(nullptr);
    iptc.SetOrAddByTableName("Keywords", "a");
    iptc.SetOrAddByTableName("Keywords", "b");
    iptc.SetOrAddByTableName("City", "Praha");
    iptc.SetOrAddByTableName("City", "Brno");
    iptc.SetOrAddByTableName("SuppCategory", "x");
    iptc.SetOrAddByTableName("SuppCategory", "y");
    EXPECT_EQ(iptc.TextByName("Keywords", ""), "a,b");
    EXPECT_EQ(iptc.TextByName("City", ""), "Brno");
    EXPECT_EQ(iptc.TextByName("SuppCategory", ""), "x,y");
    EXPECT_EQ(iptc.SetOrAddByTableName("Unknown", "z"), -1);
}

TEST(IptcEdit, CapacityGrowsByTwentyFiveBeforeTheListFills) {
    TIptcInfo iptc(nullptr);
    EXPECT_EQ(iptc.RecordCapacity(), 0);
    std::vector<Dataset> sets;
    for (int i = 0; i < 25; ++i) {
        sets.push_back({2, static_cast<std::uint8_t>(140 + i), "v"});
    }
    iptc.ParseIptcSegment(IptcSegment(sets));
    ASSERT_EQ(iptc.RecordCount(), 25);
    EXPECT_EQ(iptc.RecordCapacity(), 50);
    EXPECT_EQ(iptc.Records()[24].Key, "Custom_164");
}

Bytes JpegWithIptc(const std::vector<Dataset>& sets) {
    const Bytes payload = Photoshop({Resource(0x0404, Datasets(sets))});
    return test::JpegFile({test::App0Jfif(), test::ExifApp1(test::CameraTiff(false)),
                           test::MakeSegment(0xED, payload)});
}

TEST(IptcReader, ScanCreatesAnEmptyListForTheApp13Segment) {
    TPhotoData photo(kBuildAll);
    ASSERT_TRUE(photo.ReadImageBytes("iptc.jpg", JpegWithIptc({{2, 90, "Praha"}})));
    ASSERT_NE(photo.IptcSlot, nullptr);
    ASSERT_NE(photo.Iptc, nullptr);
    EXPECT_EQ(photo.Iptc->Owner, &photo);
    EXPECT_EQ(photo.Iptc->RecordCount(), 0);
    EXPECT_EQ(photo.Iptc->ParseIptcSegment(photo.IptcSlot->Bytes), 1);
    EXPECT_EQ(photo.Iptc->TextByName("City", ""), "Praha");
}

TEST(IptcReader, App13AfterTheTwentiethSegmentIsRead) {
    // APP0, EXIF, then 25 APP2 segments: the 20 slots are used before the APP13 comes.
    std::vector<test::Segment> segments = {test::App0Jfif(),
                                           test::ExifApp1(test::CameraTiff(false))};
    for (int i = 0; i < 25; ++i)
        segments.push_back(test::MakeSegment(0xE2, Bytes(100, static_cast<std::uint8_t>(i))));
    segments.push_back(test::MakeSegment(
        0xED, Photoshop({Resource(0x0404, Datasets({{2, 90, "Brno"}, {2, 25, "a"}}))})));
    TPhotoData photo(kBuildAll);
    ASSERT_TRUE(photo.ReadImageBytes("late.jpg", test::JpegFile(segments)));
    EXPECT_EQ(photo.SegmentCount, TPhotoData::kMaxSegments);
    ASSERT_NE(photo.IptcSlot, nullptr);
    ASSERT_NE(photo.Iptc, nullptr);
    EXPECT_EQ(photo.Iptc->ParseIptcSegment(photo.IptcBytes()), 2);
    EXPECT_EQ(photo.Iptc->TextByName("City", ""), "Brno");
    // The EXIF data is as before.
    EXPECT_EQ(photo.Exif->MakeText, "Canon");
}

TEST(IptcReader, ScanAfterTheSlotsIsBoundedByBytes) {
    // 20 slots, then 100 APP2 segments of 64 KB: the scan looks no further than its limit.
    std::vector<test::Segment> segments = {test::ExifApp1(test::CameraTiff(false))};
    for (int i = 0; i < 120; ++i)
        segments.push_back(test::MakeSegment(0xE2, Bytes(65000, 1)));
    segments.push_back(test::MakeSegment(0xED, Photoshop({Resource(0x0404, Datasets({{2, 90, "x"}}))})));
    const Bytes file = test::JpegFile(segments);
    TPhotoData photo(kBuildAll);
    ASSERT_TRUE(photo.ReadImageBytes("far.jpg", file));
    EXPECT_EQ(photo.IptcSlot, nullptr);
    EXPECT_LE(photo.SourceBytesRead, 21 * 65002 + kMaxScanBytesAfterSlots + 65002);
}

TEST(IptcReader, PhotoshopBlockSplitOverApp13SegmentsIsJoined) {
    // One IPTC resource of 100 keywords of 1000 bytes, cut in two APP13 segments as
    // Photoshop writes it: each segment begins with its own header.
    std::vector<Dataset> sets;
    for (int i = 0; i < 100; ++i)
        sets.push_back({2, 25, std::string(999, static_cast<char>('a' + i % 26)) + "!"});
    sets.push_back({2, 90, "Olomouc"});
    const Bytes whole = Photoshop({Resource(0x0404, Datasets(sets))});
    const std::string sig = "Photoshop 3.0";
    Bytes header(sig.begin(), sig.end());
    header.push_back(0);
    const std::size_t cut = 60000;
    const Bytes first(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    Bytes second = header;
    second.insert(second.end(), whole.begin() + static_cast<std::ptrdiff_t>(cut), whole.end());
    TPhotoData photo(kBuildAll);
    ASSERT_TRUE(photo.ReadImageBytes(
        "split.jpg", test::JpegFile({test::ExifApp1(test::CameraTiff(false)),
                                     test::MakeSegment(0xED, first),
                                     test::MakeSegment(0xED, second)})));
    ASSERT_NE(photo.IptcSlot, nullptr);
    EXPECT_EQ(photo.IptcBytes().size(), whole.size() + 2);
    EXPECT_EQ(photo.Iptc->ParseIptcSegment(photo.IptcBytes()), 2);
    EXPECT_EQ(photo.Iptc->TextByName("City", ""), "Olomouc");
    EXPECT_EQ(photo.Iptc->TextByName("Keywords", "").size(), 100u * 1000 + 99);
    // A later APP13 that is not next to it is not joined.
    TPhotoData apart(kBuildAll);
    ASSERT_TRUE(apart.ReadImageBytes(
        "apart.jpg", test::JpegFile({test::MakeSegment(0xED, first), test::Comment("between"),
                                     test::MakeSegment(0xED, second)})));
    EXPECT_EQ(apart.IptcBytes().size(), first.size() + 2);
}

TEST(IptcParse, ManyDatasetsParseInLinearTimeAndAreBounded) {
    // 13,000 datasets in one segment: distinct custom records, then keywords that merge.
    std::vector<Dataset> sets;
    for (int i = 0; i < 6500; ++i)
        sets.push_back({8, static_cast<std::uint8_t>(20 + i % 200), "c"});
    for (int i = 0; i < 6500; ++i)
        sets.push_back({2, 25, "k"});
    TIptcInfo iptc(nullptr);
    iptc.ParseIptcSegment(IptcSegment(sets));
    EXPECT_EQ(iptc.RecordCount(), kMaxIptcRecords);
    std::vector<Dataset> keywords(5000, Dataset{2, 25, "k"});
    keywords.push_back({2, 20, "s"});
    keywords.push_back({2, 20, "t"});
    iptc.ParseIptcSegment(IptcSegment(keywords));
    EXPECT_EQ(iptc.RecordCount(), 2);
    EXPECT_EQ(iptc.TextByName("Keywords", "").size(), 5000u * 2 - 1);
    EXPECT_EQ(iptc.TextByName("SuppCategory", ""), "s,t");
}

TEST(IptcReader, NoApp13NoObject) {
    TPhotoData photo(kBuildAll);
    ASSERT_TRUE(photo.ReadImageBytes("plain.jpg", test::JpegWithExif(test::CameraTiff(true))));
    EXPECT_EQ(photo.Iptc, nullptr);
}

TEST(IptcReader, ReadFileKeepsTheObjectAndItsOwner) {
    test::TempDir dir;
    const std::string withIptc =
        dir.write("iptc.jpg", JpegWithIptc({{2, 25, "a"}, {2, 25, "b"}, {2, 200, "c"}}));
    const std::string without = dir.write("plain.jpg", test::JpegWithExif(test::CameraTiff(false)));

    TPhotoData photo(kBuildAll);
    ASSERT_TRUE(photo.ReadImageFile(withIptc));
    TIptcInfo* iptc = photo.Iptc.get();
    ASSERT_NE(iptc, nullptr);
    const TExifInfo* exif = photo.Exif.get();

    EXPECT_TRUE(iptc->ReadFile(withIptc));
    EXPECT_EQ(photo.Iptc.get(), iptc);
    EXPECT_EQ(photo.Exif.get(), exif);
    EXPECT_EQ(photo.SourcePath, withIptc);
    ASSERT_EQ(iptc->RecordCount(), 2);
    EXPECT_EQ(iptc->TextByName("Keywords", ""), "a,b");
    EXPECT_EQ(iptc->Records()[1].Key, "Custom_200");

    EXPECT_FALSE(iptc->ReadFile(without));
    EXPECT_EQ(iptc->RecordCount(), 0);
    EXPECT_FALSE(iptc->ReadFile(dir.file("missing.jpg")));
    EXPECT_EQ(photo.Iptc.get(), iptc);
}

TEST(IptcReader, ReadFileWithoutOwner) {
    test::TempDir dir;
    const std::string path = dir.write("iptc.jpg", JpegWithIptc({{2, 116, "(c) Kivo"}}));
    TIptcInfo iptc(nullptr);
    EXPECT_TRUE(iptc.ReadFile(path));
    EXPECT_EQ(iptc.TextByName("Copyright", ""), "(c) Kivo");
}

} // namespace
} // namespace kivo
