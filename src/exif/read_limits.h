#pragma once
// What reading one file may cost, whatever its bytes say. Real camera files stay far below
// every limit (the largest value of the test corpus has a few kilobytes, its largest file
// a few hundred entries); a crafted or damaged file meets them and is read in bounded time
// and memory.

#include <cstdint>

namespace kivo {

// One directory entry whose value is longer than this is shown as "(N bytes)"; its bytes
// are neither read from a far part of the file, rendered, nor copied into the tag list.
inline constexpr std::int64_t kMaxValueBytes = 64 * 1024;
// The maker note is decoded from a copy of its bytes: it may be longer than other values.
inline constexpr std::int64_t kMaxMakerNoteBytes = 1024 * 1024;
// Value bytes one file may render or copy, EXIF/TIFF and maker-note entries together
// (MakerNoteRaw included); further values are shown as "(N bytes)".
inline constexpr std::int64_t kMaxFileValueBytes = 16 * 1024 * 1024;
// Directory entries one file may have examined (EXIF/TIFF and maker-note directories);
// the walk ends at the limit.
inline constexpr std::int64_t kMaxEntriesPerFile = 16384;

// 0xFF fill bytes the JPEG scan skips after a segment before it gives up, as readers of
// damaged files do (a real file has a few at most).
inline constexpr std::int64_t kMaxFillBytes = 64 * 1024;
// Bytes the JPEG scan reads after its 20 slots are used, looking for IPTC (APP13) data.
inline constexpr std::int64_t kMaxScanBytesAfterSlots = 4 * 1024 * 1024;
// IPTC bytes of one file: APP13 segments that continue a Photoshop block are joined.
inline constexpr std::int64_t kMaxIptcBytes = 1024 * 1024;
// IPTC records one segment may yield.
inline constexpr int kMaxIptcRecords = 4096;

// A TIFF-structured file: directories and values that lie beyond the first 256000 bytes
// are read where they lie, in pieces of at least kFarReadWindow bytes, at most
// kMaxFarReads pieces and kMaxFarBytes bytes per file.
inline constexpr std::int64_t kFarReadWindow = 64 * 1024;
inline constexpr int kMaxFarReads = 256;
inline constexpr std::int64_t kMaxFarBytes = 16 * 1024 * 1024;

// What reading one file has cost so far; tests read it to check the limits hold.
struct ReadWork {
    std::int64_t entries = 0;      // directory entries examined
    std::int64_t valueBytes = 0;   // value bytes rendered or copied
    std::int64_t cappedValues = 0; // entries shown as "(N bytes)"
    bool entriesExhausted = false; // kMaxEntriesPerFile ended the walk
};

} // namespace kivo

// Containers around the TIFF structure (RAF, MRW, HEIF/CR3 boxes): boxes and blocks one
// file may have examined per level, and how many bytes of a box (a HEIF meta box, a CR3
// CMT box, a HEIF Exif item) are read into memory.
inline constexpr int kMaxContainerBoxes = 4096;
inline constexpr std::int64_t kMaxContainerBoxBytes = 4 * 1024 * 1024;
