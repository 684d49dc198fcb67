#pragma once
// Tag table rows, the main (EXIF/TIFF) and GPS tables, and look-ups by number.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivo {

// Replaces the default rendering of a value; input is the text before it is made printable.
// A renderer signals a failure by throwing ExifFailure.
using TagRenderer = std::string (*)(const std::string& text);

// One row of a tag table and one entry of a tag list; copied whole.
struct tTagRow {
    std::int32_t Kind = 0;
    std::uint16_t Format = 0;
    std::uint16_t Aux = 0;
    std::uint16_t Number = 0; // 0 marks the Unknown row
    std::string Key;
    std::string Caption;
    std::string Choices; // "value:label,value:label"
    std::string Shown;   // rendered value (list entries)
    std::vector<std::uint8_t> RawBytes;
    std::int32_t ValuePos = 0;
    std::string Pattern;
    std::int32_t RawLen = 0;
    TagRenderer Render = nullptr;
};

constexpr int kMainTagRows = 250; // plus the Unknown row at index 250
constexpr int kGpsTagRows = 31;

// The tables; captions are complete once CompleteTagCaptions has run (the first TExifInfo
// does that).
const std::vector<tTagRow>& MainTagTable(); // 251 rows, the last is Unknown
const std::vector<tTagRow>& GpsTagTable();  // 31 rows
const tTagRow& UnknownTagRow();
void CompleteTagCaptions();

// "ImageWidth" -> "Image Width"; runs of capitals stay together ("GPSLatitude").
std::string CaptionFromName(std::string_view key);

// Kinds 1 and 4: main table, kind 2: GPS table; no such tag or another kind: Unknown row.
const tTagRow& RowFor(int tag, int dirKind);
// The rows EXIF 2.3 to 2.32 added, ascending: kind 2 the GPS ones, other kinds the main
// ones. RowFor falls back on them.
const std::vector<tTagRow>& Exif23TagTable(int dirKind);
const tTagRow* Exif23RowFor(int tag, int dirKind); // null when not among them
// Row index in the main table (rows 0-249, case-insensitive, first match) or -1.
int TableIndexByName(std::string_view name);

} // namespace kivo
