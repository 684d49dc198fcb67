#pragma once
// Real compressed JPEG files made in code for the preview and window tests.

#include <cstdint>
#include <vector>

namespace kivo::test {

// A width x height baseline JPEG with a colour gradient; `gray` makes it one component.
std::vector<std::uint8_t> MakeJpeg(int width, int height, bool gray = false, int quality = 85);

} // namespace kivo::test
