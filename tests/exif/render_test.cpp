// Value rendering: numbers, labels, patterns, the table renderers and the list of tag rows.

#include <gtest/gtest.h>

#include "exif/exif_info.h"
#include "exif/exif_types.h"
#include "exif/render.h"
#include "exif/tag_table.h"
#include "support/exif_fixtures.h"

namespace kivo {
namespace {

using test::Bytes;

// Renders one entry the way the walk does, for a value stored in the given byte order.
std::string renderValue(int tag, int format, const Bytes& raw, bool bigEndian = false,
                        int dirKind = kDirMain) {
    TExifInfo exif(nullptr, kBuildAll);
    exif.BigEndian = bigEndian;
    Bytes buffer = raw;
    exif.SetBuffer(buffer);
    const int size = FormatSize(format);
    const auto count = static_cast<std::uint32_t>(size ? raw.size() / static_cast<std::size_t>(size) : 0);
    return exif.RenderEntry(tag, format, count, static_cast<std::int64_t>(raw.size()), 1, raw,
                            dirKind);
}

Bytes le16(std::uint16_t v) { return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}; }
Bytes le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}
Bytes rational(std::uint32_t n, std::uint32_t d) {
    Bytes b = le32(n);
    Bytes e = le32(d);
    b.insert(b.end(), e.begin(), e.end());
    return b;
}
Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct RenderCase {
    const char* name;
    int tag;
    int format;
    Bytes raw;
    std::string expected;
    int dirKind = kDirMain;
};

class RenderEntryTest : public ::testing::TestWithParam<RenderCase> {};

TEST_P(RenderEntryTest, RendersAsListed) {
    const auto& c = GetParam();
    EXPECT_EQ(renderValue(c.tag, c.format, c.raw, false, c.dirKind), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, RenderEntryTest,
    ::testing::Values(
        RenderCase{"Orientation6", 0x0112, 3, le16(6), "CounterClockwise 90°"},
        RenderCase{"Orientation5NoLabel", 0x0112, 3, le16(5), ""},
        RenderCase{"ExposureTime", 0x829A, 5, rational(1, 125), "1/125 sec"},
        RenderCase{"FNumber", 0x829D, 5, rational(28, 10), "F2.8"},
        RenderCase{"ApertureValueAsFNumber", 0x9202, 5, rational(30, 10), "F3.0"},
        RenderCase{"FocalLengthPadded", 0x920A, 5, rational(63, 10), " 6.30 mm"},
        RenderCase{"ZeroDenominator", 0x9204, 10, rational(5, 0), "5/0"},
        RenderCase{"ZeroDenominatorWithPattern", 0x920A, 5, rational(5, 0), " 0.00 mm"},
        RenderCase{"FlashOnAuto", 0x9209, 3, le16(0x19), "On, auto mode"},
        RenderCase{"FlashOffSuppressed", 0x9209, 3, le16(0x10), "Off, surpressed"},
        RenderCase{"FlashAllBits", 0x9209, 3, le16(0x5F),
                   "On, strobe return, auto mode, red-eye reduction"},
        RenderCase{"FlashNoFunction", 0x9209, 3, le16(0x20), "Off, no flash function"},
        RenderCase{"Shutter7", 0x9201, 10, rational(7, 1), "0.0078 sec (1/128)"},
        RenderCase{"ShutterSlow", 0x9201, 10, rational(0xFFFFFFFF, 1), "2.0000 sec"},
        RenderCase{"GpsLatitude", 0x0002, 5,
                   cat({rational(50, 1), rational(5, 1), rational(1234, 100)}),
                   "50 Degrees 5 Minutes 12 Seconds", kDirGps},
        RenderCase{"GpsLatitudeMinutesFraction", 0x0002, 5,
                   cat({rational(50, 1), rational(512, 100), rational(0, 1)}),
                   "50 Degrees 5 Minutes 7 Seconds", kDirGps},
        RenderCase{"GpsTime", 0x0007, 5,
                   cat({rational(13, 1), rational(45, 1), rational(10, 1)}), "13:45:10",
                   kDirGps},
        RenderCase{"GpsAltitudeRef", 0x0005, 1, Bytes{0}, "Sealevel", kDirGps},
        RenderCase{"ComponentsConfiguration", 0x9101, 7, Bytes{1, 2, 3, 0}, "YCbCr"},
        RenderCase{"ComponentsRgb", 0x9101, 7, Bytes{4, 5, 6, 0}, "RGB"},
        RenderCase{"XpTitle", 0x9C9B, 1, Bytes{'H', 0, 'i', 0, 0, 0}, "Hi"},
        RenderCase{"UndefinedQuoted", 0x9000, 7, Bytes{'0', '2', '2', '0'}, "\"0220\""},
        RenderCase{"UnknownTag", 0x1234, 3, le16(7), "7"},
        RenderCase{"ChoicesWithBlanks", 0x0106, 3, le16(2), ""},
        RenderCase{"ChoicesFirst", 0x0106, 3, le16(1), "Monochrome"},
        RenderCase{"FloatKeepsPlaceholder", 0x1234, 11, le32(0x3F800000), "-9999.99"},
        RenderCase{"SignedLong", 0x1234, 9, le32(0xFFFFFFFE), "-2"},
        RenderCase{"TwoShorts", 0x1234, 3, cat({le16(1), le16(2)}), "1, 2"},
        RenderCase{"ResolutionPattern", 0x011A, 5, rational(72, 1), "72.00"},
        RenderCase{"ControlCharactersDotted", 0x1234, 7, Bytes{'a', 1, 'b'}, "\"a.b\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RenderEntry, UndefinedValueOf200BytesIsQuotedAndCutTo50) {
    Bytes raw(200, 'x');
    raw[120] = 0;
    const std::string text = renderValue(0x1234, 7, raw);
    EXPECT_EQ(text, "\"" + std::string(49, 'x'));
    EXPECT_EQ(text.size(), 50u);
}

TEST(RenderEntry, ByteArrayOf300ValuesRendersFirst128) {
    // Printable cuts the listing text, so look at the number rendering directly.
    Bytes raw(300, 7);
    const std::string text = RenderNumber(raw, kFormatByte, "", "", false);
    std::string expected = "7";
    for (int i = 1; i < 128; ++i)
        expected += ", 7";
    EXPECT_EQ(text, expected);
}

TEST(RenderEntry, AsciiDropsTheLastByte) {
    Bytes raw = {'C', 'a', 'n', 'o', 'n', 0};
    EXPECT_EQ(renderValue(0x010F, 2, raw), "Canon");
    Bytes padded = {'A', 'B', 0, 0};
    EXPECT_EQ(renderValue(0x010F, 2, padded), "AB.");
}

TEST(RenderEntry, FlashThatIsNoIntegerFails) {
    EXPECT_THROW(renderValue(0x9209, 5, rational(1, 2)), ExifFailure);
    EXPECT_THROW(renderValue(0x9209, 3, cat({le16(1), le16(2)})), ExifFailure);
}

TEST(RenderEntry, BigEndianValues) {
    EXPECT_EQ(renderValue(0x0112, 3, Bytes{0, 6}, true), "CounterClockwise 90°");
    EXPECT_EQ(renderValue(0x829A, 5, Bytes{0, 0, 0, 1, 0, 0, 0, 125}, true), "1/125 sec");
}

TEST(RenderEntry, UserCommentSkipsCodePrefixAndTrims) {
    TExifInfo exif(nullptr, kBuildAll);
    Bytes raw = {'A', 'S', 'C', 'I', 'I', 0, 0, 0, ' ', 'H', 'e', 'l', 'l', 'o', ' ', 0, 'Z'};
    exif.SetBuffer(raw);
    const std::string text = exif.RenderEntry(0x9286, 7, 17, 17, 1, raw, kDirMain);
    EXPECT_EQ(text, "Hello");
    EXPECT_EQ(exif.UserCommentText(), "Hello");
    EXPECT_EQ(exif.UserCommentPos, 1);
    EXPECT_EQ(exif.UserCommentLen, 8);
}

TEST(RenderEntry, TraceLinesWithAndWithoutTraceDepth) {
    TExifInfo exif(nullptr, kBuildAll);
    Bytes raw = le16(6);
    exif.SetBuffer(raw);
    exif.RenderEntry(0x0112, 3, 1, 2, 5, raw, kDirMain);
    EXPECT_EQ(exif.TraceText(), "\r\nOrientation = CounterClockwise 90°");
    exif.ClearTraceText();
    TraceDepth = 1;
    exif.RenderEntry(0x0112, 3, 1, 2, 5, raw, kDirMain);
    TraceDepth = 0;
    EXPECT_EQ(exif.TraceText(),
              "\r\ntag[$0112]: Orientation = CounterClockwise 90° [size: 2] [start: 5]");
}

TEST(Numbers, BytesToIntByOrderAndSign) {
    EXPECT_EQ(BytesToInt(Bytes{0x01, 0x02}, true), 0x0102);
    EXPECT_EQ(BytesToInt(Bytes{0x01, 0x02}, false), 0x0201);
    EXPECT_EQ(BytesToInt(Bytes{0xFF, 0xFF}, false), 0xFFFF);
    EXPECT_EQ(BytesToInt(Bytes{0xFF, 0xFF, 0xFF, 0xFF}, false), -1);
    EXPECT_EQ(BytesToInt(Bytes{0x00, 0x00, 0x00, 0x80}, false), INT32_MIN);
    EXPECT_EQ(BytesToInt(Bytes{}, false), 0);
    // Longer runs keep the low 32 bits.
    EXPECT_EQ(BytesToInt(Bytes{9, 9, 0, 0, 0, 5}, true), 5);
}

TEST(Numbers, NumberOfFormats) {
    EXPECT_DOUBLE_EQ(NumberOf(rational(28, 10), kFormatRational, false), 2.8);
    EXPECT_DOUBLE_EQ(NumberOf(rational(5, 0), kFormatRational, false), 0);
    EXPECT_DOUBLE_EQ(NumberOf(le16(300), kFormatShort, false), 300);
    EXPECT_DOUBLE_EQ(NumberOf(Bytes{'1', '2'}, kFormatAscii, false), 0);
    EXPECT_DOUBLE_EQ(NumberOf(Bytes{1}, kFormatUndefined, false), 0);
    EXPECT_DOUBLE_EQ(NumberOf(Bytes{1}, 13, false), 0);
    EXPECT_DOUBLE_EQ(NumberOf(le32(0x3FC00000), kFormatFloat, false), 1.5);
    EXPECT_DOUBLE_EQ(NumberOf(Bytes{0x3F, 0xF8, 0, 0, 0, 0, 0, 0}, kFormatDouble, true), 1.5);
    EXPECT_DOUBLE_EQ(NumberOf(Bytes{1, 2}, kFormatRational, false), 0);
}

TEST(Numbers, RenderNumberUnknownFormatIsZero) {
    EXPECT_EQ(RenderNumber(Bytes{1, 2, 3}, 0, "", "", false), "0");
    EXPECT_EQ(RenderNumber(Bytes{1, 2, 3}, 13, "", "", false), "0");
    EXPECT_EQ(RenderNumber(Bytes{'a', 'b'}, kFormatAscii, "", "", false), "?, ?");
}

TEST(Labels, DecodeLabel) {
    EXPECT_EQ(DecodeLabel("1:Normal,3:Rotated 180°", "3"), "Rotated 180°");
    EXPECT_EQ(DecodeLabel("1:Normal,3:Rotated 180°", " 1 "), "Normal");
    EXPECT_EQ(DecodeLabel("1:Normal,3:Rotated 180°", "2"), "");
    EXPECT_EQ(DecodeLabel("11:Weak,1:Strong", "1"), "Strong");
    EXPECT_EQ(DecodeLabel("0:Auto,1:Manual", "1"), "Manual");
}

TEST(Labels, Printable) {
    EXPECT_EQ(Printable(std::string("a\tb\nc")), "a.b.c");
    EXPECT_EQ(Printable(std::string(80, 'q')), std::string(50, 'q'));
    // Characters, not bytes: a UTF-8 sequence is never split.
    std::string degrees;
    for (int i = 0; i < 60; ++i)
        degrees += "°";
    EXPECT_EQ(Printable(degrees).size(), 100u);
}

struct FractionCase {
    const char* text;
    double value;
};
class FractionTest : public ::testing::TestWithParam<FractionCase> {};
TEST_P(FractionTest, Converts) { EXPECT_DOUBLE_EQ(FractionValue(GetParam().text), GetParam().value); }
INSTANTIATE_TEST_SUITE_P(Texts, FractionTest,
                         ::testing::Values(FractionCase{"1/4", 0.25}, FractionCase{" 3/2 ", 1.5},
                                           FractionCase{"2 1/2", 2.5}, FractionCase{"7", 0},
                                           FractionCase{"1/0", 0}, FractionCase{"a/2", 0},
                                           FractionCase{"", 0}, FractionCase{"-1/2", -0.5}));

TEST(Patterns, FormatFloatIsLocaleFreeAndPads) {
    EXPECT_EQ(FormatFloat("%5.2f mm", 6.3), " 6.30 mm");
    EXPECT_EQ(FormatFloat("F%0.1f", 2.8), "F2.8");
    EXPECT_EQ(FormatFloat("%-6.1f|", 2.25), "2.2   |");
    EXPECT_EQ(FormatFloat("100%%", 1), "100%");
    EXPECT_THROW(FormatFloat("%d", 1), ExifFailure);
    EXPECT_THROW(FormatFloat("%f %f", 1), ExifFailure);
}

TEST(Renderers, ShutterOverflowFails) {
    EXPECT_THROW(RenderShutter("2000/1"), ExifFailure);
    EXPECT_EQ(RenderShutter("1/1"), "0.5000 sec (1/2)");
}

TEST(Renderers, XpTextTakesLowBytesAndSkipsTheLastItem) {
    EXPECT_EQ(RenderXpText("72, 0, 105"), "H");
    EXPECT_EQ(RenderXpText("72, 0, 105, 0"), "Hi");
    EXPECT_EQ(RenderXpText("233, 0, 0"), "é");
}

TEST(Renderers, StrToInt) {
    EXPECT_EQ(StrToInt(" 25"), 25);
    EXPECT_EQ(StrToInt("-3"), -3);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_THROW(StrToInt(""), ExifFailure);
    EXPECT_THROW(StrToInt("1/2"), ExifFailure);
    EXPECT_THROW(StrToInt("99999999999"), ExifFailure);
}

} // namespace
} // namespace kivo
