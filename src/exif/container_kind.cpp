// Extensions and magic numbers of the containers the reader knows.

#include "exif/container_kind.h"

#include <algorithm>
#include <array>
#include <string>

namespace kivo {

namespace {

// The extension ("." and what follows the last dot of the name) in lower case, without a
// heap allocation: none of the extensions looked for is longer than kMost characters, so a
// longer one is kept as "" (it matches none of them either).
class LowerExtension {
public:
    static constexpr std::size_t kMost = 7;
    explicit LowerExtension(std::string_view path) {
        const std::size_t slash = path.rfind('/');
        const std::string_view name =
            slash == std::string_view::npos ? path : path.substr(slash + 1);
        const std::size_t dot = name.rfind('.');
        if (dot == std::string_view::npos || name.size() - dot > kMost)
            return;
        for (const char c : name.substr(dot))
            text_[size_++] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    operator std::string_view() const { return {text_, size_}; }

private:
    char text_[kMost] = {};
    std::size_t size_ = 0;
};

// TIFF-structured RAW files of the camera makers.
constexpr std::array<std::string_view, 16> kTiffRaw = {
    ".cr2", ".nef", ".nrw", ".dng", ".arw", ".sr2", ".srf", ".pef",
    ".orf", ".rw2", ".raw", ".rwl", ".iiq", ".3fr", ".erf", ".srw"};

bool startsWith(std::span<const std::uint8_t> head, std::string_view magic, std::size_t at = 0) {
    return head.size() >= at + magic.size() &&
           std::equal(magic.begin(), magic.end(), head.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

} // namespace

PhotoContainer ContainerByName(std::string_view path) {
    const LowerExtension lower(path);
    const std::string_view ext = lower;
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe")
        return PhotoContainer::Jpeg;
    if (ext == ".tif" || ext == ".tiff" ||
        std::find(kTiffRaw.begin(), kTiffRaw.end(), ext) != kTiffRaw.end())
        return PhotoContainer::Tiff;
    if (ext == ".raf")
        return PhotoContainer::Raf;
    if (ext == ".mrw")
        return PhotoContainer::Mrw;
    if (ext == ".cr3" || ext == ".heic" || ext == ".heif" || ext == ".hif" || ext == ".avif")
        return PhotoContainer::Bmff;
    return PhotoContainer::None;
}

bool IsRawName(std::string_view path) {
    const LowerExtension lower(path);
    const std::string_view ext = lower;
    return ext == ".raf" || ext == ".mrw" || ext == ".cr3" ||
           std::find(kTiffRaw.begin(), kTiffRaw.end(), ext) != kTiffRaw.end();
}

bool IsPhotoName(std::string_view path) {
    return ContainerByName(path) != PhotoContainer::None;
}

bool NameDecidesContainer(std::string_view path) {
    const LowerExtension lower(path);
    const std::string_view ext = lower;
    const PhotoContainer byName = ContainerByName(path);
    return byName == PhotoContainer::Jpeg || byName == PhotoContainer::None || ext == ".tif" ||
           ext == ".tiff";
}

PhotoContainer SniffContainer(std::span<const std::uint8_t> head, std::string_view path) {
    const PhotoContainer byName = ContainerByName(path);
    if (NameDecidesContainer(path))
        return byName;
    // "II" or "MM" and any magic: 42, "RO"/"OR" (Olympus), "U\0" (Panasonic), "RS".
    if (startsWith(head, "II") || startsWith(head, "MM"))
        return PhotoContainer::Tiff;
    if (startsWith(head, "FUJIFILMCCD-RAW"))
        return PhotoContainer::Raf;
    if (startsWith(head, std::string_view("\0MRM", 4)))
        return PhotoContainer::Mrw;
    if (startsWith(head, "ftyp", 4))
        return PhotoContainer::Bmff;
    if (head.size() >= 2 && head[0] == 0xFF && head[1] == 0xD8)
        return PhotoContainer::Jpeg;
    return byName;
}

} // namespace kivo
