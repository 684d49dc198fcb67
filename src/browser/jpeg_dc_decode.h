#pragma once
// A JPEG decoder for one scale only: one eighth in each direction, where every 8x8 block
// becomes one pixel (two by two for the chroma of 2x2-sampled pictures, as libjpeg makes it).
// It parses the entropy-coded data on several threads, which libjpeg cannot do for one
// picture. It takes 8-bit baseline Huffman JPEGs of one or three (YCbCr) components with
// luma sampled 1x1, 2x1 or 2x2; anything else, and any damage to the data, is left to libjpeg.

#include <cstdint>
#include <optional>
#include <span>

#include <QImage>
#include <QSize>

namespace kivo {

// The stored size of a JPEG whose markers up to its scan lie within `head` and which this
// decoder takes; empty otherwise.
std::optional<QSize> JpegEighthSize(std::span<const std::uint8_t> head);

// The picture at one eighth (sides rounded up) as RGB888, or empty. `threads` is how many
// threads may decode it.
std::optional<QImage> DecodeJpegEighth(std::span<const std::uint8_t> jpeg, int threads);

} // namespace kivo
