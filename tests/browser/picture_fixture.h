#pragma once
// Pictures for the thumbnail and orientation tests, encoded by Qt's own writers.

#include <cstdint>
#include <vector>

#include <QImage>

namespace kivo::test {

// White, with a red block in the stored top-left corner and a green one in the top-right:
// where the two land tells every orientation apart.
QImage MarkedPicture(int width, int height);
std::vector<std::uint8_t> Encode(const QImage& image, const char* format, int quality = 95);

// Which corner of `image` holds a block of mostly this colour: 0 TL, 1 TR, 2 BR, 3 BL, -1 none.
int CornerOf(const QImage& image, QRgb colour);

} // namespace kivo::test
