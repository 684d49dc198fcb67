#pragma once
// Reads the fuzzer's bytes as a file of the given name and touches everything a caller of the
// reader may look at afterwards.

#include <cstdint>
#include <span>
#include <string>

#include "exif/photo_data.h"

namespace kivo::fuzz {

inline void ReadAndInspect(const char* name, const std::uint8_t* data, std::size_t size,
                           int buildMode) {
    TPhotoData photo(buildMode);
    photo.ReadImageBytes(name, std::span<const std::uint8_t>(data, size));
    volatile double sink = static_cast<double>(photo.StatusText.size());
    if (TExifInfo* exif = photo.Exif.get()) {
        for (std::int32_t pos : {exif->ModifyDatePos, exif->TakenDatePos, exif->DigitizedDatePos})
            if (pos > 0)
                sink = sink + exif->DateAt(pos);
        sink = sink + static_cast<double>(exif->TraceText().size() + exif->MakeText.size());
        for (const auto& row : exif->Tags())
            sink = sink + static_cast<double>(row.Shown.size() + row.RawBytes.size());
        sink = sink + static_cast<double>(exif->TagTextByName("Flash").size()) +
               exif->NumberByName("FocalLength");
    }
    (void)sink;
}

} // namespace kivo::fuzz
