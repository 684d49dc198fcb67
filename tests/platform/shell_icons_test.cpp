// Type names and icons from the MIME database and the icon theme.

#include <gtest/gtest.h>

#include <QApplication>

#include "platform/gui/shell_icons.h"
#include "platform/gui/volumes.h"

namespace kivo {
namespace {

TEST(ShellTypes, ByNameAlone) {
    EXPECT_EQ(ShellTypeOfFile(QStringLiteral("IMG_0001.JPG")).mimeName,
              QStringLiteral("image/jpeg"));
    EXPECT_EQ(ShellTypeOfFile(QStringLiteral("b.jpeg")).mimeName, QStringLiteral("image/jpeg"));
    EXPECT_EQ(ShellTypeOfFile(QStringLiteral("notes.txt")).mimeName, QStringLiteral("text/plain"));
    EXPECT_FALSE(ShellTypeOfFile(QStringLiteral("notes.txt")).typeName.isEmpty());
    EXPECT_EQ(ShellTypeOfFile(QStringLiteral("x.qqqzzz")).mimeName,
              QStringLiteral("application/octet-stream"));
    EXPECT_EQ(ShellTypeOfFolder().mimeName, QStringLiteral("inode/directory"));
}

TEST(ShellTypes, CachedAnswersMatchFreshOnes) {
    // The second name hits the cache of the first; both must give the right type.
    EXPECT_EQ(ShellTypeOfFile(QStringLiteral("a.tar.gz")).mimeName,
              QStringLiteral("application/x-compressed-tar"));
    EXPECT_EQ(ShellTypeOfFile(QStringLiteral("b.tar.gz")).mimeName,
              QStringLiteral("application/x-compressed-tar"));
    EXPECT_EQ(ShellTypeOfFile(QStringLiteral("c.gz")).mimeName, QStringLiteral("application/gzip"));
    // Names without a dot are not lumped together.
    EXPECT_EQ(ShellTypeOfFile(QStringLiteral("Makefile")).mimeName,
              QStringLiteral("text/x-makefile"));
    EXPECT_NE(ShellTypeOfFile(QStringLiteral("plain")).mimeName, QStringLiteral("text/x-makefile"));
    // A leading dot is part of the name, not a suffix.
    EXPECT_NE(ShellTypeOfFile(QStringLiteral(".txt")).mimeName, QString());
}

TEST(ShellIcons, EveryKindHasAnIcon) {
    int argc = 1;
    char name[] = "shell_icons_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    EXPECT_FALSE(ShellIconForMime(QStringLiteral("image/jpeg")).isNull());
    EXPECT_FALSE(ShellIconForMime(QStringLiteral("no/such-type")).isNull());
    EXPECT_FALSE(ShellIconForMime(QStringLiteral("inode/directory")).isNull());
    EXPECT_FALSE(ShellFolderIcon(true).isNull());
    EXPECT_FALSE(ShellVolumeIcon(vtRemovable).isNull());
    EXPECT_FALSE(ShellComputerIcon().isNull());
    EXPECT_EQ(ShellComputerName(), QStringLiteral("Computer"));
}

} // namespace
} // namespace kivo
