// The JPEG segment scan, the TIFF read and the directory walk with its captures.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include "exif/photo_data.h"
#include "exif/render.h"
#include "platform/regular_file.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using namespace kivo::test;

bool readJpeg(TPhotoData& pd, const Bytes& bytes, const std::string& name = "x.jpg") {
    return pd.ReadImageBytes(name, bytes);
}

struct Positions {
    std::int32_t modify, taken, digitized;
};

Positions positionsOf(const TPhotoData& pd) {
    if (!pd.Exif)
        return {0, 0, 0};
    return {pd.Exif->ModifyDatePos, pd.Exif->TakenDatePos, pd.Exif->DigitizedDatePos};
}

TEST(JpegScan, ExifFirstSegmentLittleEndian) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    t.Ascii(ifd0, 0x0132, "2004:07:16 08:00:00");
    t.Link(ifd0, 0x8769, exif);
    t.Ascii(exif, 0x9003, "2004:07:15 13:45:10");
    t.Ascii(exif, 0x9004, "2004:07:15 13:45:11");
    const Bytes tiff = t.Build();
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(tiff)));
    EXPECT_TRUE(pd.ExifPresent());
    EXPECT_EQ(pd.StatusText, "<none>");
    const auto p = positionsOf(pd);
    EXPECT_EQ(p.modify, ExifPos(t.ValueOffset(ifd0, 0x0132)));
    EXPECT_EQ(p.taken, ExifPos(t.ValueOffset(exif, 0x9003)));
    EXPECT_EQ(p.digitized, ExifPos(t.ValueOffset(exif, 0x9004)));
    EXPECT_DOUBLE_EQ(pd.Exif->DateAt(p.taken), EncodeDate(2004, 7, 15) + EncodeTime(13, 45, 10));
    EXPECT_DOUBLE_EQ(pd.Exif->DateAt(p.modify), EncodeDate(2004, 7, 16) + EncodeTime(8, 0, 0));
    EXPECT_EQ(pd.Exif->DateText, "2004:07:15 13:45:10");
    // The positions index the stored segment's bytes.
    const auto& seg = pd.ExifSlot->Bytes;
    EXPECT_EQ(std::string(seg.begin() + p.taken - 1, seg.begin() + p.taken + 18),
              "2004:07:15 13:45:10");
}

TEST(JpegScan, BigEndianGivesTheSamePositions) {
    TPhotoData ii(kBuildAll);
    TPhotoData mm(kBuildAll);
    ASSERT_TRUE(readJpeg(ii, JpegWithExif(CameraTiff(false)), "a.jpg"));
    ASSERT_TRUE(readJpeg(mm, JpegWithExif(CameraTiff(true)), "a.jpg"));
    const auto a = positionsOf(ii);
    const auto b = positionsOf(mm);
    EXPECT_GT(a.modify, 0);
    EXPECT_EQ(a.modify, b.modify);
    EXPECT_EQ(a.taken, b.taken);
    EXPECT_EQ(a.digitized, b.digitized);
    EXPECT_TRUE(mm.Exif->BigEndian);
    EXPECT_EQ(mm.Exif->MakeText, "Canon");
    EXPECT_EQ(mm.Exif->ModelText, "Canon PowerShot S40");
    EXPECT_EQ(mm.Exif->PixelWidth, 2272);
    EXPECT_EQ(mm.Exif->PixelHeight, 1704);
    EXPECT_EQ(mm.Exif->FlashValue, 0x19);
    EXPECT_EQ(mm.Exif->TagTextByName("Flash"), "On, auto mode");
    EXPECT_EQ(ii.Exif->TagTextByName("ExposureTime"), "1/125 sec");
    EXPECT_EQ(mm.Exif->VersionRaw, (Bytes{'0', '2', '2', '0'}));
    EXPECT_DOUBLE_EQ(mm.Exif->DateAt(b.digitized), ii.Exif->DateAt(a.digitized));
}

TEST(JpegScan, FirstDirectoryOffsetZeroStartsAt17) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.Ascii(ifd0, 0x0132, "2001:02:03 04:05:06");
    t.SetFirstIfdOffset(0);
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    EXPECT_EQ(pd.Exif->ModifyDatePos, ExifPos(t.ValueOffset(ifd0, 0x0132)));
    EXPECT_EQ(t.IfdOffset(ifd0) + 9, 17u);
}

TEST(JpegScan, FifthSegmentStopsTheScan) {
    const Bytes icc = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
    const Bytes jpeg = JpegFile({App0Jfif(), MakeSegment(0xE2, icc), MakeSegment(0xE2, icc),
                                 MakeSegment(0xE2, icc), MakeSegment(0xE2, icc),
                                 ExifApp1(CameraTiff(false))});
    TPhotoData pd(kBuildAll);
    EXPECT_FALSE(readJpeg(pd, jpeg));
    EXPECT_FALSE(pd.ExifPresent());
    EXPECT_EQ(pd.SegmentCount, 5);
    EXPECT_EQ(pd.StatusText, "Not an EXIF file");
}

TEST(JpegScan, ExifInFifthPlaceIsNotSeen) {
    const Bytes icc = {1, 2, 3};
    const Bytes jpeg = JpegFile({App0Jfif(), MakeSegment(0xE2, icc), MakeSegment(0xE2, icc),
                                 MakeSegment(0xE2, icc), ExifApp1(CameraTiff(false))});
    TPhotoData pd(kBuildAll);
    EXPECT_FALSE(readJpeg(pd, jpeg));
    EXPECT_FALSE(pd.ExifPresent());
}

TEST(JpegScan, SecondApp1IsDropped) {
    const Bytes jpeg = JpegFile({ExifApp1(CameraTiff(false)), XmpApp1(), Comment("c")});
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, jpeg));
    EXPECT_EQ(pd.ExifSlot, &pd.Segment(1));
    // The XMP segment's slot was reused by the comment.
    EXPECT_EQ(pd.CommentSlot, &pd.Segment(2));
    EXPECT_EQ(pd.Segment(2).Marker, 0xFE);
    EXPECT_GT(pd.Exif->TakenDatePos, 0);
}

TEST(JpegScan, XmpBeforeExifNoLongerHidesIt) {
    const Bytes jpeg = JpegFile({App0Jfif(), XmpApp1(), ExifApp1(CameraTiff(false))});
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, jpeg));
    ASSERT_TRUE(pd.ExifPresent());
    EXPECT_EQ(pd.ExifSlot, &pd.Segment(3));
    EXPECT_EQ(pd.Segment(2).Marker, 0xE1);
    EXPECT_EQ(pd.StatusText, "<none>");
    EXPECT_GT(pd.Exif->TakenDatePos, 0);
}

TEST(JpegScan, OnlyXmpApp1IsNoExif) {
    TPhotoData pd(kBuildAll);
    EXPECT_FALSE(readJpeg(pd, JpegFile({App0Jfif(), XmpApp1()})));
    EXPECT_FALSE(pd.ExifPresent());
    EXPECT_EQ(pd.Exif, nullptr);
}

TEST(JpegScan, CommentOnlyIsTrueWithoutExif) {
    TPhotoData pd(kBuildAll);
    EXPECT_TRUE(readJpeg(pd, JpegFile({Comment("hello")})));
    EXPECT_FALSE(pd.ExifPresent());
    ASSERT_NE(pd.CommentSlot, nullptr);
    EXPECT_EQ(pd.CommentSlot->Length, 7);
    EXPECT_EQ(pd.CommentSlot->Bytes.size(), 7u);
    EXPECT_EQ(pd.StatusText, "<none>");
}

TEST(JpegScan, App13SetsTheIptcSlotOnce) {
    const Bytes jpeg = JpegFile({MakeSegment(0xED, "Photoshop 3.0"), MakeSegment(0xED, "second")});
    TPhotoData pd(kBuildAll);
    EXPECT_TRUE(readJpeg(pd, jpeg));
    ASSERT_NE(pd.IptcSlot, nullptr);
    EXPECT_EQ(pd.IptcSlot, &pd.Segment(1));
    EXPECT_NE(pd.Iptc, nullptr);
    pd.ClearState();
    EXPECT_EQ(pd.Iptc, nullptr);
}

TEST(JpegScan, App0LaterReplacesEarlier) {
    TPhotoData pd(kBuildAll);
    readJpeg(pd, JpegFile({App0Jfif(), Comment("x"), App0Jfif()}));
    EXPECT_EQ(pd.App0Slot, &pd.Segment(3));
}

TEST(JpegScan, NotStartingWithSoi) {
    TPhotoData pd(kBuildAll);
    Bytes bytes = JpegFile({Comment("x")});
    bytes[1] = 0xD9;
    EXPECT_FALSE(readJpeg(pd, bytes));
    EXPECT_EQ(pd.StatusText, "Not an EXIF file");
    EXPECT_FALSE(pd.ExifPresent());
}

TEST(JpegScan, MarkerWithoutFfPrefixAndFillBytes) {
    // FF D8, then a marker byte without its FF, then FF FF FF before the next marker.
    Bytes bytes = {0xFF, 0xD8, 0xFE, 0x00, 0x03, 'a', 0xFF, 0xFF, 0xFF, 0xFE, 0x00, 0x03, 'b'};
    TPhotoData pd(kBuildAll);
    EXPECT_TRUE(readJpeg(pd, bytes));
    EXPECT_EQ(pd.SegmentCount, 2);
    EXPECT_EQ(pd.CommentSlot, &pd.Segment(2));
}

TEST(JpegScan, TwentySegmentsAtMost) {
    std::vector<Segment> segments;
    for (int i = 0; i < 30; ++i)
        segments.push_back(Comment("c"));
    TPhotoData pd(kBuildAll);
    EXPECT_TRUE(readJpeg(pd, JpegFile(segments)));
    EXPECT_EQ(pd.SegmentCount, 20);
}

TEST(JpegScan, EndsAtEndOfFileAndShortLengths) {
    TPhotoData pd(kBuildAll);
    // Only fill bytes after SOI: the scan must end, not spin.
    EXPECT_FALSE(readJpeg(pd, Bytes{0xFF, 0xD8, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(pd.SegmentCount, 0);
    // A length field below 2 ends the scan.
    EXPECT_TRUE(readJpeg(pd, Bytes{0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x03, 'a', 0xFF, 0xE1, 0x00, 0x01,
                                   0xFF, 0xFE, 0x00, 0x03, 'b'}));
    EXPECT_EQ(pd.SegmentCount, 1);
    // A length field cut by the end of the file.
    EXPECT_FALSE(readJpeg(pd, Bytes{0xFF, 0xD8, 0xFF, 0xFE, 0x00}));
    EXPECT_EQ(pd.SegmentCount, 0);
}

TEST(JpegScan, TruncatedExifSegmentKeepsWhatWasRead) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.Ascii(ifd0, 0x0132, "2004:07:16 08:00:00");
    t.Undefined(ifd0, 0x9999, Bytes(400, 'z'));
    const Bytes full = JpegWithExif(t.Build());
    const std::size_t cut = 2 + 4 + 6 + t.ValueOffset(ifd0, 0x9999) + 10;
    TPhotoData pd(kBuildAll);
    EXPECT_TRUE(readJpeg(pd, Truncated(full, cut)));
    ASSERT_TRUE(pd.ExifPresent());
    EXPECT_EQ(pd.ExifSlot->Bytes.size(), cut - 4);
    EXPECT_GT(pd.ExifSlot->Length, static_cast<int>(pd.ExifSlot->Bytes.size()));
    EXPECT_DOUBLE_EQ(pd.Exif->DateAt(pd.Exif->ModifyDatePos),
                     EncodeDate(2004, 7, 16) + EncodeTime(8, 0, 0));
    // Every prefix of the file reads without leaving its bytes.
    for (std::size_t n = 0; n <= full.size(); ++n)
        readJpeg(pd, Truncated(full, n));
}

TEST(ExifHeader, BadAlignmentLeavesExifPresentWithoutDates) {
    Bytes tiff = CameraTiff(false);
    tiff[0] = 'X';
    tiff[1] = 'X';
    TPhotoData pd(kBuildAll);
    EXPECT_TRUE(readJpeg(pd, JpegWithExif(tiff)));
    EXPECT_TRUE(pd.ExifPresent());
    EXPECT_EQ(pd.StatusText, "<none>");
    const auto p = positionsOf(pd);
    EXPECT_EQ(p.modify + p.taken + p.digitized, 0);
}

TEST(ExifHeader, ParseExifSegmentReportsHeaderProblems) {
    TPhotoData pd(kBuildAll);
    pd.SetBuffer(Bytes{0, 10, 'E', 'x', 'i', 'f', 1, 0, 'I', 'I'});
    pd.ParseExifSegment();
    EXPECT_EQ(pd.StatusText, "Incorrect Exif header");
    ASSERT_NE(pd.Exif, nullptr);
    pd.StatusText.clear();
    pd.SetBuffer(Bytes{0, 10, 'E', 'x', 'i', 'f', 0, 0, 'I', 'M'});
    pd.ParseExifSegment();
    EXPECT_EQ(pd.StatusText, "Invalid Exif alignment marker");
}

TEST(Walk, SkipsFormatZeroAboveTwelveAndCountZero) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.RawField(ifd0, 0x0132, 0, 20, 0xFFFFFFF0);
    t.RawField(ifd0, 0x9003, 13, 20, 0xFFFFFFF0);
    t.RawField(ifd0, 0x9004, 2, 0, 0xFFFFFFF0);
    t.Short(ifd0, 0x0112, {6});
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    const auto p = positionsOf(pd);
    EXPECT_EQ(p.modify + p.taken + p.digitized, 0);
    EXPECT_EQ(pd.Exif->TagCount(), 1);
    EXPECT_EQ(pd.Exif->TraceText(), "\r\nOrientation = CounterClockwise 90°");
}

TEST(Walk, FourByteValueIsReadFromTheEntry) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.Long(ifd0, 0x0100, {4000});
    t.Short(ifd0, 0x0101, {3000, 7, 7});
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    EXPECT_EQ(pd.Exif->PixelWidth, 4000);
    EXPECT_EQ(pd.Exif->WidthValuePos, ExifPos(t.EntryOffset(ifd0, 0x0100) + 8));
    const auto& row = pd.Exif->Tags()[0];
    EXPECT_EQ(row.ValuePos, ExifPos(t.EntryOffset(ifd0, 0x0100) + 8));
    // Six bytes lie at the offset; the numeric value takes all of them.
    const auto& height = pd.Exif->Tags()[1];
    EXPECT_EQ(height.ValuePos, ExifPos(t.ValueOffset(ifd0, 0x0101)));
    EXPECT_EQ(height.Shown, "3000, 7, 7");
    EXPECT_EQ(pd.Exif->HeightValuePos, ExifPos(t.EntryOffset(ifd0, 0x0101) + 8));
}

TEST(Walk, SelfPointingDirectoryEnds) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "Self");
    t.Link(ifd0, 0x8769, ifd0);
    t.Link(ifd0, 0x014A, ifd0);
    t.Link(ifd0, 0xA005, ifd0);
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    EXPECT_EQ(pd.Exif->MakeText, "Self");
    EXPECT_EQ(pd.Exif->TagCount(), 4);
}

TEST(Walk, TwoDirectoryCycleEnds) {
    TiffBuilder t(true);
    const int a = t.AddIfd();
    const int b = t.AddIfd();
    t.Link(a, 0x8769, b);
    t.Ascii(a, 0x0132, "2004:07:16 08:00:00");
    t.Link(b, 0xA005, a);
    t.Link(b, 0x8825, a);
    t.Ascii(b, 0x9003, "2004:07:15 13:45:10");
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    EXPECT_GT(pd.Exif->ModifyDatePos, 0);
    EXPECT_GT(pd.Exif->TakenDatePos, 0);
    // a, b, and a once more as a GPS directory.
    EXPECT_EQ(pd.Exif->TagCount(), 2 + 3 + 0);
}

TEST(Walk, DirectoryReachedTwiceIsWalkedOnce) {
    // Without this, directories linking to each other many times over would take exponential
    // time.
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    const int shared = t.AddIfd();
    t.Link(ifd0, 0x8769, shared);
    t.Link(ifd0, 0xA005, shared);
    t.Ascii(shared, 0x9003, "2004:07:15 13:45:10");
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    EXPECT_EQ(pd.Exif->TagCount(), 3);
    EXPECT_GT(pd.Exif->TakenDatePos, 0);
}

TEST(Walk, IllegallySizedDirectory) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.Ascii(ifd0, 0x0132, "2004:07:16 08:00:00");
    Bytes tiff = t.Build();
    tiff[8] = 0xFF; // entry count 0xFFFF
    tiff[9] = 0xFF;
    TPhotoData pd(kBuildAll);
    EXPECT_TRUE(readJpeg(pd, JpegWithExif(tiff)));
    EXPECT_EQ(pd.Exif->ModifyDatePos, 0);
    EXPECT_EQ(pd.StatusText, "<none>");
}

TEST(Walk, OffsetsOutsideTheBytesAreAbsent) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.RawField(ifd0, 0x0132, 2, 20, 0x7FFFFFF0);
    t.RawField(ifd0, 0x9003, 2, 20, 0xFFFFFFF0);
    t.RawField(ifd0, 0x8769, 4, 1, 0x7FFFFFFF);
    t.RawField(ifd0, 0x8825, 4, 1, 0x80000000);
    t.RawField(ifd0, 0x927C, 7, 0xFFFFFFFF, 100);
    t.Short(ifd0, 0x0112, {1});
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    EXPECT_EQ(pd.Exif->ModifyDatePos, 0);
    EXPECT_EQ(pd.Exif->TakenDatePos, 0);
    EXPECT_EQ(pd.Exif->TagTextByName("Orientation"), "Normal");
}

TEST(Walk, FailingRendererEndsOnlyItsDirectory) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    t.Link(ifd0, 0x8769, exif);
    t.Ascii(ifd0, 0x0132, "2004:07:16 08:00:00");
    t.Ascii(exif, 0x9003, "2004:07:15 13:45:10");
    t.Rational(exif, 0x9209, {{1, 2}}); // Flash as a fraction: the renderer fails
    t.Ascii(exif, 0x9004, "2004:07:15 13:45:11");
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    EXPECT_GT(pd.Exif->TakenDatePos, 0);
    EXPECT_EQ(pd.Exif->DigitizedDatePos, 0);
    EXPECT_GT(pd.Exif->ModifyDatePos, 0);
    EXPECT_EQ(pd.StatusText, "<none>");
}

TEST(Walk, FailureInTheMainDirectoryKeepsWhatWasCaptured) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.Ascii(ifd0, 0x0132, "2004:07:16 08:00:00");
    t.Ascii(ifd0, 0x9209, "x");
    t.Ascii(ifd0, 0x9003, "2004:07:15 13:45:10");
    TPhotoData pd(kBuildAll);
    EXPECT_FALSE(readJpeg(pd, JpegWithExif(t.Build())));
    EXPECT_TRUE(pd.ExifPresent());
    EXPECT_EQ(pd.StatusText, "Not an EXIF file");
    EXPECT_GT(pd.Exif->ModifyDatePos, 0);
    EXPECT_EQ(pd.Exif->TakenDatePos, 0);
}

TEST(Walk, LastTagMetWins) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    t.Ascii(ifd0, 0x0132, "2004:07:16 08:00:00");
    t.Link(ifd0, 0x8769, exif);
    t.Ascii(exif, 0x0132, "2005:01:01 00:00:00");
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    EXPECT_EQ(pd.Exif->ModifyDatePos, ExifPos(t.ValueOffset(exif, 0x0132)));
    EXPECT_DOUBLE_EQ(pd.Exif->DateAt(pd.Exif->ModifyDatePos), EncodeDate(2005, 1, 1));
}

TEST(Walk, GpsDirectoryUsesTheGpsTable) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    const int gps = t.AddIfd();
    t.Link(ifd0, 0x8825, gps);
    t.Ascii(gps, 0x0001, "N");
    t.Rational(gps, 0x0002, {{50, 1}, {5, 1}, {1234, 100}});
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    EXPECT_EQ(pd.Exif->TagTextByName("GPSLatitude"), "50 Degrees 5 Minutes 12 Seconds");
    EXPECT_EQ(pd.Exif->TagTextByName("GPSLatitudeRef"), "N");
    EXPECT_NE(pd.Exif->TraceText().find("\r\nGPSLatitude = 50 Degrees"), std::string::npos);
}

TEST(Walk, TraceDepthAddsDirectoryLinesAndDetails) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.Short(ifd0, 0x0112, {6});
    TraceDepth = 1;
    TPhotoData pd(kBuildAll);
    const bool ok = readJpeg(pd, JpegWithExif(t.Build()));
    TraceDepth = 0;
    ASSERT_TRUE(ok);
    EXPECT_EQ(pd.Exif->TraceText(),
              "\r\nDirectory: Start, entries = 17, 1"
              "\r\ntag[$0112]: Orientation = CounterClockwise 90° [size: 2] [start: " +
                  std::to_string(ExifPos(t.EntryOffset(ifd0, 0x0112) + 8)) + "]");
}

TEST(TiffFile, LargeFileIsReadUpToTheLimit) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.Ascii(ifd0, 0x0132, "2004:02:20 08:07:49");
    Bytes tiff = t.Build();
    tiff.resize(400000, 0x77);
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(pd.ReadImageBytes("big.tif", tiff));
    EXPECT_EQ(pd.ExifSlot->Bytes.size(), 256000u);
    EXPECT_GT(pd.Exif->ModifyDatePos, 0);
}

TEST(BuildModes, WhatEachModeBuilds) {
    const Bytes jpeg = JpegWithExif(CameraTiff(false));
    TPhotoData render(kBuildRender);
    ASSERT_TRUE(readJpeg(render, jpeg));
    EXPECT_FALSE(render.Exif->TraceText().empty());
    EXPECT_EQ(render.Exif->TagCount(), 0);
    EXPECT_EQ(render.Exif->MakeText, "Canon");

    TPhotoData list(kBuildList);
    ASSERT_TRUE(readJpeg(list, jpeg));
    EXPECT_TRUE(list.Exif->TraceText().empty());
    EXPECT_GT(list.Exif->TagCount(), 10);
    // Nothing is rendered: captured texts stay empty, positions are still found.
    EXPECT_EQ(list.Exif->MakeText, "");
    EXPECT_GT(list.Exif->TakenDatePos, 0);
    EXPECT_EQ(list.Exif->TagIndexByName("Make"), 0);

    TPhotoData none(0);
    ASSERT_TRUE(readJpeg(none, jpeg));
    EXPECT_EQ(none.Exif->TagCount(), 0);
    EXPECT_TRUE(none.Exif->TraceText().empty());
    EXPECT_GT(none.Exif->TakenDatePos, 0);
    EXPECT_EQ(none.Exif->PixelWidth, 2272);
}

TEST(Derive35mm, FromFocalPlaneResolution) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.Rational(ifd0, 0x920A, {{63, 10}});
    t.Short(ifd0, 0xA210, {2});
    t.Rational(ifd0, 0xA20E, {{2272000, 280}}); // 8114.29 pixels per inch
    t.Rational(ifd0, 0xA20F, {{1704000, 210}});
    t.Short(ifd0, 0xA002, {2272});
    t.Short(ifd0, 0xA003, {1704});
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    const int i = pd.Exif->TagIndexByName("FocalLengthIn35mmFilm");
    ASSERT_GE(i, 0);
    const auto& row = pd.Exif->Tags()[static_cast<std::size_t>(i)];
    // Sensor 7.112 x 5.334 mm: diagonal 8.89 mm, factor 4.867.
    const double w = 2272 * 25.4 / 8114, h = 1704 * 25.4 / 8114;
    EXPECT_EQ(row.Shown, FormatFloat("%5.2f", 6.3 * 43.26661531 / std::sqrt(w * w + h * h)));
    EXPECT_EQ(row.Shown, "30.66");
    EXPECT_EQ(row.Pattern, "%s mm");
    EXPECT_EQ(row.Format, 10);
    EXPECT_TRUE(row.RawBytes.empty());
    EXPECT_EQ(row.Number, 0xA405);
    const std::string& trace = pd.Exif->TraceText();
    EXPECT_EQ(trace.substr(trace.rfind("\r\n")), "\r\nFocal Length in 35mm Film = 30.66");
}

TEST(Derive35mm, NotWhenTheCameraStoredIt) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.Rational(ifd0, 0x920A, {{63, 10}});
    t.Short(ifd0, 0x0128, {2});
    t.Rational(ifd0, 0x920E, {{8114, 1}});
    t.Rational(ifd0, 0x920F, {{8114, 1}});
    t.Short(ifd0, 0xA002, {2272});
    t.Short(ifd0, 0xA003, {1704});
    t.Short(ifd0, 0xA405, {35});
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    int count = 0;
    for (const auto& row : pd.Exif->Tags())
        count += row.Number == 0xA405;
    EXPECT_EQ(count, 1);
    EXPECT_EQ(pd.Exif->TagTextByName("FocalLengthin35mmFilm"), "35.00 mm");
}

TEST(Derive35mm, NothingWithoutAUnit) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.Rational(ifd0, 0x920A, {{63, 10}});
    t.Rational(ifd0, 0x920E, {{8114, 1}});
    t.Short(ifd0, 0xA002, {2272});
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    EXPECT_EQ(pd.Exif->TagIndexByName("FocalLengthIn35mmFilm"), -1);
}

TEST(TiffFile, FirstDirectoryAtTheHeaderOffset) {
    TiffBuilder t(true);
    t.SetGapAfterHeader(64);
    const int ifd0 = t.AddIfd();
    t.Ascii(ifd0, 0x0132, "2004:02:20 08:07:49");
    t.Ascii(ifd0, 0x010F, "Scanner");
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(pd.ReadImageBytes("scan.TIFF", t.Build()));
    EXPECT_TRUE(pd.ExifPresent());
    EXPECT_TRUE(pd.Exif->TiffSource);
    EXPECT_FALSE(pd.TiffSource);
    EXPECT_EQ(pd.Exif->ModifyDatePos, TiffPos(t.ValueOffset(ifd0, 0x0132)));
    EXPECT_DOUBLE_EQ(pd.Exif->DateAt(pd.Exif->ModifyDatePos),
                     EncodeDate(2004, 2, 20) + EncodeTime(8, 7, 49));
    EXPECT_EQ(pd.Exif->MakeText, "Scanner");
}

TEST(TiffFile, HeaderOffsetOutsideTheBytesWalksNothing) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.Ascii(ifd0, 0x0132, "2004:02:20 08:07:49");
    t.SetFirstIfdOffset(0x10000000);
    TPhotoData pd(kBuildAll);
    EXPECT_TRUE(pd.ReadImageBytes("a.nef", t.Build()));
    EXPECT_TRUE(pd.ExifPresent());
    EXPECT_EQ(pd.Exif->ModifyDatePos, 0);
}

TEST(TiffFile, NotATiff) {
    TPhotoData pd(kBuildAll);
    EXPECT_FALSE(pd.ReadImageBytes("a.tif", Bytes{'X', 'X', 42, 0}));
    EXPECT_FALSE(pd.ExifPresent());
    EXPECT_EQ(pd.StatusText, "Not an EXIF file");
    EXPECT_TRUE(pd.ReadImageBytes("a.tif", Bytes{'I', 'I', 42}));
    EXPECT_TRUE(pd.ExifPresent());
}

TEST(ReadImageFile, ExtensionsAndFiles) {
    TempDir dir;
    const Bytes jpeg = JpegWithExif(CameraTiff(false));
    const std::string upper = dir.write("IMG_0001.JPG", jpeg);
    const std::string png = dir.write("image.png", jpeg);
    TPhotoData pd(kBuildAll);
    EXPECT_TRUE(pd.ReadImageFile(upper));
    EXPECT_TRUE(pd.ExifPresent());
    EXPECT_EQ(pd.SourcePath, upper);
    EXPECT_EQ(pd.SourceSize, static_cast<std::int64_t>(jpeg.size()));
    EXPECT_GT(pd.SourceTime, 40000);

    EXPECT_FALSE(pd.ReadImageFile(png));
    EXPECT_EQ(pd.StatusText, "Not an EXIF file");
    EXPECT_FALSE(pd.ExifPresent());

    EXPECT_FALSE(pd.ReadImageFile(dir.file("missing.jpg")));
    EXPECT_EQ(pd.StatusText, "");
    EXPECT_EQ(pd.SourcePath, "");
    EXPECT_FALSE(pd.ReadImageFile(dir.path()));
    EXPECT_EQ(pd.StatusText, "");
}

TEST(ReadOpenFile, ReadsThroughTheCallersDescriptorAndLeavesItAsItWas) {
    TempDir dir;
    const Bytes jpeg = JpegWithExif(CameraTiff(false));
    const std::string path = dir.write("a.jpg", jpeg);
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(fd);
    struct stat st {};
    ASSERT_EQ(::fstat(fd.get(), &st), 0);
    TPhotoData pd(kBuildAll);
    std::int64_t read[2] = {};
    for (std::int64_t& bytes : read) {
        EXPECT_TRUE(pd.ReadOpenFile(path, fd.get(), st));
        EXPECT_GT(pd.Exif->TakenDatePos, 0);
        bytes = pd.SourceBytesRead;
    }
    EXPECT_GT(read[0], 0);
    EXPECT_EQ(read[1], read[0]);
    // Still open, at its first byte.
    std::uint8_t first[2] = {};
    ASSERT_EQ(::read(fd.get(), first, 2), 2);
    EXPECT_EQ(first[0], 0xFF);
    EXPECT_EQ(first[1], 0xD8);
}

TEST(ReadImageFile, UnreadableFileIsIllegalConstruction) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    TempDir dir;
    const std::string path = dir.write("locked.jpg", JpegWithExif(CameraTiff(false)));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    TPhotoData pd(kBuildAll);
    EXPECT_FALSE(pd.ReadImageFile(path));
    EXPECT_EQ(pd.StatusText, "Illegal Exif construction");
}

TEST(ReadImageFile, NothingCarriesOverBetweenFiles) {
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(CameraTiff(false))));
    ASSERT_GT(pd.Exif->TakenDatePos, 0);
    TiffBuilder t(false);
    t.Short(t.AddIfd(), 0x0112, {1});
    ASSERT_TRUE(readJpeg(pd, JpegWithExif(t.Build())));
    const auto p = positionsOf(pd);
    EXPECT_EQ(p.modify + p.taken + p.digitized, 0);
    EXPECT_EQ(pd.Exif->MakeText, "");
    EXPECT_EQ(pd.BuildMode, kBuildAll);
    pd.ClearState();
    EXPECT_EQ(pd.Exif, nullptr);
    EXPECT_EQ(pd.SegmentCount, 0);
    EXPECT_FALSE(pd.ExifPresent());
}

} // namespace
} // namespace kivo
