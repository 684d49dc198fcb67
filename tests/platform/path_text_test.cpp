// Names that are not UTF-8: the bytes survive a QString, the text shown does not pretend to.

#include <string>

#include <gtest/gtest.h>

#include <QString>
#include <QTest>

#include "platform/gui/path_text.h"
#include "platform/gui/shell_launch.h"
#include "platform/name_bytes.h"
#include "support/qt_wait.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

struct NameCase {
    const char* what;
    std::string bytes;
    bool valid;
    std::string lossy; // LossyUtf8
};

class NameBytesTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameBytesTest, RoundTripsAndShowsReplacements) {
    const NameCase& c = GetParam();
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
    EXPECT_EQ(LossyUtf8(c.bytes), c.lossy);
    const QString text = PathText(c.bytes);
    EXPECT_EQ(PathBytes(text), c.bytes);
    EXPECT_EQ(HasRawBytes(text), !c.valid);
    const QString shown = DisplayText(text);
    EXPECT_EQ(shown.toUtf8().toStdString(), c.lossy);
    EXPECT_FALSE(HasRawBytes(shown));
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameBytesTest,
    ::testing::Values(
        NameCase{"ascii", "IMG_0001.JPG", true, "IMG_0001.JPG"},
        NameCase{"czech", "fotky/léto 2004.jpg", true, "fotky/léto 2004.jpg"},
        NameCase{"astral", "\xF0\x9F\x93\xB7.jpg", true, "\xF0\x9F\x93\xB7.jpg"},
        NameCase{"latin1", "\xFF\xFE.jpg", false, "\xEF\xBF\xBD\xEF\xBF\xBD.jpg"},
        NameCase{"cp1250", "l\xE9to.jpg", false, "l\xEF\xBF\xBDto.jpg"},
        // UTF-8's encoding of a surrogate is not UTF-8: three raw bytes, not one character.
        NameCase{"surrogate", "\xED\xB3\xBF", false, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        NameCase{"overlong", "\xC0\xAF", false, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        NameCase{"cut off", "a\xE2\x82", false, "a\xEF\xBF\xBD\xEF\xBF\xBD"},
        NameCase{"beyond", "\xF4\x90\x80\x80", false,
                 "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        NameCase{"raw byte after an astral", "\xF0\x9F\x93\xB7\x80", false,
                 "\xF0\x9F\x93\xB7\xEF\xBF\xBD"}),
    [](const auto& info) {
        std::string n = info.param.what;
        for (char& ch : n)
            if (ch == ' ')
                ch = '_';
        return n;
    });

TEST(FileUrlTest, PercentEncodesTheBytes) {
    EXPECT_EQ(FileUrl("/tmp/\xFF\xFE a.jpg").toEncoded(), QByteArray("file:///tmp/%FF%FE%20a.jpg"));
    EXPECT_EQ(FileUrl("/tmp/l\xC3\xA9to.jpg").toLocalFile(), QStringLiteral("/tmp/léto.jpg"));
}

// Viewers get a name that is not UTF-8 as its bytes, where QProcess would pass U+FFFD.
TEST(StartDetachedWithBytesTest, PassesTheBytesAndReportsAFailedStart) {
    test::TempDir dir;
    const QString raw = PathText(dir.write("\xFF\xFE.txt", "R"));
    const std::string copy = dir.file("copy.txt");
    ASSERT_TRUE(StartDetachedWithBytes(QStringLiteral("cp"), {raw, QStringLiteral("copy.txt")},
                                       PathText(dir.path())));
    KIVO_WAIT_TRUE(test::ReadWholeFile(copy) == "R", 10000); // it runs detached
    EXPECT_FALSE(StartDetachedWithBytes(QStringLiteral("no-such-program-kivo"), {raw}, {}));
    EXPECT_FALSE(
        StartDetachedWithBytes(QStringLiteral("cp"), {raw, raw}, PathText(dir.file("gone\xFF"))));
}

} // namespace
} // namespace kivo
