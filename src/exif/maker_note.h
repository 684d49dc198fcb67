#pragma once
// Decoding of the camera makers' private directory (EXIF MakerNote, 0x927C) for Nikon,
// Olympus, Casio, Fujifilm, Canon, Seiko, Sanyo and Minolta. The decoded entries go to the
// owner's MakerTrace listing and, with kind 1, to its tag list.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exif/byte_order_reader.h"
#include "exif/maker_note_tables.h"
#include "exif/tag_table.h"

namespace kivo {

class TExifInfo;

// Set by the composite renderers (camera settings, shot information, custom functions);
// cleared before each maker-note entry is rendered.
extern bool CompositeFlag;

// Line break of the listings.
inline constexpr std::string_view kMakerLineBreak = "\r\n";

// Prefix of the owner's status when the maker walk fails.
inline constexpr std::string_view kMakerErrorPrefix = "Error Detected = ";

// The maker-note layouts, in the order they are tried.
enum class MakerLayout : std::uint8_t {
    NikonEmbeddedTiff, // "Nikon\0" + version, then a TIFF header of its own at offset 10
    NikonHeader,       // "Nikon\0" + 2 bytes, directory at offset 8
    NikonPlain,        // directory at the start
    Olympus,           // "OLYMP\0" + 2 bytes
    OlympusNew,        // "OLYMPUS\0" + "II"/"MM" + 2 bytes; offsets from the maker note's start
    OmSystem,          // "OM SYSTEM\0\0\0" + "II"/"MM" + 2 bytes; likewise
    CasioQvc,          // "QVC\0\0\0"
    CasioPlain,
    Fujifilm, // "FUJIFILM" + offset; offsets count from the maker note's start
    Canon,
    Seiko,
    Sanyo,
    Minolta,
};

// How an entry's offset X becomes a 1-based position inside the maker note.
enum class MakerOffsetBase : std::uint8_t {
    EmbeddedTiff, // X + 11: from the maker note's own TIFF header at offset 10
    ExifTiff,     // X + 10 - P: from the EXIF TIFF header, P = maker-note position
    NoteStart,    // X + 1: from the maker note's first byte
};

// Where a value that does not fit in the maker note is read instead.
enum class MakerFallback : std::uint8_t {
    ExifTiff, // the EXIF bytes at the same TIFF offset
    None,     // offsets of the maker note's own: only the bytes inside it exist
};

// One row of the walk parameter table.
struct MakerLayoutRow {
    MakerLayout layout;
    std::string_view make; // first five letters of the make, upper-cased
    MakerTableId table;
    std::int64_t countPos; // 1-based position of the entry count in the maker note
    MakerOffsetBase offsetBase;
    MakerFallback fallback;
    bool littleEndian; // read little-endian whatever the EXIF byte order
    // 0-based place of the maker note's own "II"/"MM"; -1 when it has none.
    std::int64_t byteOrderAt = -1;
    // Entries pointing at directories of their own (the newer Olympus layouts).
    std::span<const MakerSubDirectory> subDirectories = {};
};

std::span<const MakerLayoutRow> MakerLayoutTable();
const MakerLayoutRow& MakerLayoutParams(MakerLayout layout);

// A maker table as tag rows (Key and Caption = the listed name, Render set where listed).
const std::vector<tTagRow>& MakerTagRows(MakerTableId id);

// Renderers of the maker tables (input: the rendered text of an entry).
std::string RenderColourMode(const std::string& text);
std::string RenderLensRange(const std::string& text);
std::string RenderCameraSettings(const std::string& text);
std::string RenderShotInformation(const std::string& text);
std::string RenderCustomFunctions(const std::string& text);

// Lives only during one MakerNote capture.
class TMakerNoteInfo {
public:
    TMakerNoteInfo(bool tiffSource, TExifInfo& owner);

    bool TiffSource = false;
    TExifInfo* Owner = nullptr; // not owned
    // The owner's MakerNotePos, plus 16 for a TIFF-structured file so that the JPEG formulas
    // of the offsets hold for both.
    std::int32_t MakerNotePos = 0;
    std::string MakerText; // the make, once a maker was recognised

    // The layout the owner's make, version, model and maker-note bytes select; none for a
    // maker that is not decoded.
    std::optional<MakerLayout> ChooseLayout() const;

    // Recognises the maker and walks its directory; true for a recognised maker whatever the
    // walk found. The owner's byte order and buffer are as before afterwards.
    bool DecodeMakerNote();
    // Decodes a maker note that is a complete TIFF structure of its own (header, first
    // directory, offsets counted from the header) with the Canon table, as CR3 files keep
    // it; true when the header is one.
    bool DecodeCanonTiffMakerNote();

private:
    void walk(const MakerLayoutRow& params);
};

// Parameters of one maker-directory walk.
struct MakerWalkParams {
    std::int64_t countPos = 1;  // 1-based position of the entry count
    std::int64_t valueBase = 0; // value position of an offset X = X + valueBase
    // Position in the EXIF bytes of an offset X that does not fit = X + fallbackBase; none:
    // take what lies inside the maker note.
    std::optional<std::int64_t> fallbackBase;
    // Entries walked as directories of their own, with the same value base.
    std::span<const MakerSubDirectory> subDirectories;
};

// The value base to walk a directory with: valueBase itself when the values of more than 4
// bytes all lie inside the maker note after the directory; otherwise, for a maker note an
// editor moved without rewriting its offsets, the base that puts them there again (from a
// trailing "II*\0"/"MM\0*" with the maker note's first TIFF offset, or from the lowest
// offset, whose value follows the directory); valueBase when no base fits.
std::int64_t CorrectedValueBase(const ByteCursor& note, std::int64_t countPos,
                                std::int64_t valueBase);

// Walks one maker directory over the maker note's bytes, in the owner's current byte order:
// appends to the owner's MakerTrace and tag list. A failure (an entry outside the bytes, a
// renderer failing) ends the walk and sets the owner's status to "Error Detected = " + message.
void WalkMakerDirectory(TExifInfo& owner, std::span<const std::uint8_t> makerNote,
                        const std::vector<tTagRow>& table, const MakerWalkParams& params);

} // namespace kivo
