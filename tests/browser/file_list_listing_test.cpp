// The file list without a window: listing rules, texts, sort state and comparison.

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QLocale>
#include <QString>
#include <QStringList>

#include "browser/file_list_listing.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace kivo {
namespace {

using test::TempDir;

QStringList Captions(const FileListing& l) {
    QStringList out;
    for (const FileListItem& item : l.Items())
        out << item.caption;
    return out;
}

const FileListItem* Find(const FileListing& l, const QString& caption) {
    for (const FileListItem& item : l.Items())
        if (item.caption == caption)
            return &item;
    return nullptr;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

void SetMtime(const std::string& path, std::time_t t) {
    const timeval times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

// A folder with two files and two sub-folders, listed with the start values.
class ListingFolder : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write("a.txt", "aaaa");
        dir.write("b.txt", "bbbbbbbb");
        dir.mkdir("x");
        dir.mkdir("y");
        ASSERT_TRUE(listing.SetDirectory(Q(dir.path())));
        listing.Refresh();
    }
    TempDir dir;
    FileListing listing;
};

// --- texts ----------------------------------------------------------------------------------

struct SizeCase {
    std::uint64_t bytes;
    const char* kind;
    const char* text;
};

class SizeTextTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeTextTest, FollowsWholeKilobytes) {
    const SizeCase& c = GetParam();
    EXPECT_EQ(SizeText(c.bytes, QString::fromLatin1(c.kind)), QString::fromLatin1(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, SizeTextTest,
    ::testing::Values(SizeCase{0, "file", "0 KB"}, SizeCase{1, "file", "1 KB"},
                      SizeCase{10, "file", "1 KB"}, SizeCase{1000, "file", "1 KB"},
                      SizeCase{1023, "file", "1 KB"}, SizeCase{1024, "file", "1 KB"},
                      SizeCase{2047, "file", "1 KB"}, SizeCase{2048, "file", "2 KB"},
                      SizeCase{1234567, "file", "1205 KB"},
                      // 64-bit: 5 GiB and 3 GiB do not wrap.
                      SizeCase{5ull << 30, "file", "5242880 KB"},
                      SizeCase{3ull << 30, "file", "3145728 KB"}, SizeCase{0, "dir", " "},
                      SizeCase{4096, "DIR", " "}));

TEST(SizeKey, ReadsTheNumberBeforeTheSuffix) {
    EXPECT_EQ(SizeKeyOf(QStringLiteral(" ")), 0);
    EXPECT_EQ(SizeKeyOf(QStringLiteral("0 KB")), 0);
    EXPECT_EQ(SizeKeyOf(QStringLiteral("1205 KB")), 1205);
    EXPECT_EQ(SizeKeyOf(QStringLiteral("5242880 KB")), 5242880);
    EXPECT_EQ(SizeKeyOf(QStringLiteral("junk")), -1);
}

TEST(VolumeTexts, SpaceInThousandsOfKilobytes) {
    FormatSettings saved = ProcessFormatSettings();
    ProcessFormatSettings().ThousandSeparator = ',';
    EXPECT_EQ(VolumeSpaceText(0), QStringLiteral("0 Mb"));
    EXPECT_EQ(VolumeSpaceText(-5), QStringLiteral("0 Mb"));
    EXPECT_EQ(VolumeSpaceText(1), QStringLiteral(" Mb")); // a small volume shows no digits
    EXPECT_EQ(VolumeSpaceText(999), QStringLiteral(" Mb"));
    EXPECT_EQ(VolumeSpaceText(1000), QStringLiteral("1 Mb"));
    EXPECT_EQ(VolumeSpaceText(999999), QStringLiteral("999 Mb"));
    EXPECT_EQ(VolumeSpaceText(1000000), QStringLiteral("1,000 Mb"));
    EXPECT_EQ(VolumeSpaceText(123456789012), QStringLiteral("123,456,789 Mb"));
    ProcessFormatSettings() = saved;
}

TEST(VolumeTexts, TypeNames) {
    const QStringList expected = {"Unknown",      "Not exist",   "Removable Disk", "Fixed Disk",
                                  "Network Disk", "CD-ROM Disk", "RAM Disk"};
    for (int t = 0; t < 7; ++t)
        EXPECT_EQ(VolumeTypeText(t), expected[t]);
    EXPECT_EQ(VolumeTypeText(7), QString());
    EXPECT_EQ(VolumeTypeText(-1), QString());
}

TEST(Patterns, FixedDateFormats) {
    EXPECT_EQ(DatePatternFor(TDtFormat::df_MMddyyyy), QStringLiteral("MM/dd/yyyy"));
    EXPECT_EQ(DatePatternFor(TDtFormat::df_MMddyy), QStringLiteral("MM/dd/yy"));
    EXPECT_EQ(DatePatternFor(TDtFormat::df_ddMMyyyy), QStringLiteral("dd/MM/yyyy"));
    EXPECT_EQ(DatePatternFor(TDtFormat::df_ddMMyy_GB), QStringLiteral("dd/MM/yy"));
    EXPECT_EQ(DatePatternFor(TDtFormat::df_ddMMyy_DE), QStringLiteral("dd.MM.yy"));
    EXPECT_EQ(DatePatternFor(TDtFormat::df_ddMMyy_IT), QStringLiteral("dd-MM-yy"));
    EXPECT_EQ(DatePatternFor(TDtFormat::df_yyyyMMdd), QStringLiteral("yyyy.MM.dd"));
    EXPECT_EQ(DatePatternFor(TDtFormat::df_yyMMdd), QStringLiteral("yy.MM.dd"));
    // The tests run in C.UTF-8: "%m/%d/%y".
    EXPECT_EQ(DatePatternFor(TDtFormat::df_Customize), QStringLiteral("MM/dd/yy"));
}

TEST(Patterns, TimeFormatsTakenWhenAssigned) {
    FormatSettings saved = ProcessFormatSettings();
    ProcessFormatSettings().LongTimeFormat = "h:nn:ss";
    FileListing l;
    l.SetTimeFormat(TTmFormat::tfLongFormat);
    ProcessFormatSettings().LongTimeFormat = "hh:nn:ss";
    EXPECT_EQ(l.TimePattern(), QStringLiteral("h:nn:ss")); // a later change does not matter
    l.SetTimeFormat(TTmFormat::tfShortFormat);
    EXPECT_EQ(l.TimePattern(), QString::fromStdString(ProcessFormatSettings().ShortTimeFormat));
    // The user's format cut before its first "t", on a 12-hour clock.
    EXPECT_EQ(TimePatternFor(TTmFormat::tfCustomize), QStringLiteral("hh:nn:ss AM/PM"));
    ProcessFormatSettings() = saved;
}

struct FormatCase {
    TDtFormat date;
    TTmFormat time;
};

class ModifiedRoundTrip : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ModifiedRoundTrip, TextReadsBackToTheShownValue) {
    const QString dp = DatePatternFor(GetParam().date);
    const QString tp = TimePatternFor(GetParam().time);
    const FormatSettings fs = ModifiedFormatSettings();
    for (TDateTime v : {EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 0),
                        EncodeDate(1999, 12, 31) + EncodeTime(0, 30, 0),
                        EncodeDate(2030, 1, 1) + EncodeTime(12, 0, 0)}) {
        const QString text = QString::fromStdString(
            FormatDateTime((dp + QLatin1Char(' ') + tp).toStdString(), v, fs));
        TDateTime back = 0;
        ASSERT_TRUE(ParseModifiedText(text, dp, tp, back)) << text.toStdString();
        EXPECT_NEAR(back, v, 1e-9) << text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllFormats, ModifiedRoundTrip,
    ::testing::Values(FormatCase{TDtFormat::df_MMddyyyy, TTmFormat::tfLongFormat},
                      FormatCase{TDtFormat::df_MMddyy, TTmFormat::tfShortFormat},
                      FormatCase{TDtFormat::df_ddMMyyyy, TTmFormat::tfCustomize},
                      FormatCase{TDtFormat::df_ddMMyy_GB, TTmFormat::tfLongFormat},
                      FormatCase{TDtFormat::df_ddMMyy_DE, TTmFormat::tfShortFormat},
                      FormatCase{TDtFormat::df_ddMMyy_IT, TTmFormat::tfCustomize},
                      FormatCase{TDtFormat::df_yyyyMMdd, TTmFormat::tfLongFormat},
                      FormatCase{TDtFormat::df_yyMMdd, TTmFormat::tfCustomize},
                      FormatCase{TDtFormat::df_Customize, TTmFormat::tfShortFormat}));

TEST(ModifiedText, UnreadableTextsAreRefused) {
    TDateTime v = 0;
    EXPECT_FALSE(ParseModifiedText(QStringLiteral("2024.13.01 10:00:00"),
                                   QStringLiteral("yyyy.MM.dd"), QStringLiteral("hh:nn:ss"), v));
    EXPECT_FALSE(ParseModifiedText(QStringLiteral("garbage"), QStringLiteral("yyyy.MM.dd"),
                                   QStringLiteral("hh:nn:ss"), v));
    EXPECT_FALSE(ParseModifiedText(QStringLiteral("2024.01.01 10:00:00 extra"),
                                   QStringLiteral("yyyy.MM.dd"), QStringLiteral("hh:nn:ss"), v));
}

// Patterns the Modified column may be read with, under fixed settings (short date
// "dd.MM.yyyy", short time "hh:nn", long time "hh:nn:ss", separators "-" and ":").
struct ReadCase {
    const char* date;
    const char* time;
    const char16_t* text;
    int y, mo, d, h, mi, s; // y = 0: the text is refused
};

class ModifiedReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ModifiedReadTest, ReadsTheFieldsThePatternLaysOut) {
    FormatSettings fs;
    fs.ShortDateFormat = "dd.MM.yyyy";
    fs.ShortTimeFormat = "hh:nn";
    fs.LongTimeFormat = "hh:nn:ss";
    fs.DateSeparator = '-';
    const PinnedModifiedSettings pinned(fs);
    const ReadCase& c = GetParam();
    TDateTime v = 0;
    const bool ok = ModifiedTextReader(QString::fromUtf8(c.date), QString::fromUtf8(c.time))
                        .Read(QStringView(c.text), v);
    ASSERT_EQ(ok, c.y != 0);
    if (ok) {
        EXPECT_NEAR(v, EncodeDate(c.y, c.mo, c.d) + EncodeTime(c.h, c.mi, c.s, 0), 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, ModifiedReadTest,
    ::testing::Values(
        ReadCase{"yyyy/MM/dd", "hh:nn:ss", u"2024-02-29 13:05:07", 2024, 2, 29, 13, 5, 7},
        ReadCase{"yyyy/MM/dd", "hh:nn:ss", u"2024.02.29 13:05:07", 0, 0, 0, 0, 0, 0},
        ReadCase{"'d'dd.MM.yyyy", "hhmm", u"d05.03.2024 1030", 2024, 3, 5, 10, 30, 0},
        ReadCase{"dddd dd.MM.yy", "h:nn AM/PM", u"Fri 01.03.24 1:05 PM", 2024, 3, 1, 13, 5, 0},
        ReadCase{"dd.MM.yyyy", "hh:nn am/pm", u"01.03.2024 12:00 am", 2024, 3, 1, 0, 0, 0},
        ReadCase{"dd.MM.yyyy", "h:nn AM/PM", u"01.03.2024 13:00 PM", 0, 0, 0, 0, 0, 0},
        ReadCase{"dd.MM.yyyy", "h a/p", u"01.03.2024 7 p", 2024, 3, 1, 19, 0, 0},
        ReadCase{"ddddd", "t", u"09.12.2026 07:15", 2026, 12, 9, 7, 15, 0},
        ReadCase{"ddddd", "tt", u"09.12.2026 07:15:59", 2026, 12, 9, 7, 15, 59},
        ReadCase{"yyyyMMdd", "hh:mm", u"20241231 23:12", 2024, 12, 31, 23, 0, 0},
        ReadCase{"\"x\"yyyy.MM.dd", "hh", u"x2024.01.02 03", 2024, 1, 2, 3, 0, 0},
        ReadCase{"yyyy.MM.dd", "hh:nn", u"2024.01.02 03:04 ", 0, 0, 0, 0, 0, 0}));

TEST(ModifiedText, PatternsNestedTooDeeplyAreNeverRead) {
    FormatSettings fs;
    fs.ShortDateFormat = "ddddd"; // refers to itself
    const PinnedModifiedSettings pinned(fs);
    TDateTime v = 0;
    EXPECT_FALSE(
        ModifiedTextReader(QStringLiteral("ddddd"), QStringLiteral("hh")).Read(u"01 02", v));
}

TEST(Names, LocaleUpperCaseThenCodeOrder) {
    EXPECT_EQ(CompareNames(QStringLiteral("abc"), QStringLiteral("ABC")), 0);
    EXPECT_EQ(CompareNames(QStringLiteral("a"), QStringLiteral("B")), -1);
    EXPECT_EQ(CompareNames(QStringLiteral("ž"), QStringLiteral("Z")), 1);
    EXPECT_EQ(CompareNames(QStringLiteral(" ^ Parent"), QStringLiteral("!")), -1);
    EXPECT_EQ(CompareTextAscii(QStringLiteral("JPEG image"), QStringLiteral("jpeg IMAGE")), 0);
    EXPECT_EQ(CompareTextAscii(QStringLiteral("Ž"), QStringLiteral("ž")), -1); // only ASCII folds
    EXPECT_EQ(CompareTextAscii(QStringLiteral("A"), QStringLiteral("AR")), -1);
}

// --- Directory ------------------------------------------------------------------------------

TEST(Directory, StartsOnDrivesAndIgnoresUnknownFolders) {
    FileListing l;
    EXPECT_EQ(l.Directory(), QStringLiteral("Drives"));
    EXPECT_TRUE(l.IsDrives());
    EXPECT_FALSE(l.SetDirectory(QStringLiteral("DRIVES"))); // same text in another case
    EXPECT_FALSE(l.SetDirectory(QStringLiteral("/no/such/folder/here")));
    EXPECT_FALSE(l.SetDirectory(QString()));
    EXPECT_EQ(l.Directory(), QStringLiteral("Drives"));
}

TEST(Directory, TrailingSlashCurrentDirectoryAndReListing) {
    TempDir dir;
    FileListing l;
    ASSERT_TRUE(l.SetDirectory(Q(dir.path())));
    EXPECT_EQ(l.Directory(), Q(dir.path() + "/"));
    EXPECT_EQ(Q(IncludeTrailingSlash(GetCurrentDir())), l.Directory());
    // Without the slash the texts differ: the folder is set (and listed) again.
    EXPECT_TRUE(l.SetDirectory(Q(dir.path())));
    // The identical text, in any letter case, is not.
    EXPECT_FALSE(l.SetDirectory(Q(dir.path() + "/")));
    EXPECT_FALSE(l.SetDirectory(Q(dir.path() + "/").toUpper()));
    EXPECT_TRUE(l.SetDirectory(QStringLiteral("drives")));
    EXPECT_EQ(l.Directory(), QStringLiteral("drives"));
    EXPECT_TRUE(l.IsDrives());
}

TEST(Directory, RelativeFoldersBecomeAbsolute) {
    TempDir dir;
    dir.mkdir("sub");
    ASSERT_TRUE(SetCurrentDir(dir.path()));
    FileListing l;
    ASSERT_TRUE(l.SetDirectory(QStringLiteral("sub")));
    EXPECT_EQ(l.Directory(), Q(dir.path() + "/sub/"));
    EXPECT_FALSE(l.SetDirectory(QStringLiteral("sub"))); // "sub" is no folder inside sub/
    EXPECT_EQ(l.Directory(), Q(dir.path() + "/sub/"));
}

TEST(Directory, FileIsNotAFolder) {
    TempDir dir;
    const std::string file = dir.write("f.txt", "x");
    FileListing l;
    EXPECT_FALSE(l.SetDirectory(Q(file)));
    EXPECT_TRUE(l.IsDrives());
}

// --- listing --------------------------------------------------------------------------------

TEST_F(ListingFolder, SubItemsInOrder) {
    const FileListItem* a = Find(listing, QStringLiteral("a.txt"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->subItems[siSize], QStringLiteral("1 KB"));
    EXPECT_EQ(a->subItems[siType], QStringLiteral("plain text document"));
    EXPECT_EQ(a->subItems[siAttr], QString());
    EXPECT_EQ(a->subItems[siPath], Q(dir.path() + "/a.txt"));
    EXPECT_EQ(a->subItems[siKind], QStringLiteral("file"));
    EXPECT_EQ(a->iconKey, QStringLiteral("text/plain"));

    const FileListItem* x = Find(listing, QStringLiteral("x"));
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->subItems[siSize], QStringLiteral(" "));
    EXPECT_EQ(x->subItems[siKind], QStringLiteral("dir"));
    EXPECT_EQ(x->subItems[siPath], Q(dir.path() + "/x"));

    const FileListItem* parent = Find(listing, kParentCaption);
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(parent->subItems[siType], QStringLiteral(" "));
    EXPECT_EQ(parent->subItems[siKind], QStringLiteral("dir"));
    EXPECT_TRUE(listing.Sortable());
    ASSERT_EQ(listing.Columns().size(), 5u);
    EXPECT_EQ(listing.Columns()[0].caption, QStringLiteral("Name"));
    EXPECT_EQ(listing.Columns()[1].caption, QStringLiteral("Size"));
    EXPECT_EQ(listing.Columns()[1].alignment, Qt::AlignRight);
    EXPECT_EQ(listing.Columns()[3].caption, QStringLiteral("Modified"));
    EXPECT_EQ(listing.Columns()[0].width, 165);
}

TEST_F(ListingFolder, ModifiedTextUsesTheAssignedPatterns) {
    const std::string path = dir.file("a.txt");
    const std::time_t t = LocalDateTimeToUnix(EncodeDate(2021, 7, 4) + EncodeTime(9, 8, 7));
    SetMtime(path, t);
    listing.SetDateFormat(TDtFormat::df_yyyyMMdd);
    FormatSettings saved = ProcessFormatSettings();
    ProcessFormatSettings().LongTimeFormat = "hh:nn:ss";
    listing.SetTimeFormat(TTmFormat::tfLongFormat);
    listing.Refresh();
    EXPECT_EQ(Find(listing, QStringLiteral("a.txt"))->subItems[siModified],
              QStringLiteral("2021.07.04 09:08:07"));
    listing.SetDateFormat(TDtFormat::df_ddMMyy_IT);
    listing.SetTimeFormat(TTmFormat::tfCustomize);
    listing.Refresh();
    EXPECT_EQ(Find(listing, QStringLiteral("a.txt"))->subItems[siModified],
              QStringLiteral("04-07-21 09:08:07 AM"));
    ProcessFormatSettings() = saved;
}

TEST_F(ListingFolder, StartStateOrder) {
    EXPECT_EQ(listing.SortColumn, 0);
    EXPECT_TRUE(listing.SortDescending);
    EXPECT_EQ(Captions(listing), (QStringList{" ^ Parent", "b.txt", "a.txt", "y", "x"}));
}

TEST_F(ListingFolder, HeaderClickInvertsThenOtherColumnStartsDescending) {
    const std::vector<int> perm = listing.SortByColumn(0);
    EXPECT_FALSE(listing.SortDescending);
    EXPECT_EQ(perm.size(), 5u);
    EXPECT_EQ(Captions(listing), (QStringList{" ^ Parent", "x", "y", "a.txt", "b.txt"}));
    listing.SortByColumn(1);
    EXPECT_EQ(listing.SortColumn, 1);
    EXPECT_TRUE(listing.SortDescending);
    // Descending by size: files first (4 and 8 bytes are both 1 KB, equal), parent first.
    EXPECT_EQ(Captions(listing).first(), kParentCaption);
    listing.SortByColumn(1);
    EXPECT_FALSE(listing.SortDescending);
}

TEST_F(ListingFolder, RefreshKeepsTheSortState) {
    listing.SortByColumn(0); // ascending
    listing.Refresh();
    EXPECT_EQ(listing.SortColumn, 0);
    EXPECT_FALSE(listing.SortDescending);
    EXPECT_EQ(Captions(listing), (QStringList{" ^ Parent", "x", "y", "a.txt", "b.txt"}));
}

TEST_F(ListingFolder, ParentFirstByNameInBothDirections) {
    dir.mkdir("!bang");
    dir.write("   .txt", "");
    listing.Refresh();
    EXPECT_EQ(Captions(listing).first(), kParentCaption);
    listing.SortByColumn(0);
    EXPECT_EQ(Captions(listing).first(), kParentCaption);
}

TEST_F(ListingFolder, NamesSortWithTheLocalesUpperCase) {
    // Turkish upper-cases "i" to a letter after "J": no ASCII shortcut may apply.
    dir.write("i1", "");
    dir.write("j1", "");
    const QLocale saved;
    for (const QLocale& locale : {QLocale(QLocale::Turkish), QLocale(QLocale::English)}) {
        QLocale::setDefault(locale);
        listing.Refresh(); // by name, descending as at the start
        QStringList files;
        for (const FileListItem& item : listing.Items())
            if (item.kind() == kKindFile)
                files << item.caption;
        ASSERT_EQ(files.size(), 4);
        for (qsizetype i = 1; i < files.size(); ++i)
            EXPECT_GT(CompareNames(files[i - 1], files[i]), 0) << files.join(u' ').toStdString();
    }
    QLocale::setDefault(saved);
}

TEST(Listing, EachFileShowsTheSizeTextOfItsOwnSize) {
    // Sizes a listing's texts may share, and sizes 256 KiB apart that must not.
    TempDir dir;
    const std::vector<std::size_t> sizes{0, 1, 1023, 1024, 2047, 2048, 262144, 262145, 263168, 5};
    for (std::size_t i = 0; i < sizes.size(); ++i)
        dir.write("f" + std::to_string(i), std::string(sizes[i], 'x'));
    FileListing l;
    ASSERT_TRUE(l.SetDirectory(Q(dir.path())));
    l.Refresh();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const FileListItem* item = Find(l, Q("f" + std::to_string(i)));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->subItems[siSize], SizeText(sizes[i], kKindFile)) << sizes[i];
    }
}

TEST_F(ListingFolder, SizeComparesWholeKilobytes) {
    dir.write("ten", std::string(10, 'x'));
    dir.write("thousand", std::string(1000, 'x'));
    dir.write("big", std::string(5000, 'x'));
    dir.write("zero", "");
    listing.Refresh();
    listing.SortByColumn(1);
    const FileListItem* ten = Find(listing, QStringLiteral("ten"));
    const FileListItem* thousand = Find(listing, QStringLiteral("thousand"));
    const FileListItem* zero = Find(listing, QStringLiteral("zero"));
    ASSERT_TRUE(ten && thousand && zero);
    EXPECT_EQ(zero->subItems[siSize], QStringLiteral("0 KB"));
    EXPECT_EQ(listing.Compare(*ten, *thousand), 0);
    EXPECT_EQ(listing.Compare(*thousand, *ten), 0);
    // Descending: the larger first.
    EXPECT_LT(listing.Compare(*Find(listing, QStringLiteral("big")), *ten), 0);
    EXPECT_GT(listing.Compare(*zero, *ten), 0);
    // Descending puts files before folders.
    EXPECT_LT(listing.Compare(*zero, *Find(listing, QStringLiteral("x"))), 0);
    listing.SortByColumn(1); // ascending
    // Sorting rebuilds the items, so pointers taken before it are stale.
    EXPECT_GT(listing.Compare(*Find(listing, QStringLiteral("zero")),
                              *Find(listing, QStringLiteral("x"))),
              0);
    // Folders (all " ") are equal by size and keep their order after the parent entry.
    const QStringList ascending = Captions(listing);
    EXPECT_EQ(ascending.first(), kParentCaption);
    EXPECT_TRUE(ascending.mid(1, 2).contains(QStringLiteral("x")) &&
                ascending.mid(1, 2).contains(QStringLiteral("y")));
    EXPECT_EQ(ascending.last(), QStringLiteral("big"));
}

TEST_F(ListingFolder, SizesOfTwoGigabytesAndMoreSortAsNumbers) {
    const std::string huge = dir.write("huge.bin", "");
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(5ull << 30)), 0); // sparse
    dir.write("small.bin", "x");
    listing.Refresh();
    listing.SortByColumn(1); // descending
    EXPECT_EQ(Find(listing, QStringLiteral("huge.bin"))->subItems[siSize],
              QStringLiteral("5242880 KB"));
    EXPECT_EQ(Captions(listing).mid(0, 2), (QStringList{" ^ Parent", "huge.bin"}));
}

TEST_F(ListingFolder, ModifiedSortsByDateTime) {
    listing.SetDateFormat(TDtFormat::df_yyyyMMdd);
    listing.SetTimeFormat(
        TTmFormat::tfCustomize); // 12-hour clock: text order differs from time order
    SetMtime(dir.file("a.txt"), LocalDateTimeToUnix(EncodeDate(2020, 5, 1) + EncodeTime(13, 0, 0)));
    SetMtime(dir.file("b.txt"), LocalDateTimeToUnix(EncodeDate(2020, 5, 1) + EncodeTime(11, 0, 0)));
    dir.write("c.txt", "");
    SetMtime(dir.file("c.txt"), LocalDateTimeToUnix(EncodeDate(2019, 1, 1)));
    listing.Refresh();
    listing.SortByColumn(3); // newest first
    EXPECT_EQ(listing.SortColumn, 3);
    EXPECT_EQ(Captions(listing).mid(0, 4), (QStringList{" ^ Parent", "a.txt", "b.txt", "c.txt"}));
    listing.SortByColumn(3);
    EXPECT_EQ(Captions(listing).mid(3, 3), (QStringList{"c.txt", "b.txt", "a.txt"}));
}

TEST_F(ListingFolder, UnreadableModifiedTextsDoNotAbortTheSort) {
    listing.SortByColumn(3);
    listing.Items()[1].subItems[siModified] = QStringLiteral("??");
    listing.SortByColumn(3);
    EXPECT_EQ(listing.Items().size(), 5u);
}

TEST_F(ListingFolder, TypeAndAttrCompareAsciiCaseInsensitive) {
    listing.SortByColumn(2);
    FileListItem p = listing.Items()[1];
    FileListItem q = p;
    p.subItems[siType] = QStringLiteral("jpeg image");
    q.subItems[siType] = QStringLiteral("JPEG IMAGE");
    EXPECT_EQ(listing.Compare(p, q), 0);
    q.subItems[siType] = QStringLiteral("Text");
    EXPECT_GT(listing.Compare(p, q), 0); // descending
}

TEST(Listing, NoParentEntryAtTheRoot) {
    FileListing l;
    ASSERT_TRUE(l.SetDirectory(QStringLiteral("/")));
    l.Refresh();
    EXPECT_EQ(Find(l, kParentCaption), nullptr);
    EXPECT_EQ(Find(l, QStringLiteral(".")), nullptr);
    for (const FileListItem& item : l.Items())
        EXPECT_TRUE(item.fullPath().startsWith(QLatin1Char('/')) &&
                    !item.fullPath().startsWith(QStringLiteral("//")));
}

TEST(Listing, ParentNeedsShowFolders) {
    TempDir dir;
    dir.mkdir("sub");
    dir.write("f", "");
    FileListing l;
    EXPECT_TRUE(l.SetShowFolders(false));
    EXPECT_FALSE(l.SetShowFolders(false));
    ASSERT_TRUE(l.SetDirectory(Q(dir.path())));
    l.Refresh();
    EXPECT_EQ(Captions(l), QStringList{"f"});
}

TEST(Listing, MaskTrimmingPiecesAndDuplicates) {
    TempDir dir;
    dir.write("a.txt", "");
    dir.write("b.jpg", "");
    dir.write("c.TXT", "");
    FileListing l;
    l.SetShowFolders(false);
    ASSERT_TRUE(l.SetDirectory(Q(dir.path())));

    EXPECT_TRUE(l.SetMask(QStringLiteral("  *.txt  ")));
    EXPECT_FALSE(l.SetMask(QStringLiteral("  *.txt  ")));
    l.Refresh();
    EXPECT_EQ(Captions(l), (QStringList{"c.TXT", "a.txt"})); // descending by name

    // A blank after ";" stays part of the next piece, which then matches nothing.
    l.SetMask(QStringLiteral("*.txt; *.jpg"));
    l.Refresh();
    EXPECT_EQ(Captions(l), (QStringList{"c.TXT", "a.txt"}));

    l.SetMask(QStringLiteral("   "));
    l.Refresh();
    EXPECT_EQ(Captions(l), (QStringList{"c.TXT", "b.jpg", "a.txt"}));

    // An entry matching two pieces is listed twice.
    l.SetMask(QStringLiteral("*.jpg;b*"));
    l.Refresh();
    EXPECT_EQ(Captions(l), (QStringList{"b.jpg", "b.jpg"}));
}

TEST(Listing, ReListingKeepsUnchangedTextsAndTellsEachRowItsRowBefore) {
    TempDir dir;
    for (const char* name : {"a.jpg", "b.jpg", "\xc3\xa9.jpg", "\xff.jpg", "gone.jpg"})
        dir.write(name, "x");
    dir.mkdir("x");
    FileListing before;
    before.SetMask(QStringLiteral("*.jpg;b*")); // b.jpg is listed twice
    ASSERT_TRUE(before.SetDirectory(Q(dir.path())));
    before.Refresh();
    for (FileListItem& item : before.Items())
        item.subItems[siType] = QStringLiteral("kept");
    ASSERT_EQ(std::remove(dir.file("gone.jpg").c_str()), 0);
    dir.write("new.jpg", "x");
    dir.write("a.jpg", "changed");

    FileListing kept(before), fresh(before);
    kept.RefreshKeepingUnchanged();
    fresh.Refresh();
    ASSERT_EQ(kept.Items().size(), fresh.Items().size());
    ASSERT_EQ(kept.RowsBefore().size(), kept.Items().size());
    std::vector<bool> used(before.Items().size(), false);
    for (std::size_t r = 0; r < kept.Items().size(); ++r) {
        const FileListItem& k = kept.Items()[r];
        const FileListItem& f = fresh.Items()[r];
        EXPECT_EQ(k.fullPath(), f.fullPath()) << r;
        EXPECT_EQ(k.subItems[siModified], f.subItems[siModified]) << r;
        const bool remade = k.name == QLatin1String("a.jpg") || k.name == QLatin1String("new.jpg");
        EXPECT_EQ(k.subItems[siType], remade ? f.subItems[siType] : QStringLiteral("kept")) << r;
        const int b = kept.RowsBefore()[r];
        if (k.name == QLatin1String("new.jpg")) {
            EXPECT_EQ(b, -1);
            continue;
        }
        ASSERT_GE(b, 0) << k.fullPath().toStdString();
        EXPECT_EQ(before.Items()[static_cast<std::size_t>(b)].fullPath(), k.fullPath());
        EXPECT_FALSE(used[static_cast<std::size_t>(b)]) << "row " << b << " matched twice";
        used[static_cast<std::size_t>(b)] = true;
    }
    EXPECT_TRUE(fresh.RowsBefore().empty());
    kept.SortByColumn(1);
    EXPECT_TRUE(kept.RowsBefore().empty()) << "a sort moves the rows away from the record";
}

TEST(Listing, HiddenAndReadOnlyEntriesFollowFileType) {
    TempDir dir;
    dir.write(".hidden", "");
    dir.mkdir(".hiddendir");
    const std::string ro = dir.write("ro.txt", "");
    ASSERT_EQ(::chmod(ro.c_str(), 0444), 0);
    dir.write("plain.txt", "");
    FileListing l;
    ASSERT_TRUE(l.SetDirectory(Q(dir.path())));
    l.Refresh();
    EXPECT_NE(Find(l, QStringLiteral(".hidden")), nullptr);
    EXPECT_NE(Find(l, QStringLiteral(".hiddendir")), nullptr);
    EXPECT_EQ(Find(l, QStringLiteral(".hidden"))->subItems[siAttr], QStringLiteral("H"));
    EXPECT_EQ(Find(l, QStringLiteral("ro.txt"))->subItems[siAttr], QStringLiteral("R"));

    EXPECT_TRUE(l.SetFileType(ftReadOnly | ftSystem | ftArchive));
    l.Refresh();
    EXPECT_EQ(Find(l, QStringLiteral(".hidden")), nullptr);
    EXPECT_EQ(Find(l, QStringLiteral(".hiddendir")), nullptr);
    EXPECT_NE(Find(l, QStringLiteral("ro.txt")), nullptr);

    // The archive member never decides anything.
    l.SetFileType(ftHidden);
    l.Refresh();
    EXPECT_EQ(Find(l, QStringLiteral("ro.txt")), nullptr);
    EXPECT_NE(Find(l, QStringLiteral("plain.txt")), nullptr);
    EXPECT_NE(Find(l, QStringLiteral(".hidden")), nullptr);
    l.SetFileType(0);
    l.Refresh();
    EXPECT_NE(Find(l, QStringLiteral("plain.txt")), nullptr);
    EXPECT_EQ(Find(l, QStringLiteral(".hidden")), nullptr);
}

TEST(Listing, HideFileExtCutsAtTheFirstDot) {
    TempDir dir;
    dir.write("photo.2024.jpg", "");
    dir.write("README", "");
    dir.mkdir("folder.d");
    FileListing l;
    l.SetHideFileExt(true);
    ASSERT_TRUE(l.SetDirectory(Q(dir.path())));
    l.Refresh();
    EXPECT_EQ(Captions(l), (QStringList{" ^ Parent", "README", "photo", "folder"}));
    EXPECT_EQ(Find(l, QStringLiteral("photo"))->fullPath(), Q(dir.path() + "/photo.2024.jpg"));
}

TEST(Listing, VanishedFolderListsNothing) {
    auto dir = std::make_unique<TempDir>();
    dir->write("f", "");
    FileListing l;
    ASSERT_TRUE(l.SetDirectory(Q(dir->path())));
    l.Refresh();
    EXPECT_FALSE(l.Items().empty());
    const std::string keep = dir->path();
    dir.reset();
    l.Refresh();
    EXPECT_TRUE(l.Items().empty());
    EXPECT_TRUE(l.Sortable());
}

// --- drive view -----------------------------------------------------------------------------

TEST(Drives, VolumesWithTypeAndSpaceAndNoSorting) {
    FileListing l;
    l.SortByColumn(2); // not sortable before any listing
    EXPECT_EQ(l.SortColumn, 0);
    l.Refresh();
    EXPECT_FALSE(l.Sortable());
    ASSERT_EQ(l.Columns().size(), 5u);
    const QStringList heads = {"Name", "Type", "Disk Size", "Free Space", "Attributes"};
    const int widths[] = {160, 110, 90, 90, 40};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(l.Columns()[static_cast<std::size_t>(i)].caption, heads[i]);
        EXPECT_EQ(l.Columns()[static_cast<std::size_t>(i)].width, widths[i]);
    }
    const FileListItem* root = nullptr;
    for (const FileListItem& item : l.Items())
        if (item.fullPath() == QLatin1String("/"))
            root = &item;
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->caption.startsWith(QStringLiteral(" (/)  ")));
    EXPECT_EQ(root->kind(), QStringLiteral("drv"));
    EXPECT_TRUE(root->subItems[siType].endsWith(QStringLiteral(" Mb")));
    EXPECT_TRUE(root->subItems[siModified].endsWith(QStringLiteral(" Mb")));
    EXPECT_EQ(root->subItems[siAttr], QString());

    // Column clicks do nothing in the drive view.
    const QStringList before = Captions(l);
    EXPECT_TRUE(l.SortByColumn(0).empty());
    EXPECT_EQ(l.SortColumn, 0);
    EXPECT_TRUE(l.SortDescending);
    EXPECT_EQ(Captions(l), before);
}

TEST(Drives, SortStateSurvivesTheDriveView) {
    TempDir dir;
    FileListing l;
    ASSERT_TRUE(l.SetDirectory(Q(dir.path())));
    l.Refresh();
    l.SortByColumn(3);
    l.SortByColumn(3);
    ASSERT_FALSE(l.SortDescending);
    l.SetDirectory(QStringLiteral("Drives"));
    l.Refresh();
    EXPECT_EQ(l.SortColumn, 3);
    EXPECT_FALSE(l.SortDescending);
}

} // namespace
} // namespace kivo
