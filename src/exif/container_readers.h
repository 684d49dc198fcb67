#pragma once
// The readers of the containers that hold a TIFF structure or a JPEG with EXIF somewhere
// inside (container_kind.h names them). Each fills the TPhotoData as the TIFF read or the
// JPEG scan does and returns what they return; bad or truncated containers give false.

#include <cstdint>
#include <string>
#include <vector>

#include "exif/container_kind.h"
#include "exif/photo_data.h"

namespace kivo {

// Reads the file at path from in with the reader its name (and, for RAW and HEIF names,
// its first bytes) calls for.
bool ReadPhotoStream(TPhotoData& photo, const std::string& path, ByteSource& in);
// The reader of kind over in (the whole file).
bool ReadContainer(TPhotoData& photo, PhotoContainer kind, ByteSource& in);

// Fujifilm RAF: the embedded JPEG's EXIF, else the raw part's TIFF directory.
bool ReadRafStream(TPhotoData& photo, ByteSource& in);
// Minolta MRW: the TIFF structure of the "TTW" block.
bool ReadMrwStream(TPhotoData& photo, ByteSource& in);
// ISO base media file: the Exif item of a HEIF meta box, or the CMT boxes of a CR3 file.
bool ReadBmffStream(TPhotoData& photo, ByteSource& in);

// Several complete TIFF structures (header included) walked as one file's metadata: their
// bytes lie one after another in slot 1, each walked with its own base and byte order.
struct TiffPiece {
    std::vector<std::uint8_t> bytes;
    int dirKind = 0; // the kind of the piece's first directory
    // A Canon maker note of its own (CR3): decoded after the other pieces gave the make.
    bool canonMakerNote = false;
};
bool ReadTiffPieces(TPhotoData& photo, const std::vector<TiffPiece>& pieces);

} // namespace kivo
