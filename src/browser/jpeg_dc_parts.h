#pragma once
// The pieces of the one-eighth JPEG decoder: the frame read from the markers, the Huffman
// tables, the entropy-coded data with its stuffing removed, and the block values the
// entropy decoding hands to the picture. Shared by jpeg_dc_*.cpp only.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kivo::jpegdc {

// T.81 Figure A.6: natural (row-major) position of each zig-zag index.
inline constexpr std::array<std::uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

struct HuffSpec {
    bool defined = false;
    std::array<std::uint8_t, 17> bits{}; // bits[l]: number of codes of length l, 1..16
    std::array<std::uint8_t, 256> vals{};
};

struct Component {
    int id = 0;
    int h = 1, v = 1;   // sampling factors
    int tq = 0;         // quantisation table
    int td = 0, ta = 0; // DC and AC Huffman tables of the scan
};

// What the markers up to the scan say, when the picture is one this decoder takes: 8-bit
// baseline Huffman, one interleaved scan of 1 or 3 components (YCbCr), luma sampled 1x1,
// 2x1 or 2x2 and chroma 1x1.
struct Frame {
    int width = 0, height = 0;
    int ncomp = 0;
    std::array<Component, 3> comp{};
    std::array<std::array<std::uint16_t, 64>, 4> quant{}; // zig-zag order
    std::array<HuffSpec, 4> dc{}, ac{};
    int restartInterval = 0;   // MCUs, 0 for none
    std::size_t scanStart = 0; // offset of the entropy-coded data
};

std::optional<Frame> ReadFrame(std::span<const std::uint8_t> jpeg);

// The entropy-coded data without its stuffed zero bytes and markers, followed by zero
// bytes so that a reader may look ahead past the end.
struct ScanData {
    static constexpr std::size_t kPadding = 512;
    std::vector<std::uint8_t> bytes;      // at least size + kPadding; kept from picture to picture
    std::size_t size = 0;                 // bytes of data
    std::vector<std::uint32_t> intervals; // start of each restart interval, the first at 0
    bool restartsInOrder = true;          // RSTn numbered 0, 1, ..., 7, 0, ... as written
};

bool Unstuff(std::span<const std::uint8_t> entropy, ScanData& out);

// The geometry of the scan's MCUs.
struct Layout {
    int mcusX = 0, mcusY = 0;
    int blocksPerMcu = 0;
    std::array<std::uint8_t, 6> compOf{}; // component of each block of an MCU
    bool chromaQuads = false; // 2x2 luma: chroma becomes 2x2 samples per block, as libjpeg's
                              // one-eighth scale shows it
    std::size_t totalBlocks() const {
        return std::size_t(mcusX) * std::size_t(mcusY) * std::size_t(blocksPerMcu);
    }
};

Layout LayoutOf(const Frame& frame);

// The three AC sums that give a chroma block's 2x2 quadrant means (see jpeg_dc_entropy.cpp).
using QuadSums = std::array<std::int32_t, 3>;

// What the entropy decoding yields: every block's DC difference in scan order and, for
// chroma quads, the sums of each chroma block in scan order.
struct BlockValues {
    std::vector<std::int16_t> dcDiff;
    std::vector<QuadSums> quads;
};

bool DecodeBlocks(const Frame& frame, const Layout& layout, const ScanData& scan, int threads,
                  BlockValues& out);

// Fixed-point scale of the quad sums: a sum of 1 << kQuadShift is one sample level.
inline constexpr int kQuadShift = 16;

} // namespace kivo::jpegdc
