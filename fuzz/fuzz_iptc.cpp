// libFuzzer target: IPTC records. The input is parsed as a stored APP13 segment, the record
// list is edited by name, single datasets are read at fuzzed positions, and the same bytes
// go through the JPEG scan as an APP13 segment.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "exif/exif_types.h"
#include "exif/iptc.h"
#include "exif/photo_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    kivo::TIptcInfo iptc(nullptr);
    iptc.ParseIptcSegment(bytes);
    if (iptc.RecordCount() > 0) {
        const std::vector<kivo::tTagRow> records = iptc.Records();
        for (const kivo::tTagRow& r : records) {
            if (iptc.IndexByName(r.Key) < 0) {
                __builtin_trap(); // every parsed record is found by its name
            }
            iptc.AddByName(r.Key, "x");
            iptc.SetOrAddByTableName(r.Key, r.Shown);
            (void)iptc.TextByName(r.Key, "");
        }
        iptc.RemoveByName(records.front().Key);
    }
    if (size >= 2) {
        std::int64_t p = static_cast<std::int64_t>(data[0]) - 8;
        for (int i = 0; i < 4 && p <= static_cast<std::int64_t>(size); ++i) {
            const std::int64_t before = p;
            (void)kivo::TIptcInfo::ReadIptcDataset(bytes, p);
            if (p <= before) {
                __builtin_trap(); // the parse always moves on
            }
        }
    }
    if (size <= 65533 - 2) {
        std::vector<std::uint8_t> jpeg = {0xFF,
                                          0xD8,
                                          0xFF,
                                          0xED,
                                          static_cast<std::uint8_t>((size + 2) >> 8),
                                          static_cast<std::uint8_t>(size + 2)};
        jpeg.insert(jpeg.end(), data, data + size);
        jpeg.insert(jpeg.end(), {0xFF, 0xD9});
        kivo::TPhotoData photo(kivo::kBuildAll);
        photo.ReadImageBytes("fuzz.jpg", jpeg);
        if (photo.Iptc && photo.IptcSlot) {
            photo.Iptc->ParseIptcSegment(photo.IptcBytes());
        }
    }
    return 0;
}
