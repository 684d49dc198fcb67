#pragma once
// The maker-note tables as plain data: one table per maker layout, the settings lists
// behind the Canon renderers. The walk turns a table into tag rows once (maker_note.cpp).

#include <cstdint>
#include <span>
#include <string_view>

namespace kivo {

// Which renderer a maker row asks for.
enum class MakerRenderer : std::uint8_t {
    None,
    ColourMode,
    LensRange,
    CameraSettings,
    ShotInformation,
    CustomFunctions,
};

// One row of a maker table: tag number, the name printed in the listing, value labels.
struct MakerTableRow {
    std::uint16_t number;
    std::string_view caption;
    std::string_view choices;
    MakerRenderer renderer;
};

enum class MakerTableId : std::uint8_t {
    NikonA,
    NikonB,
    Olympus,
    CasioA,
    CasioB,
    Fujifilm,
    Canon,
    Seiko,
    Sanyo,
    Minolta,
    // Sub-directories of the newer Olympus and OM System maker notes.
    OlympusEquipment,
    OlympusCameraSettings,
};

inline constexpr int kMakerTableCount = 12;

std::span<const MakerTableRow> MakerTableRows(MakerTableId id);
std::string_view MakerTableName(MakerTableId id);

// A maker-directory entry that points at a directory of its own, walked with its table.
struct MakerSubDirectory {
    std::uint16_t number;
    MakerTableId table;
};

// The sub-directories of the newer Olympus layouts that the tables cover.
std::span<const MakerSubDirectory> OlympusSubDirectories();

// One setting of a composite Canon value: the 1-based list item and its label; settings
// with choices show the item's label, the others the item as it stands.
struct MakerSettingRow {
    int item;
    std::string_view label;
    std::string_view choices;
};

// Canon custom functions: function number (value div 256), label, labels of the setting.
struct CustomFunctionRow {
    int function;
    std::string_view label;
    std::string_view choices;
};

std::span<const MakerSettingRow> CanonCameraSettingRows();
std::span<const MakerSettingRow> CanonShotInformationRows();
std::span<const CustomFunctionRow> CanonCustomFunctionRows();

} // namespace kivo
