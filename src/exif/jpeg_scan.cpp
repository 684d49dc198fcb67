// The JPEG segment scan of the per-batch container: the segments up to the image data,
// the EXIF, XMP and IPTC slots, and what follows them.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "exif/byte_sources.h"
#include "exif/exif_types.h"
#include "exif/photo_data.h"
#include "exif/read_limits.h"
#include "exif/xmp_dates.h"

namespace kivo {

namespace {

constexpr int kMarkerEoi = 0xD9;
constexpr int kMarkerSos = 0xDA;
constexpr int kMarkerApp0 = 0xE0;
constexpr int kMarkerApp1 = 0xE1;
constexpr int kMarkerApp13 = 0xED;
constexpr int kMarkerCom = 0xFE;

// Reads the marker after a segment: fill bytes (0xFF) are skipped and the next byte is the
// marker (a 0xFF prefix is not required). False at the end of the bytes, and after more
// than kMaxFillBytes fill bytes: the rest of such a file is not read.
bool readMarker(ByteSource& in, std::uint8_t& marker) {
    const std::size_t fill = in.skipFill(static_cast<std::size_t>(kMaxFillBytes) + 1);
    if (fill > static_cast<std::size_t>(kMaxFillBytes))
        return false;
    return in.read(&marker, 1) == 1;
}

constexpr std::string_view kPhotoshopHeader{"Photoshop 3.0\0", 14};

// A stored APP13 segment whose payload starts a Photoshop image-resource block.
bool isPhotoshopApp13(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 2 + kPhotoshopHeader.size() &&
           std::equal(kPhotoshopHeader.begin(), kPhotoshopHeader.end(), bytes.begin() + 2,
                      [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

bool startsWithExifHeader(const std::vector<std::uint8_t>& bytes) {
    // Length (2), then "Exif" and a zero byte.
    static constexpr std::uint8_t kHeader[5] = {'E', 'x', 'i', 'f', 0};
    return bytes.size() >= 7 && std::equal(kHeader, kHeader + 5, bytes.begin() + 2);
}

} // namespace

void TPhotoData::noteApp13(TJpegSegment& segment, bool first) {
    // The first APP13 segment holds the IPTC data. Photoshop splits a long image-resource
    // block over APP13 segments that follow one another, each with its own header: those
    // are joined on (without their headers), up to kMaxIptcBytes.
    if (first) {
        iptcJoining_ = isPhotoshopApp13(segment.Bytes);
        return;
    }
    if (!iptcJoining_ || !isPhotoshopApp13(segment.Bytes)) {
        iptcJoining_ = false;
        return;
    }
    if (iptcJoined_.empty())
        iptcJoined_.assign(IptcSlot->Bytes.begin(), IptcSlot->Bytes.end());
    const auto from =
        segment.Bytes.begin() + 2 + static_cast<std::ptrdiff_t>(kPhotoshopHeader.size());
    const auto room = kMaxIptcBytes - static_cast<std::int64_t>(iptcJoined_.size());
    const auto take = std::min<std::int64_t>(room, segment.Bytes.end() - from);
    if (take <= 0) {
        iptcJoining_ = false;
        return;
    }
    iptcJoined_.insert(iptcJoined_.end(), from, from + take);
}

bool TPhotoData::scanAfterSlots(ByteSource& in, int lastMarker) {
    // The 20 slots are used; the scan goes on only for IPTC data (a first APP13 segment, or
    // the ones that continue it), up to the image data and kMaxScanBytesAfterSlots bytes.
    if (lastMarker == kMarkerEoi || lastMarker == kMarkerSos || (IptcSlot && !iptcJoining_))
        return false;
    const std::int64_t start = in.consumed();
    TJpegSegment scratch;
    while (in.consumed() - start < kMaxScanBytesAfterSlots && (!IptcSlot || iptcJoining_)) {
        std::uint8_t marker = 0;
        std::uint8_t two[2];
        if (!readMarker(in, marker) || in.read(two, 2) != 2)
            break;
        const int length = (two[0] << 8) | two[1];
        if (length < 2 || marker == kMarkerEoi || marker == kMarkerSos)
            break;
        const std::size_t want = static_cast<std::size_t>(length - 2);
        if (marker != kMarkerApp13) {
            // Not kept: read through a small buffer.
            std::uint8_t skip[4096];
            std::size_t left = want;
            while (left > 0) {
                const std::size_t n = in.read(skip, std::min(left, sizeof skip));
                if (n == 0)
                    break;
                left -= n;
            }
            iptcJoining_ = false;
            if (left > 0)
                break;
            continue;
        }
        TJpegSegment& seg = IptcSlot ? scratch : iptcOverflow_;
        seg.Marker = marker;
        seg.Length = length;
        seg.Bytes.resize(2 + want);
        seg.Bytes[0] = two[0];
        seg.Bytes[1] = two[1];
        const std::size_t got = in.read(seg.Bytes.data() + 2, want);
        seg.Bytes.resize(2 + got);
        if (!IptcSlot) {
            IptcSlot = &iptcOverflow_;
            Iptc = CreateIptcInfo(*this);
            noteApp13(iptcOverflow_, true);
        } else {
            noteApp13(seg, false);
        }
        if (got < want)
            break;
    }
    return true;
}

bool TPhotoData::ScanJpegStream(ByteSource& in) {
    // SOI (FF D8), then segments: [FF...] marker, length (2, big-endian, counts itself),
    // payload of length - 2 bytes.
    TiffSource = false;
    std::uint8_t two[2];
    if (in.read(two, 2) != 2 || two[0] != 0xFF || two[1] != 0xD8)
        return false;
    int lastMarker = 0;
    bool ended = false;
    while (SegmentCount < kMaxSegments) {
        std::uint8_t marker = 0;
        if (!readMarker(in, marker))
            return ExifSlot || IptcSlot || CommentSlot;
        const std::int64_t at = in.tell();
        if (in.read(two, 2) != 2) {
            ended = true;
            break; // cut short in its length field: not stored
        }
        const int length = (two[0] << 8) | two[1];
        if (length < 2) {
            ended = true;
            break; // no segment can be that short
        }
        ++SegmentCount;
        TJpegSegment& slot = Segment(SegmentCount);
        slot.Marker = marker;
        slot.Length = length;
        slot.FileOffset = at;
        slot.Bytes.resize(static_cast<std::size_t>(length));
        slot.Bytes[0] = two[0];
        slot.Bytes[1] = two[1];
        const std::size_t want = static_cast<std::size_t>(length - 2);
        const std::size_t got = in.read(slot.Bytes.data() + 2, want);
        // A segment cut short by the end of the file keeps the bytes read; the scan ends
        // after it.
        const bool truncated = got < want;
        if (truncated)
            slot.Bytes.resize(2 + got);
        lastMarker = marker;

        if (SegmentCount == 5 && !ExifSlot && !IptcSlot && !CommentSlot) {
            ended = true;
            break;
        }
        if (marker == kMarkerEoi || marker == kMarkerSos) {
            ended = true;
            break;
        }
        if (marker != kMarkerApp13)
            iptcJoining_ = false;
        switch (marker) {
        case kMarkerApp0:
            App0Slot = &slot;
            break;
        case kMarkerApp1:
            if (XmpPacket.empty() && slot.Bytes.size() > 2)
                if (const auto xmp = XmpPacketOfApp1(
                        std::string_view(reinterpret_cast<const char*>(slot.Bytes.data()) + 2,
                                         slot.Bytes.size() - 2)))
                    XmpPacket.assign(*xmp);
            // Only the first APP1 that carries EXIF counts; others (XMP) are kept as they are.
            if (SegmentCount > 5 || ExifSlot) {
                --SegmentCount;
            } else if (startsWithExifHeader(slot.Bytes)) {
                ExifSlot = &slot;
                StartExif();
                ViewBuffer(slot.Bytes); // the slot keeps its bytes until the next file
                ParseExifSegment();
            }
            break;
        case kMarkerApp13:
            if (!IptcSlot) {
                IptcSlot = &slot;
                Iptc = CreateIptcInfo(*this);
                noteApp13(slot, true);
            } else {
                noteApp13(slot, false);
            }
            break;
        case kMarkerCom:
            CommentSlot = &slot;
            break;
        default:
            break;
        }
        if (truncated) {
            ended = true;
            break;
        }
    }
    if (!ended)
        scanAfterSlots(in, lastMarker);
    return ExifSlot || IptcSlot || CommentSlot;
}

} // namespace kivo
