#pragma once
// The version block: what a program carries about itself (name, description, version,
// maker), compiled into its own ELF section and read back from the executable file.
//
// Layout, all integers little-endian:
//   offset  size  meaning
//   0       8     magic "KIVOVER" + NUL
//   8       4     number of entries
//   12      ...   entries, one after another:
//                   2  length of the sub-block path (bytes)
//                   4  length of the value (bytes)
//                   .. path, UTF-8 ("\", "\VarFileInfo\Translation",
//                      "\StringFileInfo\040504e2\ProductName")
//                   .. value: the fixed part (FixedFileInfo below) for "\", 4-byte
//                      (language, code page) pairs for the translation, UTF-8 text for strings
//
// Fixed part "\": 13 four-byte words, the second to sixth being: structure version, file
// version (major << 16 | minor, release << 16 | build), product version likewise.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kivo::versionblock {

inline constexpr std::string_view kMagic{"KIVOVER\0", 8};
inline constexpr const char* kSectionName = "kivo_version";
inline constexpr std::uint32_t kFixedSignature = 0xFEEF04BDu;
inline constexpr std::size_t kFixedSize = 13 * 4;

struct Entry {
    std::string_view path;
    std::string_view value;
};

constexpr void PutLE(unsigned char* p, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFFu);
}

constexpr std::array<char, kFixedSize> FixedFileInfo(std::uint16_t major, std::uint16_t minor,
                                                     std::uint16_t release, std::uint16_t build,
                                                     std::uint16_t productMajor,
                                                     std::uint16_t productMinor) {
    std::array<unsigned char, kFixedSize> b{};
    PutLE(&b[0], kFixedSignature, 4);
    PutLE(&b[4], 0x00010000u, 4);
    PutLE(&b[8], (std::uint32_t{major} << 16) | minor, 4);
    PutLE(&b[12], (std::uint32_t{release} << 16) | build, 4);
    PutLE(&b[16], (std::uint32_t{productMajor} << 16) | productMinor, 4);
    std::array<char, kFixedSize> out{};
    for (std::size_t i = 0; i < kFixedSize; ++i)
        out[i] = static_cast<char>(b[i]);
    return out;
}

constexpr std::array<char, 4> Translation(std::uint16_t language, std::uint16_t codePage) {
    return {static_cast<char>(language & 0xFF), static_cast<char>(language >> 8),
            static_cast<char>(codePage & 0xFF), static_cast<char>(codePage >> 8)};
}

constexpr std::size_t EncodedSize(std::span<const Entry> entries) {
    std::size_t n = kMagic.size() + 4;
    for (const Entry& e : entries)
        n += 2 + 4 + e.path.size() + e.value.size();
    return n;
}

template <std::size_t N>
constexpr std::array<unsigned char, N> Encode(std::span<const Entry> entries) {
    std::array<unsigned char, N> out{};
    std::size_t at = 0;
    for (char c : kMagic)
        out[at++] = static_cast<unsigned char>(c);
    PutLE(&out[at], entries.size(), 4);
    at += 4;
    for (const Entry& e : entries) {
        PutLE(&out[at], e.path.size(), 2);
        PutLE(&out[at + 2], e.value.size(), 4);
        at += 6;
        for (char c : e.path)
            out[at++] = static_cast<unsigned char>(c);
        for (char c : e.value)
            out[at++] = static_cast<unsigned char>(c);
    }
    return out;
}

} // namespace kivo::versionblock
