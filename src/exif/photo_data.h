#pragma once
// The per-batch container of the metadata reader: scans one JPEG file segment by segment
// (or reads a TIFF-structured file) and keeps what it found until the next file.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "exif/byte_order_reader.h"
#include "exif/exif_info.h"
#include "exif/hooks.h"
#include "exif/status_text.h"
#include "platform/datetime.h"

namespace kivo {

// One stored JPEG segment.
struct TJpegSegment {
    std::vector<std::uint8_t> Bytes; // the two length bytes, then the payload
    int Marker = 0;                  // e.g. 0xE1 for APP1
    int Length = 0;                  // the big-endian length field, counting itself
};

// Reads what a JPEG scan or a TIFF read needs, from a file or from memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to n bytes into out; returns how many were read (0 at the end).
    virtual std::size_t read(std::uint8_t* out, std::size_t n) = 0;
};

class TPhotoData : public TByteOrderReader {
public:
    static constexpr int kMaxSegments = 20;
    static constexpr std::size_t kTiffReadLimit = 256000;

    explicit TPhotoData(int buildMode);
    ~TPhotoData() override;
    TPhotoData(const TPhotoData&) = delete;
    TPhotoData& operator=(const TPhotoData&) = delete;

    // Reads one file, replacing everything learned from the previous one. True when
    // metadata was found; ExifPresent tells whether that includes EXIF.
    bool ReadImageFile(const std::string& path);
    // The same for bytes in memory; the extension of name still decides JPEG or TIFF.
    bool ReadImageBytes(const std::string& name, std::span<const std::uint8_t> bytes);
    bool ExifPresent() const { return ExifSlot != nullptr; }
    void ClearState();

    // Slot n, 1-based (1..20).
    TJpegSegment& Segment(int n) { return Segments.at(static_cast<std::size_t>(n - 1)); }
    std::array<TJpegSegment, kMaxSegments> Segments;
    int SegmentCount = 0;
    TJpegSegment* ExifSlot = nullptr; // not owned, like the three below
    TJpegSegment* IptcSlot = nullptr;
    TJpegSegment* CommentSlot = nullptr;
    TJpegSegment* App0Slot = nullptr;

    bool TiffSource = false;
    int BuildMode = 0;
    std::string SourcePath;
    TDateTime SourceTime = 0;
    std::int64_t SourceSize = 0; // 64-bit: files of 2 GiB and more
    std::string StatusText;

    std::unique_ptr<TExifInfo> Exif;
    IptcInfoPtr Iptc;

    // Steps of a read, usable on their own.
    bool ScanJpegStream(ByteSource& in);
    bool ReadTiffStream(ByteSource& in);
    void ParseExifSegment();

private:
    bool readStream(const std::string& path, ByteSource& in);
};

} // namespace kivo
