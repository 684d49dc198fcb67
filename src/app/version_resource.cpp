#include "app/version_resource.h"

#include "kivo_version.h"
#include "platform/gui/version_block.h"

namespace kivo {

namespace {

namespace vb = versionblock;

constexpr auto kFixed =
    vb::FixedFileInfo(KIVO_VERSION_MAJOR, KIVO_VERSION_MINOR, KIVO_VERSION_PATCH,
                      KIVO_VERSION_TWEAK, KIVO_VERSION_MAJOR, KIVO_VERSION_MINOR);
constexpr auto kTranslation = vb::Translation(0x0405, 0x04E2);

constexpr vb::Entry kEntries[] = {
    {"\\", {kFixed.data(), kFixed.size()}},
    {"\\VarFileInfo\\Translation", {kTranslation.data(), kTranslation.size()}},
    {"\\StringFileInfo\\040504e2\\CompanyName", "Kivomat developers"},
    {"\\StringFileInfo\\040504e2\\FileDescription",
     "úprava souborů s fotografiemi - přejmenování, změna datumu (freeware)"},
    {"\\StringFileInfo\\040504e2\\FileVersion", "1.4.0.0"},
    {"\\StringFileInfo\\040504e2\\InternalName", ""},
    {"\\StringFileInfo\\040504e2\\LegalCopyright", "© Kivomat developers"},
    {"\\StringFileInfo\\040504e2\\LegalTrademarks", ""},
    {"\\StringFileInfo\\040504e2\\OriginalFilename", ""},
    {"\\StringFileInfo\\040504e2\\ProductName", "Kivomat"},
    {"\\StringFileInfo\\040504e2\\ProductVersion", "1.4"},
    {"\\StringFileInfo\\040504e2\\Comments", ""},
};

constexpr std::size_t kBlockSize = vb::EncodedSize(kEntries);

} // namespace

// In its own section (versionblock::kSectionName); "used" keeps it although no code reads
// the symbol for its contents.
[[gnu::used, gnu::section("kivo_version")]] constinit const std::array<unsigned char, kBlockSize>
    kProgramVersionBlock = vb::Encode<kBlockSize>(kEntries);

const unsigned char* ProgramVersionBlock(std::size_t& size) {
    size = kProgramVersionBlock.size();
    return kProgramVersionBlock.data();
}

} // namespace kivo
