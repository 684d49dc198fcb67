// ISO base media files (HEIF photos, CR3 raw files): container read and directory walk over
// arbitrary bytes.

#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static constexpr int kModes[4] = {255, 2, 4, 0};
    kivo::fuzz::ReadAndInspect("fuzz.heic", data + 1, size - 1, kModes[data[0] & 3]);
    return 0;
}
