#pragma once
// Constants shared by the metadata reader: field formats, build modes, directory kinds,
// the process-wide trace level and the failure type the readers raise.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kivo {

// TIFF field formats.
constexpr int kFormatByte = 1;
constexpr int kFormatAscii = 2;
constexpr int kFormatShort = 3;
constexpr int kFormatLong = 4;
constexpr int kFormatRational = 5;
constexpr int kFormatSByte = 6;
constexpr int kFormatUndefined = 7;
constexpr int kFormatSShort = 8;
constexpr int kFormatSLong = 9;
constexpr int kFormatSRational = 10;
constexpr int kFormatFloat = 11;
constexpr int kFormatDouble = 12;

// Bytes per component of a format; 0 for format 0 and any code above 12.
int FormatSize(int format);

// What a TExifInfo builds while it walks.
constexpr int kBuildRender = 2; // render every entry as text (trace listing)
constexpr int kBuildList = 4;   // keep a list of tag rows
constexpr int kBuildAll = 255;  // both
bool BuildRenders(int buildMode); // 2 or 255
bool BuildLists(int buildMode);   // 4 or 255

// Directory kinds of WalkDirectory.
constexpr int kDirMain = 1;      // IFD0, EXIF, interoperability, SubIFDs: main tag table
constexpr int kDirGps = 2;       // GPS tag table
constexpr int kDirThumbnail = 4; // main tag table

// Process-wide trace level; above 0 the listings carry tags, sizes and positions.
extern int TraceDepth;

// Raised by readers and renderers; the walk that started the failing step catches it.
class ExifFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace kivo
