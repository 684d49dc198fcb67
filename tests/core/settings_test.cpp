#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "core/settings.h"
#include "support/temp_dir.h"

using namespace kivo;
using kivo::test::ReadWholeFile;
using kivo::test::TempDir;

class IniTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string ini = dir.file("kivo.ini");
};

TEST_F(IniTest, MissingFileGivesDefaultsAndWriteCreatesIt) {
    EXPECT_EQ(ReadIniString(ini, "Nastaveni", "adresar", "/home"), "/home");
    EXPECT_EQ(ReadIniInteger(ini, "Nastaveni", "sirka", 385), 385);
    EXPECT_TRUE(ReadIniBool(ini, "Nastaveni", "ser_smer", true));
    WriteIniInteger(ini, "Nastaveni", "sirka", 400);
    EXPECT_EQ(ReadWholeFile(ini), "[Nastaveni]\r\nsirka=400\r\n");
    EXPECT_EQ(ReadIniInteger(ini, "Nastaveni", "sirka", 385), 400);
}

TEST_F(IniTest, SectionsAndKeysIgnoreCaseAndBlanks) {
    dir.write("kivo.ini", "[ nastaveni ]\r\n  Typ =  3  \r\n");
    EXPECT_EQ(ReadIniInteger(ini, "Nastaveni", "typ", 0), 3);
    WriteIniInteger(ini, "NASTAVENI", "typ", 5);
    EXPECT_EQ(ReadIniInteger(ini, "Nastaveni", "Typ", 0), 5);
    // The key is replaced in place, not added a second time.
    EXPECT_EQ(ReadWholeFile(ini), "[ nastaveni ]\r\ntyp=5\r\n");
}

struct IntCase {
    const char* stored;
    int expected;
};

class IniIntegerTest : public IniTest, public ::testing::WithParamInterface<IntCase> {};

TEST_P(IniIntegerTest, ParsesOrFallsBack) {
    dir.write("kivo.ini", std::string("[S]\nk=") + GetParam().stored + "\n");
    EXPECT_EQ(ReadIniInteger(ini, "S", "k", -7), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, IniIntegerTest,
                         ::testing::Values(IntCase{"12", 12}, IntCase{"-8", -8}, IntCase{"+4", 4},
                                           IntCase{"abc", -7}, IntCase{"12abc", -7},
                                           IntCase{"", -7}, IntCase{"$1F", 31},
                                           IntCase{"2147483647", 2147483647},
                                           IntCase{"2147483648", -7},
                                           IntCase{"-2147483648", -2147483647 - 1},
                                           IntCase{"99999999999999999999", -7}));

TEST_F(IniTest, BooleansAreOneAndZero) {
    WriteIniBool(ini, "Presun", "podadr", true);
    EXPECT_EQ(ReadIniString(ini, "Presun", "podadr", ""), "1");
    EXPECT_TRUE(ReadIniBool(ini, "Presun", "podadr", false));
    WriteIniBool(ini, "Presun", "podadr", false);
    EXPECT_EQ(ReadIniString(ini, "Presun", "podadr", ""), "0");
    EXPECT_FALSE(ReadIniBool(ini, "Presun", "podadr", true));
    WriteIniString(ini, "Presun", "podadr", "nonsense");
    EXPECT_TRUE(ReadIniBool(ini, "Presun", "podadr", true));
}

TEST_F(IniTest, EveryOtherLineIsPreserved) {
    const std::string original = "; comment\r\n[Form]\r\nState=2\r\nLeft=10\r\n\r\n"
                                 "junk line without equals\r\n[SLV]\r\nName=160\r\n";
    dir.write("kivo.ini", original);
    WriteIniInteger(ini, "Form", "Top", 20);
    WriteIniString(ini, "Nastaveni", "adresar", "/photos/Dovolená 2005");
    EXPECT_EQ(
        ReadWholeFile(ini),
        "; comment\r\n[Form]\r\nState=2\r\nLeft=10\r\n\r\njunk line without equals\r\n"
        "Top=20\r\n[SLV]\r\nName=160\r\n\r\n[Nastaveni]\r\nadresar=/photos/Dovolená 2005\r\n");
    EXPECT_EQ(ReadIniString(ini, "Nastaveni", "adresar", ""), "/photos/Dovolená 2005");
    EXPECT_EQ(ReadIniInteger(ini, "SLV", "Name", 0), 160);
}

TEST_F(IniTest, GarbageFileGivesDefaultsAndSurvivesAWrite) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 131 + 7) % 256);
    dir.write("kivo.ini", garbage);
    EXPECT_EQ(ReadIniInteger(ini, "Nastaveni", "vzhled", 1), 1);
    WriteIniInteger(ini, "Nastaveni", "vzhled", 4);
    EXPECT_EQ(ReadIniInteger(ini, "Nastaveni", "vzhled", 1), 4);
    const std::string after = ReadWholeFile(ini);
    EXPECT_GT(after.size(), garbage.size());
}

TEST_F(IniTest, ReadOnlyFileRaisesUnableToWrite) {
    dir.write("kivo.ini", "[A]\r\nb=1\r\n");
    ::chmod(ini.c_str(), 0444);
    try {
        WriteIniInteger(ini, "A", "b", 2);
        FAIL() << "write to a read-only file succeeded";
    } catch (const IniWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + ini);
    }
    EXPECT_EQ(ReadWholeFile(ini), "[A]\r\nb=1\r\n");
}

TEST_F(IniTest, UnwritableFolderRaisesUnableToWrite) {
    const std::string bad = dir.file("no-such-folder/kivo.ini");
    EXPECT_THROW(WriteIniString(bad, "A", "b", "c"), IniWriteError);
}

TEST_F(IniTest, UnreadableExistingFileIsNeverReplaced) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root: permissions are not enforced";
    dir.write("kivo.ini", "[A]\r\nb=1\r\n");
    ::chmod(ini.c_str(), 0200);
    EXPECT_EQ(ReadIniInteger(ini, "A", "b", 9), 9);
    EXPECT_THROW(WriteIniInteger(ini, "A", "c", 2), IniWriteError);
    ::chmod(ini.c_str(), 0600);
    EXPECT_EQ(ReadWholeFile(ini), "[A]\r\nb=1\r\n");
}
