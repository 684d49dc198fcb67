#include "platform/gui/version_info.h"

#include <cstdio>
#include <fstream>

#include "platform/gui/version_block.h"
#include "platform/name_bytes.h"

namespace kivo {

namespace {

// A file read at chosen offsets; every read is checked against the file's size.
class FileReader {
public:
    explicit FileReader(const std::string& path) : in_(path, std::ios::binary) {
        if (in_) {
            in_.seekg(0, std::ios::end);
            const auto end = in_.tellg();
            size_ = end < 0 ? 0 : static_cast<std::uint64_t>(end);
        }
    }
    bool ok() const { return static_cast<bool>(in_); }
    bool read(std::uint64_t offset, std::uint64_t n, std::vector<std::uint8_t>& out) {
        if (n > size_ || offset > size_ - n)
            return false;
        out.resize(static_cast<std::size_t>(n));
        in_.seekg(static_cast<std::streamoff>(offset));
        in_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(n));
        return static_cast<bool>(in_);
    }

private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
};

std::uint64_t GetUInt(const std::uint8_t* p, int bytes, bool bigEndian) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
        v |= std::uint64_t{p[i]} << shift;
    }
    return v;
}

} // namespace

std::optional<std::vector<std::uint8_t>> ReadElfSection(const std::string& path,
                                                        std::string_view sectionName) {
    FileReader f(path);
    if (!f.ok())
        return std::nullopt;
    // ELF header: 0 magic 7F 'E' 'L' 'F'; 4 class (1 = 32-bit, 2 = 64-bit);
    // 5 data (1 = little-endian, 2 = big-endian). Section header table fields:
    //           64-bit  32-bit
    // e_shoff   0x28/8  0x20/4
    // e_shentsize 0x3A  0x2E
    // e_shnum     0x3C  0x30
    // e_shstrndx  0x3E  0x32
    std::vector<std::uint8_t> h;
    if (!f.read(0, 52, h) || h[0] != 0x7F || h[1] != 'E' || h[2] != 'L' || h[3] != 'F')
        return std::nullopt;
    const bool is64 = h[4] == 2;
    if (!is64 && h[4] != 1)
        return std::nullopt;
    if (h[5] != 1 && h[5] != 2)
        return std::nullopt;
    const bool be = h[5] == 2;
    if (is64 && !f.read(0, 64, h))
        return std::nullopt;
    const std::uint64_t shoff = is64 ? GetUInt(&h[0x28], 8, be) : GetUInt(&h[0x20], 4, be);
    const std::uint64_t shentsize = GetUInt(&h[is64 ? 0x3A : 0x2E], 2, be);
    std::uint64_t shnum = GetUInt(&h[is64 ? 0x3C : 0x30], 2, be);
    std::uint64_t shstrndx = GetUInt(&h[is64 ? 0x3E : 0x32], 2, be);
    const std::uint64_t minEntSize = is64 ? 64 : 40;
    if (shoff == 0 || shentsize < minEntSize)
        return std::nullopt;

    // Section header: sh_name 0/4, sh_type 4/4, then offset and size:
    // 64-bit sh_offset 24/8, sh_size 32/8, sh_link 40/4; 32-bit sh_offset 16/4, sh_size 20/4,
    // sh_link 24/4.
    struct Section {
        std::uint64_t name, type, offset, size, link;
    };
    auto readSection = [&](std::uint64_t index, Section& s) {
        std::vector<std::uint8_t> b;
        if (index > (UINT64_MAX - shoff) / shentsize)
            return false;
        if (!f.read(shoff + index * shentsize, minEntSize, b))
            return false;
        s.name = GetUInt(&b[0], 4, be);
        s.type = GetUInt(&b[4], 4, be);
        s.offset = is64 ? GetUInt(&b[24], 8, be) : GetUInt(&b[16], 4, be);
        s.size = is64 ? GetUInt(&b[32], 8, be) : GetUInt(&b[20], 4, be);
        s.link = is64 ? GetUInt(&b[40], 4, be) : GetUInt(&b[24], 4, be);
        return true;
    };
    Section first{};
    if (!readSection(0, first))
        return std::nullopt;
    // Extended numbering keeps the real counts in section 0.
    if (shnum == 0)
        shnum = first.size;
    if (shstrndx == 0xFFFF)
        shstrndx = first.link;
    constexpr std::uint64_t kMaxSections = 1u << 20;
    if (shnum > kMaxSections || shstrndx >= shnum)
        return std::nullopt;

    Section names{};
    std::vector<std::uint8_t> strtab;
    if (!readSection(shstrndx, names) || names.size > (std::uint64_t{16} << 20) ||
        !f.read(names.offset, names.size, strtab))
        return std::nullopt;

    constexpr std::uint64_t kNoBits = 8;
    constexpr std::uint64_t kMaxBlock = std::uint64_t{1} << 20;
    for (std::uint64_t i = 1; i < shnum; ++i) {
        Section s{};
        if (!readSection(i, s))
            return std::nullopt;
        if (s.name >= strtab.size())
            continue;
        std::string_view name(reinterpret_cast<const char*>(strtab.data() + s.name),
                              strtab.size() - static_cast<std::size_t>(s.name));
        name = name.substr(0, name.find('\0'));
        if (name != sectionName)
            continue;
        std::vector<std::uint8_t> data;
        if (s.type == kNoBits || s.size > kMaxBlock || !f.read(s.offset, s.size, data))
            return std::nullopt;
        return data;
    }
    return std::nullopt;
}

std::optional<std::vector<std::pair<std::string, std::string>>>
ParseVersionBlock(const std::vector<std::uint8_t>& block) {
    const std::size_t size = block.size();
    if (size < versionblock::kMagic.size() + 4)
        return std::nullopt;
    if (std::string_view(reinterpret_cast<const char*>(block.data()),
                         versionblock::kMagic.size()) != versionblock::kMagic)
        return std::nullopt;
    std::size_t at = versionblock::kMagic.size();
    const std::uint64_t count = GetUInt(&block[at], 4, false);
    at += 4;
    std::vector<std::pair<std::string, std::string>> entries;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (6 > size - at)
            return std::nullopt;
        const std::uint64_t pathLen = GetUInt(&block[at], 2, false);
        const std::uint64_t valueLen = GetUInt(&block[at + 2], 4, false);
        at += 6;
        if (pathLen > size - at || valueLen > size - at - pathLen)
            return std::nullopt;
        const char* p = reinterpret_cast<const char*>(block.data() + at);
        entries.emplace_back(std::string(p, pathLen), std::string(p + pathLen, valueLen));
        at += pathLen + valueLen;
    }
    return entries;
}

const char* TVersionInfoResource::StringName(int index) {
    static const char* const kNames[kStringCount] = {
        "CompanyName",    "FileDescription", "FileVersion",      "InternalName",
        "LegalCopyright", "LegalTrademarks", "OriginalFilename", "ProductName",
        "ProductVersion", "Comments",        "BuildFlags"};
    return index >= 0 && index < kStringCount ? kNames[index] : nullptr;
}

void TVersionInfoResource::Clear() {
    hasData_ = false;
    entries_.clear();
    translations_.clear();
    fileVersion_ = FileVersionNumbers{};
}

void TVersionInfoResource::SetFileName(const std::string& fileName) {
    fileName_ = fileName;
    Clear();
    const auto block = ReadElfSection(fileName, versionblock::kSectionName);
    if (block)
        LoadBlock(*block);
}

void TVersionInfoResource::LoadBlock(const std::vector<std::uint8_t>& block) {
    Clear();
    auto entries = ParseVersionBlock(block);
    if (!entries)
        return;
    hasData_ = true;
    entries_ = std::move(*entries);

    if (const auto tr = QueryValue("\\VarFileInfo\\Translation")) {
        auto word = [&](std::size_t at) {
            const auto lo = static_cast<unsigned char>((*tr)[at]);
            const unsigned hi = at + 1 < tr->size() ? static_cast<unsigned char>((*tr)[at + 1]) : 0;
            return static_cast<unsigned>(lo | (hi << 8));
        };
        char text[16];
        if (tr->size() >= 4) {
            for (std::size_t at = 0; at + 4 <= tr->size(); at += 4) {
                std::snprintf(text, sizeof text, "%.4x%.4x", word(at), word(at + 2));
                translations_.emplace_back(text);
            }
        } else if (!tr->empty()) {
            std::snprintf(text, sizeof text, "%.4x%.4x", 1033u, word(0));
            translations_.emplace_back(text);
        }
    }
    if (translationIndex_ < 0 ||
        static_cast<std::size_t>(translationIndex_) >= translations_.size())
        translationIndex_ = 0;

    fileVersion_.valid = true;
    if (const auto fixed = QueryValue("\\"); fixed && fixed->size() >= 16) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(fixed->data());
        const std::uint64_t ms = GetUInt(p + 8, 4, false);
        const std::uint64_t ls = GetUInt(p + 12, 4, false);
        fileVersion_.major = static_cast<std::uint16_t>(ms >> 16);
        fileVersion_.minor = static_cast<std::uint16_t>(ms & 0xFFFF);
        fileVersion_.release = static_cast<std::uint16_t>(ls >> 16);
        fileVersion_.build = static_cast<std::uint16_t>(ls & 0xFFFF);
    }
    fileVersion_.text = GetVersionString(2);
}

std::optional<std::string_view> TVersionInfoResource::QueryValue(std::string_view subBlock) const {
    for (const auto& [path, value] : entries_) {
        if (SameIgnoringAsciiCase(path, subBlock))
            return std::string_view(value);
    }
    return std::nullopt;
}

std::string TVersionInfoResource::GetVersionString(int index) const {
    const char* name = StringName(index);
    if (name == nullptr || !hasData_)
        return {};
    const std::string translation =
        static_cast<std::size_t>(translationIndex_) < translations_.size()
            ? translations_[static_cast<std::size_t>(translationIndex_)]
            : std::string("040904E4");
    const auto value = QueryValue("\\StringFileInfo\\" + translation + "\\" + name);
    if (!value)
        return {};
    // A stored terminator is not part of the text.
    std::string_view v = *value;
    while (!v.empty() && v.back() == '\0')
        v.remove_suffix(1);
    return std::string(v);
}

std::string TVersionInfoResource::FileVersionText() const {
    if (!fileVersion_.valid)
        return {};
    if (!fileVersion_.text.empty())
        return fileVersion_.text;
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", fileVersion_.major, fileVersion_.minor,
                  fileVersion_.release, fileVersion_.build);
    return text;
}

} // namespace kivo
