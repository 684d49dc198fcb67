#pragma once
// Builders for the containers around TIFF structures and JPEGs: RAF, MRW, HEIF and CR3
// files, minimal but laid out as their cameras write them.

#include <string_view>

#include "support/exif_fixtures.h"

namespace kivo::test {

// The TIFF bytes with another magic number after the byte order ("RO", "OR", "U\0").
Bytes WithTiffMagic(Bytes tiff, std::string_view magic);
// A RAF header, the JPEG, and (when given) the raw part starting with rawTiff.
Bytes RafFile(const Bytes& jpeg, const Bytes& rawTiff = {});
// "\0MRM", a PRD block, the TTW block with the TIFF bytes, a PAD block, image bytes.
Bytes MrwFile(const Bytes& tiff);
// One ISO BMFF box.
Bytes Box(std::string_view type, const Bytes& payload);
// ftyp "heic", meta (hdlr, pitm, iinf with an hvc1 item and an Exif item, iloc of the
// given version), mdat holding the Exif item ("Exif\0\0" and the TIFF bytes). With
// inIdat the Exif item lies in the meta box's idat instead (construction method 1).
Bytes HeifFile(const Bytes& tiff, int ilocVersion = 1, bool inIdat = false);
// ftyp "crx ", moov > uuid (Canon) > CMT1 .. CMT4 (a piece left out when empty; CMT3, the
// maker note, without entries when empty), mdat.
Bytes Cr3File(const Bytes& ifd0Tiff, const Bytes& exifTiff, const Bytes& gpsTiff = {},
              const Bytes& makerTiff = {});

} // namespace kivo::test
