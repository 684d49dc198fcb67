// Several TIFF structures walked as the metadata of one file.

#include <algorithm>

#include "exif/container_readers.h"
#include "exif/exif_types.h"
#include "exif/hooks.h"
#include "exif/read_limits.h"

namespace kivo {

bool ReadTiffPieces(TPhotoData& photo, const std::vector<TiffPiece>& pieces) {
    // Piece k's bytes start at position base_k in slot 1, so TIFF offset X of the piece is
    // position X + base_k. Each header: "II" or "MM" (2), magic (2), first directory (4).
    TJpegSegment& slot = photo.Segment(1);
    slot.Bytes.clear();
    std::vector<std::int64_t> bases;
    for (const TiffPiece& piece : pieces) {
        bases.push_back(static_cast<std::int64_t>(slot.Bytes.size()) + 1);
        slot.Bytes.insert(slot.Bytes.end(), piece.bytes.begin(), piece.bytes.end());
    }
    slot.Marker = 0;
    slot.Length = static_cast<int>(slot.Bytes.size());
    slot.FileOffset = -1; // pieces gathered from several places
    photo.SegmentCount = 1;
    photo.ExifSlot = &slot;
    photo.TiffSource = true;
    photo.StartExif();
    TExifInfo& exif = *photo.Exif;
    exif.TiffSource = true;
    exif.ClearTraceText();
    photo.ViewBuffer(slot.Bytes);
    exif.ViewBuffer(slot.Bytes);
    bool first = true;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        const auto& b = pieces[k].bytes;
        if (pieces[k].canonMakerNote)
            continue;
        if (b.size() < 8 || b[0] != b[1] || (b[0] != 'I' && b[0] != 'M'))
            continue;
        const bool bigEndian = b[0] == 'M';
        if (first)
            photo.BigEndian = bigEndian;
        first = false;
        exif.BigEndian = bigEndian;
        const auto offset = ByteCursor(b, bigEndian).u32(5);
        const std::int64_t dirPos = static_cast<std::int64_t>(*offset) + bases[k];
        try {
            exif.WalkDirectory(dirPos, bases[k], pieces[k].dirKind,
                               static_cast<std::int64_t>(b.size()));
        } catch (const std::exception&) {
            // A failure in one piece leaves what the others give.
        }
    }
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (!pieces[k].canonMakerNote)
            continue;
        const auto& b = pieces[k].bytes;
        exif.MakerNotePos = static_cast<std::int32_t>(bases[k]);
        exif.MakerDecoded = false;
        exif.MakerNoteRaw.clear();
        // Decoded from a copy of its bytes, which counts against the file's limits.
        if (static_cast<std::int64_t>(b.size()) > kMaxMakerNoteBytes ||
            !exif.ChargeValueBytes(static_cast<std::int64_t>(b.size())))
            continue;
        exif.MakerNoteRaw.assign(b.begin(), b.end());
        try {
            exif.MakerDecoded = RunCanonTiffMakerNoteReader(exif);
        } catch (const std::exception&) {
            exif.MakerDecoded = false;
        }
    }
    exif.BigEndian = photo.BigEndian;
    exif.Derive35mm();
    photo.TiffSource = false;
    return true;
}

} // namespace kivo
