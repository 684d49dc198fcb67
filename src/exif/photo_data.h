#pragma once
// The per-batch container of the metadata reader: scans one JPEG file segment by segment
// (or reads a TIFF-structured file) and keeps what it found until the next file.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "exif/byte_order_reader.h"
#include "exif/exif_info.h"
#include "exif/hooks.h"
#include "exif/status_text.h"
#include "platform/datetime.h"
#include "platform/regular_file.h"

namespace kivo {

// One stored JPEG segment.
struct TJpegSegment {
    std::vector<std::uint8_t> Bytes; // the two length bytes, then the payload
    int Marker = 0;                  // e.g. 0xE1 for APP1
    int Length = 0;                  // the big-endian length field, counting itself
    // File offset of Bytes[0] (slot 1 of a TIFF-structured file: of its first byte); -1 when
    // the bytes did not come straight from the file (a container's inner part).
    std::int64_t FileOffset = -1;
};

// Reads what a JPEG scan or a TIFF read needs, from a file or from memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to n bytes into out; returns how many were read (0 at the end).
    virtual std::size_t read(std::uint8_t* out, std::size_t n) = 0;
    // Skips up to limit bytes of the value 0xFF; returns how many were skipped (it stops at
    // the first other byte, which is read next, or at the end).
    virtual std::size_t skipFill(std::size_t limit) = 0;
    // Reads up to n bytes from offset (from the start) without moving the stream; 0 when
    // the source cannot do that.
    virtual std::size_t readAt(std::int64_t offset, std::uint8_t* out, std::size_t n);
    // Size of the whole source when known, else -1.
    virtual std::int64_t size() const { return -1; }
    // File offset of the next byte read() gives; -1 when the source is no whole file.
    virtual std::int64_t tell() const { return -1; }
    // Bytes taken from the source so far by read, skipFill and readAt.
    std::int64_t consumed() const { return consumed_; }

protected:
    std::int64_t consumed_ = 0;
};

// A photo file opened and its head read ahead of its parse: the reads can then go in
// order on one thread while others parse (TPhotoData::ReadImageFile(path, head)).
struct FileHead {
    RegularFile file;                // not open when the quick open failed
    std::vector<std::uint8_t> bytes; // the file's first `count` bytes, kept from file to file
    std::size_t count = 0;
};

// Opens path the way ReadImageFile tries first and reads its head; false, with head.file
// not open, for a name that is not a photo's or a file that did not open that way.
bool ReadFileHead(const std::string& path, FileHead& head);
// Reads the head of head.file, which its caller opened as a regular file (fstat'ed into
// head.file.info), e.g. for writing as well; how many bytes it holds.
std::size_t FillFileHead(FileHead& head);

class TPhotoData : public TByteOrderReader {
public:
    static constexpr int kMaxSegments = 20;
    static constexpr std::size_t kTiffReadLimit = 256000;
    // A TIFF-structured file's slot 1 starts at this file offset: position p = offset - 7.
    static constexpr std::int64_t kTiffSlotOffset = 8;

    explicit TPhotoData(int buildMode);
    ~TPhotoData() override;
    TPhotoData(const TPhotoData&) = delete;
    TPhotoData& operator=(const TPhotoData&) = delete;

    // Reads one file, replacing everything learned from the previous one. True when
    // metadata was found; ExifPresent tells whether that includes EXIF.
    bool ReadImageFile(const std::string& path);
    // The same for a file ReadFileHead opened (it is closed here); a head that is not open
    // reads path as above.
    bool ReadImageFile(const std::string& path, FileHead& head);
    // The same for a file its caller opened (a regular file, fstat'ed into info); the
    // descriptor is read from offset 0 with pread and stays open.
    bool ReadOpenFile(const std::string& path, int fd, const struct stat& info);
    // The same for bytes in memory; the extension of name still decides JPEG or TIFF.
    bool ReadImageBytes(const std::string& name, std::span<const std::uint8_t> bytes);
    bool ExifPresent() const { return ExifSlot != nullptr; }
    void ClearState();
    // The IPTC bytes as one stored APP13 segment (length bytes, then payload): the first
    // APP13 segment, with the APP13 segments that continue its Photoshop block right after
    // it joined on; empty when the file has none.
    std::span<const std::uint8_t> IptcBytes() const;

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
    // Why the last file could not be opened: 0, an errno value, or kNotRegularFile
    // (platform/regular_file.h) for a FIFO, socket, device or folder.
    int OpenError = 0;
    // Bytes taken from the file (or the bytes in memory) by the last read.
    std::int64_t SourceBytesRead = 0;
    // Parts of a TIFF-structured file read beyond slot 1, where its directories and values
    // lie (positions as in slot 1); cleared with the file.
    ByteExtents FarBytes;
    int FarReads = 0;
    std::int64_t FarBytesRead = 0;

    // The XMP packet of the first XMP APP1 segment (xmp_dates.h reads its dates); empty
    // when the file has none.
    std::string XmpPacket;

    std::unique_ptr<TExifInfo> Exif;
    IptcInfoPtr Iptc;
    // Exif made a new reader of this file, with the storage of the last file's reader.
    TExifInfo& StartExif();

    // Steps of a read, usable on their own.
    bool ScanJpegStream(ByteSource& in);
    bool ReadTiffStream(ByteSource& in);
    void ParseExifSegment();
    // Reads the n bytes from slot-1 position pos of the TIFF-structured file being read,
    // within the limits of read_limits.h; true when bytes were read into FarBytes.
    bool FetchFar(std::int64_t pos, std::int64_t n);

private:
    bool readStream(const std::string& path, ByteSource& in);
    void noteApp13(TJpegSegment& segment, bool afterIptc);
    bool scanAfterSlots(ByteSource& in, int lastMarker);

    ByteSource* farSource_ = nullptr;      // while a TIFF-structured file is read
    TJpegSegment iptcOverflow_;            // an APP13 met after the 20 slots
    std::vector<std::uint8_t> iptcJoined_; // the IPTC bytes when continued, else empty
    bool iptcJoining_ = false;             // the previous segment was part of the IPTC block
    std::vector<std::uint8_t> head_;       // the file buffer, kept from file to file
    std::unique_ptr<TExifInfo> spareExif_; // the last file's reader, reused by StartExif
};

} // namespace kivo
