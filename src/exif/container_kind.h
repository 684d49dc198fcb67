#pragma once
// Which kind of file holds a photo's metadata: told by the name's extension, then by the
// file's first bytes.

#include <cstdint>
#include <span>
#include <string_view>

namespace kivo {

enum class PhotoContainer {
    None, // not a photo the reader reads
    Jpeg, // JPEG segments
    Tiff, // a TIFF structure (TIFF files and most RAW files)
    Raf,  // Fujifilm RAF: header, embedded JPEG, raw directory
    Mrw,  // Minolta MRW: blocks, one of them a TIFF structure
    Bmff, // ISO base media file: HEIF/HEIC/AVIF and Canon CR3
};

// By the extension alone, without regard to letter case.
PhotoContainer ContainerByName(std::string_view path);
// The extension names a RAW camera file (TIFF-structured, RAF, MRW or CR3).
bool IsRawName(std::string_view path);
// A photo the reader reads: JPEG, TIFF, RAW or HEIF.
bool IsPhotoName(std::string_view path);
// JPEG and TIFF names are read as their extension says, whatever the file holds.
bool NameDecidesContainer(std::string_view path);
// The kind the first bytes of the file at path show (16 are enough), else the kind of its
// extension.
PhotoContainer SniffContainer(std::span<const std::uint8_t> head, std::string_view path);

} // namespace kivo
