#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/version_resource.h"
#include "platform/gui/version_block.h"
#include "platform/gui/version_info.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

namespace vb = versionblock;

void Put(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v, int bytes, bool be) {
    if (b.size() < at + bytes)
        b.resize(at + bytes);
    for (int i = 0; i < bytes; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * (be ? bytes - 1 - i : i)));
}

// A minimal ELF file: header, the named sections' contents, the section name table and the
// section header table (null section first).
std::vector<std::uint8_t>
MakeElf(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& sections,
        bool is64 = true, bool be = false) {
    std::vector<std::uint8_t> f(is64 ? 64 : 52, 0);
    f[0] = 0x7F;
    f[1] = 'E';
    f[2] = 'L';
    f[3] = 'F';
    f[4] = is64 ? 2 : 1;
    f[5] = be ? 2 : 1;
    f[6] = 1;
    std::string names(1, '\0');
    std::vector<std::pair<std::size_t, std::size_t>> placed; // offset, size
    std::vector<std::size_t> nameOffsets;
    for (const auto& [name, data] : sections) {
        nameOffsets.push_back(names.size());
        names += name;
        names += '\0';
        placed.emplace_back(f.size(), data.size());
        f.insert(f.end(), data.begin(), data.end());
    }
    const std::size_t shstrName = names.size();
    names += ".shstrtab";
    names += '\0';
    const std::size_t namesOffset = f.size();
    f.insert(f.end(), names.begin(), names.end());
    while (f.size() % 8)
        f.push_back(0);
    const std::size_t shoff = f.size();
    const std::size_t entSize = is64 ? 64 : 40;
    const std::size_t count = sections.size() + 2;
    f.resize(shoff + count * entSize, 0);
    auto header = [&](std::size_t index, std::size_t name, std::uint32_t type, std::size_t off,
                      std::size_t size) {
        const std::size_t at = shoff + index * entSize;
        Put(f, at + 0, name, 4, be);
        Put(f, at + 4, type, 4, be);
        Put(f, at + (is64 ? 24 : 16), off, is64 ? 8 : 4, be);
        Put(f, at + (is64 ? 32 : 20), size, is64 ? 8 : 4, be);
    };
    for (std::size_t i = 0; i < sections.size(); ++i)
        header(i + 1, nameOffsets[i], 1, placed[i].first, placed[i].second);
    header(count - 1, shstrName, 3, namesOffset, names.size());
    Put(f, is64 ? 0x28 : 0x20, shoff, is64 ? 8 : 4, be);
    Put(f, is64 ? 0x3A : 0x2E, entSize, 2, be);
    Put(f, is64 ? 0x3C : 0x30, count, 2, be);
    Put(f, is64 ? 0x3E : 0x32, count - 1, 2, be);
    return f;
}

template <std::size_t N> std::vector<std::uint8_t> Block(const vb::Entry (&entries)[N]) {
    std::vector<std::uint8_t> out;
    const std::size_t size = vb::EncodedSize(entries);
    out.resize(size);
    // Encode needs a compile-time size; go through the largest block the tests use.
    const auto encoded = vb::Encode<1024>(entries);
    std::copy(encoded.begin(), encoded.begin() + static_cast<long>(size), out.begin());
    return out;
}

constexpr auto kFixed = vb::FixedFileInfo(2, 7, 1, 33, 2, 7);
constexpr auto kCzech = vb::Translation(0x0405, 0x04E2);

TEST(VersionInfo, ReadsTheProgramsOwnBlockFromItsExecutable) {
    std::size_t size = 0;
    ASSERT_NE(ProgramVersionBlock(size), nullptr);
    TVersionInfoResource v;
    v.SetFileName("/proc/self/exe");
    ASSERT_TRUE(v.HasData());
    ASSERT_EQ(v.Translations(), std::vector<std::string>{"040504e2"});
    EXPECT_EQ(v.GetVersionString(7), "Kivomat");
    EXPECT_EQ(v.GetVersionString(1),
              "úprava souborů s fotografiemi - přejmenování, změna datumu (freeware)");
    EXPECT_EQ(v.GetVersionString(2), "1.4.0.0");
    EXPECT_EQ(v.GetVersionString(8), "1.4");
    EXPECT_FALSE(v.GetVersionString(0).empty());
    EXPECT_FALSE(v.GetVersionString(4).empty());
    EXPECT_EQ(v.GetVersionString(3), "");
    EXPECT_EQ(v.FileVersion().major, 1);
    EXPECT_EQ(v.FileVersion().minor, 4);
    EXPECT_EQ(v.FileVersion().release, 0);
    EXPECT_EQ(v.FileVersion().build, 0);
    EXPECT_EQ(v.FileVersionText(), "1.4.0.0");
    EXPECT_EQ(v.GetVersionString(11), "");
    EXPECT_EQ(v.GetVersionString(-1), "");
}

TEST(VersionInfo, FileVersionStringWinsOverTheNumbers) {
    const vb::Entry entries[] = {
        {"\\", {kFixed.data(), kFixed.size()}},
        {"\\VarFileInfo\\Translation", {kCzech.data(), kCzech.size()}},
        {"\\StringFileInfo\\040504e2\\FileVersion", "2.7 beta (sestavení 33)"},
    };
    test::TempDir dir;
    const auto path =
        dir.write("prog", MakeElf({{".text", {1, 2, 3}}, {"kivo_version", Block(entries)}}));
    TVersionInfoResource v;
    v.SetFileName(path);
    EXPECT_EQ(v.FileVersion().major, 2);
    EXPECT_EQ(v.FileVersion().build, 33);
    EXPECT_EQ(v.FileVersionText(), "2.7 beta (sestavení 33)");
}

TEST(VersionInfo, NumbersWhenThereIsNoFileVersionString) {
    const vb::Entry entries[] = {
        {"\\", {kFixed.data(), kFixed.size()}},
        {"\\VarFileInfo\\Translation", {kCzech.data(), kCzech.size()}},
    };
    test::TempDir dir;
    const auto path = dir.write("prog", MakeElf({{"kivo_version", Block(entries)}}, false, true));
    TVersionInfoResource v;
    v.SetFileName(path);
    EXPECT_EQ(v.FileVersionText(), "2.7.1.33");
}

TEST(VersionInfo, TranslationsAndTheirFallbacks) {
    // Two translations: the first is used; lookups ignore the letter case of the path.
    const auto en = vb::Translation(0x0409, 0x04B0);
    const std::string both = std::string(kCzech.data(), 4) + std::string(en.data(), 4);
    const vb::Entry two[] = {
        {"\\VarFileInfo\\Translation", both},
        {"\\StringFileInfo\\040504E2\\ProductName", "Česky"},
        {"\\StringFileInfo\\040904b0\\ProductName", "English"},
    };
    TVersionInfoResource v;
    v.LoadBlock(Block(two));
    EXPECT_EQ(v.Translations(), (std::vector<std::string>{"040504e2", "040904b0"}));
    EXPECT_EQ(v.GetVersionString(7), "Česky");
    v.SetTranslationIndex(1);
    EXPECT_EQ(v.GetVersionString(7), "English");

    // A short translation value: language 1033 with the first word as code page.
    const vb::Entry shortOne[] = {{"\\VarFileInfo\\Translation", std::string_view("\xE4\x04", 2)}};
    v.LoadBlock(Block(shortOne));
    EXPECT_EQ(v.Translations(), std::vector<std::string>{"040904e4"});

    // No translation at all: strings are looked up under 040904E4.
    const vb::Entry none[] = {{"\\StringFileInfo\\040904E4\\CompanyName", "Firma"}};
    v.LoadBlock(Block(none));
    EXPECT_TRUE(v.Translations().empty());
    EXPECT_EQ(v.TranslationIndex(), 0);
    EXPECT_EQ(v.GetVersionString(0), "Firma");
    // Valid, but without the fixed part the numbers are zero.
    EXPECT_EQ(v.FileVersionText(), "0.0.0.0");
}

TEST(VersionInfo, NoDataWithoutTheSection) {
    test::TempDir dir;
    TVersionInfoResource v;
    v.SetFileName(dir.write("plain", MakeElf({{".text", {0x90}}})));
    EXPECT_FALSE(v.HasData());
    EXPECT_EQ(v.GetVersionString(7), "");
    EXPECT_EQ(v.FileVersionText(), "");
    v.SetFileName(dir.write("text.txt", "not an executable"));
    EXPECT_FALSE(v.HasData());
    v.SetFileName(dir.file("missing"));
    EXPECT_FALSE(v.HasData());
    EXPECT_EQ(v.FileVersionText(), "");
}

TEST(VersionInfo, MalformedFilesAndBlocksAreRefused) {
    const vb::Entry entries[] = {{"\\StringFileInfo\\040904E4\\ProductName", "X"}};
    auto block = Block(entries);
    // Cut inside the entry: nothing is read past the end.
    std::vector<std::uint8_t> cut(block.begin(), block.end() - 1);
    EXPECT_FALSE(ParseVersionBlock(cut).has_value());
    // An entry count far larger than the block.
    auto lying = block;
    lying[8] = 0xFF;
    lying[9] = 0xFF;
    EXPECT_FALSE(ParseVersionBlock(lying).has_value());
    auto badMagic = block;
    badMagic[0] = 'X';
    EXPECT_FALSE(ParseVersionBlock(badMagic).has_value());

    // Section headers pointing outside the file.
    test::TempDir dir;
    auto elf = MakeElf({{"kivo_version", block}});
    const std::size_t shoff = elf[0x28] | (elf[0x29] << 8);
    auto wild = elf;
    Put(wild, shoff + 64 + 24, 0xFFFFFFFFFFFFFF00ull, 8, false);
    EXPECT_FALSE(ReadElfSection(dir.write("wild", wild), "kivo_version").has_value());
    auto truncated =
        std::vector<std::uint8_t>(elf.begin(), elf.begin() + static_cast<long>(shoff + 10));
    EXPECT_FALSE(ReadElfSection(dir.write("cut", truncated), "kivo_version").has_value());
    EXPECT_EQ(ReadElfSection(dir.write("good", elf), "kivo_version"), block);
}

} // namespace
} // namespace kivo
