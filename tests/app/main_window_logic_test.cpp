#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/main_window_logic.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

struct FolderCase {
    const char* argument;
    const char* currentDir;
    const char* folder;
};
class CommandLineFolderTest : public ::testing::TestWithParam<FolderCase> {};
TEST_P(CommandLineFolderTest, FolderPartOfTheArgument) {
    EXPECT_EQ(CommandLineFolder(GetParam().argument, GetParam().currentDir), GetParam().folder);
}
INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineFolderTest,
    ::testing::Values(FolderCase{"/Foto/x.jpg", "/home", "/Foto/"},
                      FolderCase{"/Foto", "/home", "/"}, FolderCase{"/Foto/", "/home", "/Foto/"},
                      FolderCase{"/x.jpg", "/home", "/"},
                      FolderCase{"/Moje fotky/Léto 2023/a b.JPG", "/", "/Moje fotky/Léto 2023/"},
                      // Relative names are taken from the current folder.
                      FolderCase{"x.jpg", "/home/jan", "/home/jan/"},
                      FolderCase{"Foto/x.jpg", "/home/jan/", "/home/jan/Foto/"},
                      FolderCase{"-x.jpg", "/tmp", "/tmp/"}, FolderCase{"", "/tmp", "/tmp/"}));

TEST(DropDestination, ParentEntryAndFolders) {
    EXPECT_EQ(DropDestination("/a/b", " ^ Parent"), "/a");
    EXPECT_EQ(DropDestination("/a", " ^ Parent"), "/");
    EXPECT_EQ(DropDestination("/a/b", "Cíl"), "/a/b/Cíl");
    EXPECT_EQ(DropDestination("/", "tmp"), "/tmp");
    EXPECT_EQ(JoinPath("/", "x"), "/x");
    EXPECT_EQ(JoinPath("/a", "x"), "/a/x");
}

TEST(MoveFolderQuestion, TextWithLineBreak) {
    EXPECT_EQ(MoveFolderQuestion("/a/B"), "Opravdu přesunou celý adresář\r\n/a/B ?");
}

TEST(CreateNumberedFolder, FirstFreeName) {
    test::TempDir dir;
    EXPECT_EQ(CreateNumberedFolder(dir.path()), dir.path() + "/Nová složka");
    EXPECT_EQ(CreateNumberedFolder(dir.path() + "/"), dir.path() + "/Nová složka 1");
    // A file of the name counts as taken too.
    dir.write("Nová složka 2", "x");
    EXPECT_EQ(CreateNumberedFolder(dir.path()), dir.path() + "/Nová složka 3");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/Nová složka 3"));
}

TEST(CreateNumberedFolder, NoFolderWhereTheBaseIsNone) {
    test::TempDir dir;
    EXPECT_FALSE(CreateNumberedFolder("Drives").has_value());
    EXPECT_FALSE(CreateNumberedFolder("").has_value());
    EXPECT_FALSE(CreateNumberedFolder(dir.file("chybi")).has_value());
    EXPECT_FALSE(CreateNumberedFolder(dir.write("soubor", "x")).has_value());
    EXPECT_FALSE(std::filesystem::exists(dir.file("chybi")));
}

} // namespace
} // namespace kivo
