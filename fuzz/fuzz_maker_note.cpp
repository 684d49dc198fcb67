// libFuzzer target: maker-note decoding. The first bytes choose the make (so that every
// maker's layout is reached), the byte order, the source kind, the EXIF version, the build
// mode and the trace level; the rest is the EXIF bytes, and a slice of them the maker note.
// A second pass reads the same maker note through the JPEG reader.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "exif/exif_info.h"
#include "exif/exif_types.h"
#include "exif/maker_note.h"
#include "exif/photo_data.h"

namespace {

using kivo::TExifInfo;

const char* const kMakes[] = {
    "NIKON CORPORATION",
    "NIKON",
    "OLYMPUS OPTICAL CO.,LTD",
    "OLYMPUS IMAGING CORP.",
    "OM Digital Solutions",
    "CASIO COMPUTER CO.,LTD.",
    "CASIO",
    "FUJIFILM",
    "Canon",
    "canon",
    "SEIKO EPSON CORP.",
    "SANYO Electric Co.,Ltd.",
    "Minolta Co., Ltd.",
    "KONICA MINOLTA",
    "Kodak",
    "",
};
const char* const kVersions[] = {"0210", "0220", "", "0221"};
const char* const kModels[] = {"NIKON D70", "D1X", "E775", ""};
const int kBuildModes[] = {kivo::kBuildAll, kivo::kBuildList, kivo::kBuildRender, 0};

void put16be(std::vector<std::uint8_t>& b, std::size_t v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}

// A big-endian EXIF block: IFD0 with Make and a link to the EXIF directory, which holds
// ExifVersion and the maker note.
std::vector<std::uint8_t> JpegWithMakerNote(const std::string& make, const std::string& version,
                                            std::span<const std::uint8_t> note) {
    std::vector<std::uint8_t> t = {'M', 'M', 0, 42, 0, 0, 0, 8};
    auto u16 = [&](std::uint32_t v) { put16be(t, v); };
    auto u32 = [&](std::uint32_t v) {
        u16(v >> 16);
        u16(v & 0xFFFF);
    };
    const std::uint32_t makeOffset = 8 + 2 + 2 * 12 + 4;
    const std::uint32_t exifOffset = makeOffset + static_cast<std::uint32_t>(make.size()) + 1;
    const std::uint32_t noteOffset = exifOffset + 2 + 2 * 12 + 4;
    u16(2);
    u16(0x010F), u16(2), u32(static_cast<std::uint32_t>(make.size()) + 1), u32(makeOffset);
    u16(0x8769), u16(4), u32(1), u32(exifOffset);
    u32(0);
    t.insert(t.end(), make.begin(), make.end());
    t.push_back(0);
    u16(2);
    u16(0x9000), u16(7), u32(4);
    std::string v4 = version;
    v4.resize(4, '\0');
    t.insert(t.end(), v4.begin(), v4.end());
    u16(0x927C), u16(7), u32(static_cast<std::uint32_t>(note.size())), u32(noteOffset);
    u32(0);
    t.insert(t.end(), note.begin(), note.end());

    std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE1};
    put16be(jpeg, 2 + 6 + t.size());
    const std::uint8_t header[] = {'E', 'x', 'i', 'f', 0, 0};
    jpeg.insert(jpeg.end(), std::begin(header), std::end(header));
    jpeg.insert(jpeg.end(), t.begin(), t.end());
    jpeg.push_back(0xFF);
    jpeg.push_back(0xD9);
    return jpeg;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) {
        return 0;
    }
    const std::uint8_t choose = data[0];
    const std::uint8_t flags = data[1];
    const std::size_t start = static_cast<std::size_t>(data[2]) << 8 | data[3];
    const std::size_t length = static_cast<std::size_t>(data[4]) << 8 | data[5];
    const std::span<const std::uint8_t> exifBytes(data + 6, size - 6);

    const std::string make = kMakes[choose % std::size(kMakes)];
    const std::string version = kVersions[(flags >> 2) & 3];
    const bool bigEndian = (flags & 1) != 0;
    const bool tiffSource = (flags & 2) != 0;
    kivo::TraceDepth = (flags & 0x40) != 0 ? 1 : 0;

    // The maker note is a slice of the EXIF bytes, as in a real file.
    const std::size_t from = exifBytes.empty() ? 0 : start % exifBytes.size();
    const std::span<const std::uint8_t> note =
        exifBytes.subspan(from, std::min(length, exifBytes.size() - from));

    {
        TExifInfo exif(nullptr, kBuildModes[(flags >> 4) & 3]);
        exif.SetBuffer(std::vector<std::uint8_t>(exifBytes.begin(), exifBytes.end()));
        exif.BigEndian = bigEndian;
        exif.TiffSource = tiffSource;
        exif.MakeText = make;
        exif.ModelText = kModels[(choose >> 4) & 3];
        exif.VersionRaw.assign(version.begin(), version.end());
        exif.MakerNoteRaw.assign(note.begin(), note.end());
        exif.MakerNotePos = static_cast<std::int32_t>(from) + 1;
        kivo::TMakerNoteInfo info(tiffSource, exif);
        info.DecodeMakerNote();
        // The maker note as a TIFF structure of its own, as CR3 files keep Canon's.
        if ((choose & 0x40) != 0)
            info.DecodeCanonTiffMakerNote();
        if (exif.BigEndian != bigEndian) {
            __builtin_trap(); // the owner's byte order must come back
        }
        (void)exif.Tags();
    }
    if ((flags & 0x80) != 0) {
        kivo::TPhotoData photo(kivo::kBuildAll);
        const std::vector<std::uint8_t> jpeg = JpegWithMakerNote(make, version, note);
        photo.ReadImageBytes("fuzz.jpg", jpeg);
    }
    kivo::TraceDepth = 0;
    return 0;
}
