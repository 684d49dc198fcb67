#include "browser/jpeg_dc_decode.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "browser/jpeg_dc_parts.h"

namespace kivo {

namespace {

using namespace jpegdc;

// Pictures above this many pixels are left to libjpeg.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;

// A sample before the level shift; values far outside 0..255 come only from damaged data.
bool Sample(std::int64_t centred, std::uint8_t& out) {
    const std::int64_t v = centred + 128;
    if (v < -128 || v > 383)
        return false;
    out = static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 255));
    return true;
}

// YCbCr to RGB as JFIF defines it, in 16-bit fixed point rounded to nearest.
struct ColourTables {
    std::array<int, 256> rCr{}, bCb{}, gCb{}, gCr{};
    ColourTables() {
        auto fix = [](double x) { return static_cast<int>(x * 65536 + 0.5); };
        for (int i = 0; i < 256; ++i) {
            const int c = i - 128;
            rCr[i] = (fix(1.40200) * c + 32768) >> 16;
            bCb[i] = (fix(1.77200) * c + 32768) >> 16;
            gCb[i] = -fix(0.34414) * c;
            gCr[i] = -fix(0.71414) * c + 32768;
        }
    }
};

std::uint8_t Clamp(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// The blocks' absolute DC values (the prediction restarts with each restart interval) turned
// into planes of samples, then into the RGB picture.
std::optional<QImage> Picture(const Frame& f, const Layout& l, const BlockValues& values) {
    const int hY = f.ncomp == 3 ? f.comp[0].h : 1, vY = f.ncomp == 3 ? f.comp[0].v : 1;
    const std::size_t pw = std::size_t(l.mcusX) * hY, ph = std::size_t(l.mcusY) * vY;
    const std::size_t cw = std::size_t(l.mcusX) * (l.chromaQuads ? 2 : 1);
    const std::size_t ch = std::size_t(l.mcusY) * (l.chromaQuads ? 2 : 1);
    std::vector<std::uint8_t> luma(pw * ph);
    std::array<std::vector<std::uint8_t>, 2> chroma;
    if (f.ncomp == 3)
        chroma[0].resize(cw * ch), chroma[1].resize(cw * ch);

    std::array<std::int64_t, 3> pred{};
    std::size_t blockAt = 0, quadAt = 0;
    const std::size_t mcus = std::size_t(l.mcusX) * std::size_t(l.mcusY);
    for (std::size_t m = 0; m < mcus; ++m) {
        if (f.restartInterval > 0 && m % std::size_t(f.restartInterval) == 0)
            pred = {};
        const std::size_t mx = m % std::size_t(l.mcusX), my = m / std::size_t(l.mcusX);
        for (int b = 0; b < l.blocksPerMcu; ++b) {
            const int c = l.compOf[b];
            pred[c] += values.dcDiff[blockAt++];
            if (pred[c] < -2048 || pred[c] > 2047)
                return std::nullopt;
            const std::int64_t dq = pred[c] * f.quant[f.comp[c].tq][0];
            if (c == 0) {
                const std::size_t x = mx * hY + std::size_t(b % hY),
                                  y = my * vY + std::size_t(b / hY);
                if (!Sample((dq + 4) >> 3, luma[y * pw + x]))
                    return std::nullopt;
            } else if (!l.chromaQuads) {
                if (!Sample((dq + 4) >> 3, chroma[c - 1][my * cw + mx]))
                    return std::nullopt;
            } else {
                const QuadSums& s = values.quads[quadAt++];
                const std::int64_t base = dq << (kQuadShift - 3);
                for (int i = 0; i < 2; ++i) {
                    for (int j = 0; j < 2; ++j) {
                        const std::int64_t si = i ? -1 : 1, sj = j ? -1 : 1;
                        const std::int64_t v = base + sj * s[0] + si * s[1] + si * sj * s[2];
                        const std::int64_t half = std::int64_t{1} << (kQuadShift - 1);
                        if (!Sample((v + half) >> kQuadShift,
                                    chroma[c - 1][(2 * my + i) * cw + 2 * mx + j]))
                            return std::nullopt;
                    }
                }
            }
        }
    }

    const int ow = (f.width + 7) / 8, oh = (f.height + 7) / 8;
    QImage out(ow, oh, QImage::Format_RGB888);
    if (out.isNull())
        return std::nullopt;
    static const ColourTables t;
    const int chromaStep = f.ncomp == 3 && hY == 2 && vY == 1 ? 2 : 1;
    for (int y = 0; y < oh; ++y) {
        std::uint8_t* row = out.scanLine(y);
        const std::uint8_t* ly = luma.data() + std::size_t(y) * pw;
        if (f.ncomp == 1) {
            for (int x = 0; x < ow; ++x)
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = ly[x];
            continue;
        }
        const std::uint8_t* cb = chroma[0].data() + std::size_t(y) * cw;
        const std::uint8_t* cr = chroma[1].data() + std::size_t(y) * cw;
        for (int x = 0; x < ow; ++x) {
            const int yy = ly[x], b = cb[x / chromaStep], r = cr[x / chromaStep];
            row[3 * x] = Clamp(yy + t.rCr[r]);
            row[3 * x + 1] = Clamp(yy + ((t.gCb[b] + t.gCr[r]) >> 16));
            row[3 * x + 2] = Clamp(yy + t.bCb[b]);
        }
    }
    return out;
}

} // namespace

std::optional<QSize> JpegEighthSize(std::span<const std::uint8_t> head) {
    const auto f = ReadFrame(head);
    if (!f)
        return std::nullopt;
    return QSize(f->width, f->height);
}

std::optional<QImage> DecodeJpegEighth(std::span<const std::uint8_t> jpeg, int threads) {
    try {
        const auto f = ReadFrame(jpeg);
        if (!f || std::uint64_t(f->width) * std::uint64_t(f->height) > kMaxPixels)
            return std::nullopt;
        const auto scan = Unstuff(jpeg.subspan(f->scanStart));
        if (!scan)
            return std::nullopt;
        const Layout layout = LayoutOf(*f);
        const auto values = DecodeBlocks(*f, layout, *scan, threads);
        if (!values)
            return std::nullopt;
        return Picture(*f, layout, *values);
    } catch (const std::exception&) {
        return std::nullopt; // out of memory: libjpeg may still manage
    }
}

} // namespace kivo
