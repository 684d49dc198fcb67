// Where the settings and the report files live: beside a build tree or a portable copy,
// in the user's config folder for anything installed.

#include <gtest/gtest.h>

#include <string>

#include "platform/exe_folder.h"

namespace kivo {
namespace {

struct FolderCase {
    const char* exeFolder;
    bool writable;
    const char* xdgConfigHome; // null: unset
    const char* home;
    const char* expected;
};

class DataFolderRule : public ::testing::TestWithParam<FolderCase> {};

TEST_P(DataFolderRule, Chooses) {
    const FolderCase& c = GetParam();
    EXPECT_EQ(ChooseDataFolder(c.exeFolder, c.writable, c.xdgConfigHome, c.home), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, DataFolderRule,
    ::testing::Values(
        // A build tree and an unpacked copy keep their settings beside the program.
        FolderCase{"/home/eva/kivomat/build/src/app", true, nullptr, "/home/eva",
                   "/home/eva/kivomat/build/src/app"},
        FolderCase{"/home/eva/Programy/kivomat", true, "/home/eva/.cfg", "/home/eva",
                   "/home/eva/Programy/kivomat"},
        // Not writable: the config folder.
        FolderCase{"/home/eva/kivomat", false, nullptr, "/home/eva", "/home/eva/.config/kivomat"},
        // Installed, even where the user may write.
        FolderCase{"/home/eva/.local/bin", true, nullptr, "/home/eva", "/home/eva/.config/kivomat"},
        FolderCase{"/home/eva/bin", true, "/home/eva/.cfg", "/home/eva", "/home/eva/.cfg/kivomat"},
        FolderCase{"/home/eva/prefix/libexec", true, nullptr, "/home/eva",
                   "/home/eva/.config/kivomat"},
        FolderCase{"/usr/local/games/kivomat", true, nullptr, "/root", "/root/.config/kivomat"},
        FolderCase{"/opt/kivomat", true, nullptr, "/home/eva", "/home/eva/.config/kivomat"},
        FolderCase{"/usr/bin", false, "/home/eva/.config/", "/home/eva",
                   "/home/eva/.config/kivomat"},
        // A relative XDG_CONFIG_HOME is ignored.
        FolderCase{"/usr/bin", false, "cfg", "/home/eva", "/home/eva/.config/kivomat"},
        FolderCase{"/usr/bin", false, nullptr, nullptr, "/tmp/kivomat"},
        // No executable folder at all.
        FolderCase{"", true, "/x/cfg", "/home/eva", "/x/cfg/kivomat"}));

TEST(InstallFolder, OnlyWholeNamesCount) {
    EXPECT_TRUE(IsInstallFolder("/usr"));
    EXPECT_TRUE(IsInstallFolder("/home/eva/.local/bin"));
    EXPECT_FALSE(IsInstallFolder("/usrdata/kivomat"));
    EXPECT_FALSE(IsInstallFolder("/home/eva/binary"));
    EXPECT_FALSE(IsInstallFolder("/home/eva/bin/kivomat"));
}

TEST(DataFolder, TheOverrideWins) {
    const char* old = std::getenv("KIVO_DATA_DIR");
    const std::string saved = old ? old : "";
    ::setenv("KIVO_DATA_DIR", "/some/where", 1);
    EXPECT_EQ(DataFolder(), "/some/where");
    EXPECT_EQ(SettingsPath(), "/some/where/kivo.ini");
    if (old)
        ::setenv("KIVO_DATA_DIR", saved.c_str(), 1);
    else
        ::unsetenv("KIVO_DATA_DIR");
}

} // namespace
} // namespace kivo
