#pragma once
// Builders for JPEG and TIFF bytes in tests: TIFF structures with any directories in either
// byte order, EXIF APP1 segments, JPEG files of chosen segments, truncated copies.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kivo::test {

using Bytes = std::vector<std::uint8_t>;

// Lays out a TIFF structure: 8-byte header, the directories one after another (each with a
// zero link to a following directory), then the values of more than 4 bytes.
//
//   TiffBuilder t(false);                 // "II"
//   int ifd0 = t.AddIfd(), exif = t.AddIfd();
//   t.Ascii(ifd0, 0x010F, "Canon");
//   t.Link(ifd0, 0x8769, exif);
//   t.Ascii(exif, 0x9003, "2004:07:15 13:45:10");
//   Bytes tiff = t.Build();
//   std::uint32_t off = t.ValueOffset(exif, 0x9003); // TIFF offset of the value
class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian) : bigEndian_(bigEndian) {}

    bool bigEndian() const { return bigEndian_; }
    int AddIfd();

    // Values are written in the builder's byte order.
    void Ascii(int ifd, std::uint16_t tag, std::string_view text); // adds the zero byte
    void AsciiRaw(int ifd, std::uint16_t tag, std::string_view bytes); // count = bytes.size()
    void Byte(int ifd, std::uint16_t tag, const std::vector<std::uint8_t>& values);
    void Short(int ifd, std::uint16_t tag, const std::vector<std::uint16_t>& values);
    void Long(int ifd, std::uint16_t tag, const std::vector<std::uint32_t>& values);
    void SLong(int ifd, std::uint16_t tag, const std::vector<std::int32_t>& values);
    void Rational(int ifd, std::uint16_t tag,
                  const std::vector<std::pair<std::uint32_t, std::uint32_t>>& values);
    void SRational(int ifd, std::uint16_t tag,
                   const std::vector<std::pair<std::int32_t, std::int32_t>>& values);
    void Undefined(int ifd, std::uint16_t tag, const Bytes& bytes);
    void Double(int ifd, std::uint16_t tag, double value);
    // Any format and count with the value bytes as given (already in the byte order).
    void Entry(int ifd, std::uint16_t tag, std::uint16_t format, std::uint32_t count,
               const Bytes& valueBytes);
    // The 4-byte value field exactly as given (an offset or a value), nothing stored.
    void RawField(int ifd, std::uint16_t tag, std::uint16_t format, std::uint32_t count,
                  std::uint32_t field);
    // A LONG whose value is the TIFF offset of another directory (or of this one).
    void Link(int ifd, std::uint16_t tag, int targetIfd);

    // Header offset of the first directory; default: where directory 0 is laid out.
    void SetFirstIfdOffset(std::uint32_t offset) {
        firstOffset_ = offset;
        firstOffsetSet_ = true;
    }
    // Extra bytes between the header and the first directory.
    void SetGapAfterHeader(std::uint32_t bytes) { gap_ = bytes; }

    Bytes Build();
    // After Build: TIFF offsets of a directory and of an entry's value (the entry's value
    // field for values of 4 bytes or less).
    std::uint32_t IfdOffset(int ifd) const { return ifdOffsets_.at(static_cast<std::size_t>(ifd)); }
    std::uint32_t ValueOffset(int ifd, std::uint16_t tag) const;
    std::uint32_t EntryOffset(int ifd, std::uint16_t tag) const;

    // Encoders in the builder's byte order.
    Bytes U16(std::uint16_t v) const;
    Bytes U32(std::uint32_t v) const;

private:
    struct Item {
        std::uint16_t tag = 0;
        std::uint16_t format = 0;
        std::uint32_t count = 0;
        Bytes value;
        bool rawField = false;
        std::uint32_t field = 0;
        int link = -1;
    };
    bool bigEndian_;
    std::vector<std::vector<Item>> ifds_;
    std::uint32_t firstOffset_ = 0;
    bool firstOffsetSet_ = false;
    std::uint32_t gap_ = 0;
    std::vector<std::uint32_t> ifdOffsets_;
    std::map<std::pair<int, int>, std::uint32_t> valueOffsets_;
    std::map<std::pair<int, int>, std::uint32_t> entryOffsets_;
};

struct Segment {
    std::uint8_t marker = 0;
    Bytes payload; // without the length field
    // Length field as written; 0 = payload size + 2.
    int lengthField = 0;
};

Segment MakeSegment(std::uint8_t marker, const Bytes& payload);
Segment MakeSegment(std::uint8_t marker, std::string_view payload);
// APP1 "Exif" 00 00 + TIFF bytes.
Segment ExifApp1(const Bytes& tiff);
// APP1 XMP packet.
Segment XmpApp1();
Segment App0Jfif();
Segment Comment(std::string_view text);

// FF D8, the segments, and unless withoutImage an SOS segment, a few scan bytes and FF D9.
Bytes JpegFile(const std::vector<Segment>& segments, bool withoutImage = false);
// A JPEG holding only an EXIF APP1 with the given TIFF bytes (APP0 before it when asked).
Bytes JpegWithExif(const Bytes& tiff, bool withApp0 = false);
// The first n bytes.
Bytes Truncated(const Bytes& bytes, std::size_t n);
// Position (1-based) in the stored EXIF segment of a TIFF offset: offset + 9.
inline std::int32_t ExifPos(std::uint32_t tiffOffset) {
    return static_cast<std::int32_t>(tiffOffset) + 9;
}
// Position in a TIFF file's stored bytes (which start at file offset 8): offset - 7.
inline std::int32_t TiffPos(std::uint32_t tiffOffset) {
    return static_cast<std::int32_t>(tiffOffset) - 7;
}

// A typical camera file: IFD0 with Make, Model, DateTime, Orientation, resolutions and a
// link to an EXIF directory with DateTimeOriginal, DateTimeDigitized, exposure, flash and
// pixel sizes.
struct CameraStamps {
    std::string make = "Canon";
    std::string model = "Canon PowerShot S40";
    std::string modified = "2004:07:16 08:00:00";
    std::string taken = "2004:07:15 13:45:10";
    std::string digitized = "2004:07:15 13:45:11";
};
Bytes CameraTiff(bool bigEndian, const CameraStamps& stamps = {});

} // namespace kivo::test
