#pragma once
// `TVersionInfoResource`: reads the version block of an executable file (see
// version_block.h) and answers the questions the about box asks.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kivo {

// The raw version block of an ELF file: the contents of its version section. Nothing when
// the file cannot be read, is not ELF, or has no such section.
std::optional<std::vector<std::uint8_t>> ReadElfSection(const std::string& path,
                                                        std::string_view sectionName);

// The entries of a version block; nothing when the block is malformed.
std::optional<std::vector<std::pair<std::string, std::string>>>
ParseVersionBlock(const std::vector<std::uint8_t>& block);

class TVersionInfoResource {
public:
    // Names by index: 0 CompanyName ... 10 BuildFlags.
    static constexpr int kStringCount = 11;
    static const char* StringName(int index);

    // Loads everything anew from the file.
    void SetFileName(const std::string& fileName);
    const std::string& FileName() const { return fileName_; }
    // Loads from a block held in memory (as if read from a file).
    void LoadBlock(const std::vector<std::uint8_t>& block);

    bool HasData() const { return hasData_; }
    // Translations as eight lower-case hex digits, language then code page ("040504e2").
    const std::vector<std::string>& Translations() const { return translations_; }
    int TranslationIndex() const { return translationIndex_; }
    void SetTranslationIndex(int index) { translationIndex_ = index; }

    // A value by sub-block path; sub-block names match without regard to ASCII case.
    std::optional<std::string_view> QueryValue(std::string_view subBlock) const;
    // Version string i (0..10); empty for any other index, a missing block or value.
    std::string GetVersionString(int index) const;

    struct FileVersionNumbers {
        bool valid = false;
        std::uint16_t major = 0, minor = 0, release = 0, build = 0;
        std::string text; // overrides the numbers when not empty
    };
    const FileVersionNumbers& FileVersion() const { return fileVersion_; }
    // The override, or "major.minor.release.build", or empty when not valid.
    std::string FileVersionText() const;

private:
    void Clear();

    std::string fileName_;
    bool hasData_ = false;
    std::vector<std::pair<std::string, std::string>> entries_;
    std::vector<std::string> translations_;
    int translationIndex_ = 0;
    FileVersionNumbers fileVersion_;
};

} // namespace kivo
