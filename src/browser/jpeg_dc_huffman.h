#pragma once
// Huffman decoding tables (T.81 Annex C and F.2.2.3) with prefix lookups, the bit reader over
// the unstuffed scan data, and the weights that turn a chroma block's coefficients into its
// 2x2 quadrant means. Used by jpeg_dc_entropy.cpp only.

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "browser/jpeg_dc_parts.h"

namespace kivo::jpegdc {

constexpr int kEob = 128;

// One entry per prefix of a table's lookup bits. len 0: the code is longer (or no code),
// decode slowly. For AC the entry also says how far all the symbols held whole in the
// prefix go, so that blocks whose coefficients are only skipped take several symbols a step.
struct LutEntry {
    std::uint8_t len = 0;    // code length
    std::uint8_t size = 0;   // value bits after the code
    std::uint8_t total = 0;  // len + size
    std::uint8_t step = 0;   // AC: zig-zag positions passed; kEob ends the block
    std::uint8_t totalN = 0; // the symbols held whole: their bits,
    std::uint8_t stepN = 0;  // the positions they pass (without an EOB),
    std::uint8_t eobN = 0;   // and whether the last one ends the block
    std::uint8_t unused = 0;
};

// A symbol's meaning for AC: 0x00 ends the block, 0xF0 is sixteen zeros, otherwise run and
// size; anything else (size 0 with another run, size above 10) is not valid baseline data.
inline bool AcStep(int rs, int& step) {
    const int r = rs >> 4, s = rs & 15;
    if (rs == 0x00)
        step = kEob;
    else if (rs == 0xF0)
        step = 16;
    else if (s == 0 || s > 10)
        return false;
    else
        step = r + 1;
    return true;
}

// Decoding tables of T.81 Annex C and F.2.2.3, with a lookup of the first B bits.
template <int B> struct Table {
    static constexpr int kBits = B;
    std::array<LutEntry, 1 << B> lut{};
    std::array<std::int32_t, 18> maxcode{};
    std::array<std::int32_t, 17> mincode{};
    std::array<std::int32_t, 17> valptr{};
    const HuffSpec* spec = nullptr;

    bool build(const HuffSpec& h, bool isDc) {
        spec = &h;
        std::int32_t code = 0;
        int k = 0;
        for (int l = 1; l <= 16; ++l) {
            valptr[l] = k;
            mincode[l] = code;
            code += h.bits[l];
            // More codes than the length allows: not a table.
            if (code > (1 << l))
                return false;
            maxcode[l] = h.bits[l] ? code - 1 : -1;
            for (int i = 0; i < h.bits[l]; ++i, ++k) {
                if (l > B)
                    continue;
                const int rs = h.vals[k];
                LutEntry e;
                e.len = static_cast<std::uint8_t>(l);
                if (isDc) {
                    if (rs > 11)
                        continue; // left to the slow path, which refuses it
                    e.size = static_cast<std::uint8_t>(rs);
                } else {
                    int step = 0;
                    if (!AcStep(rs, step))
                        continue;
                    e.size = static_cast<std::uint8_t>(rs & 15);
                    e.step = static_cast<std::uint8_t>(step);
                }
                e.total = static_cast<std::uint8_t>(e.len + e.size);
                const int first = (mincode[l] + i) << (B - l);
                for (int j = 0; j < (1 << (B - l)); ++j)
                    lut[first + j] = e;
            }
            code <<= 1;
        }
        maxcode[17] = 0x7FFFFFFF;
        if (!isDc)
            pack();
        return true;
    }

    void pack() {
        constexpr int n = 1 << B;
        for (int i = 0; i < n; ++i) {
            LutEntry& first = lut[i];
            if (first.len == 0)
                continue;
            int pos = 0, passed = 0;
            bool eob = false;
            for (;;) {
                const LutEntry& e = lut[(i << pos) & (n - 1)];
                if (e.len == 0 || pos + e.total > B)
                    break;
                pos += e.total;
                if (e.step == kEob) {
                    eob = true;
                    break;
                }
                passed += e.step;
                if (passed >= 64)
                    break;
            }
            if (pos == 0) { // the first symbol's value bits go past the prefix
                pos = first.total;
                eob = first.step == kEob;
                passed = eob ? 0 : first.step;
            }
            first.totalN = static_cast<std::uint8_t>(pos);
            first.stepN = static_cast<std::uint8_t>(passed);
            first.eobN = eob;
        }
    }

    // The symbol at the top of `window` (16 bits) and its length, or -1.
    int slow(std::uint32_t window, int& len) const {
        for (int l = 1; l <= 16; ++l) {
            const std::int32_t code = static_cast<std::int32_t>(window >> (16 - l));
            if (maxcode[l] >= 0 && code <= maxcode[l] && code >= mincode[l]) {
                len = l;
                return spec->vals[valptr[l] + code - mincode[l]];
            }
        }
        return -1;
    }
};

using DcTable = Table<9>;
using AcTable = Table<11>;

// Reads bits most significant first from data padded with zero bytes; `acc` holds `count`
// valid bits at its top, and at least 32 before each symbol.
struct Bits {
    const std::uint8_t* base = nullptr;
    const std::uint8_t* ptr = nullptr;
    std::uint64_t acc = 0;
    int count = 0;

    static std::uint64_t Load(const std::uint8_t* p) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        if constexpr (std::endian::native == std::endian::little)
            v = __builtin_bswap64(v);
        return v;
    }
    void refill() {
        acc |= Load(ptr) >> count;
        ptr += (63 - count) >> 3;
        count |= 56;
    }
    void seek(std::uint64_t bit) {
        ptr = base + (bit >> 3);
        acc = 0;
        count = 0;
        refill();
        skip(static_cast<int>(bit & 7));
    }
    void skip(int n) {
        acc <<= n;
        count -= n;
    }
    std::uint64_t pos() const { return std::uint64_t(ptr - base) * 8 - std::uint64_t(count); }
    // The next `s` bits (1..16) as the signed value of T.81 F.2.2.1 (EXTEND).
    int value(int s) {
        const int v = static_cast<int>(acc >> (64 - s));
        skip(s);
        return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v;
    }
};

// How a chroma block's quadrant means come from its coefficients. The 8x8 inverse DCT of
// T.81 A.3.3, averaged over a 4x4 quadrant: even frequencies other than 0 average out, and an
// odd frequency's average over the second half is minus that over the first. So a quadrant
// (row i, column j) is DC/8 + sj*H + si*V + si*sj*D, with s = +1 for the first half and -1
// for the second; H sums the terms with odd horizontal and zero vertical frequency, V the
// reverse, D those odd in both.
struct QuadWeights {
    std::uint64_t kept = 0;                // zig-zag positions that count
    std::array<std::uint8_t, 64> sum{};    // which of H, V, D
    std::array<std::int32_t, 64> weight{}; // times the quantiser, scaled by 1 << kQuadShift

    explicit QuadWeights(const std::array<std::uint16_t, 64>& q) {
        auto mean = [](int u) {
            if (u == 0)
                return 1 / std::sqrt(2.0); // C(0)
            double s = 0;
            for (int x = 0; x < 4; ++x)
                s += std::cos((2 * x + 1) * u * M_PI / 16);
            return s / 4;
        };
        for (int k = 1; k < 64; ++k) {
            const int v = kZigzag[k] / 8, u = kZigzag[k] % 8;
            const bool ou = u % 2 == 1, ov = v % 2 == 1;
            if (!((ou && (v == 0 || ov)) || (u == 0 && ov)))
                continue;
            kept |= std::uint64_t{1} << k;
            sum[k] = static_cast<std::uint8_t>(ou && ov ? 2 : ou ? 0 : 1);
            weight[k] = static_cast<std::int32_t>(
                std::lround(mean(u) * mean(v) / 4 * q[k] * (1 << kQuadShift)));
        }
    }
};

} // namespace kivo::jpegdc
