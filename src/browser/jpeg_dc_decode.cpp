#include "browser/jpeg_dc_decode.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "browser/jpeg_dc_parts.h"

namespace kivo {

namespace {

using namespace jpegdc;

// Buffers kept for the next picture are at most about this large.
constexpr std::size_t kKeptBytes = std::size_t{48} << 20;

// Pictures above this many pixels are left to libjpeg.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;

// A sample before the level shift; values far outside 0..255 come only from damaged data.
inline bool Sample(std::int64_t centred, std::uint8_t& out) {
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
    thread_local std::vector<std::uint8_t> luma;
    thread_local std::array<std::vector<std::uint8_t>, 2> chroma;
    luma.resize(pw * ph);
    if (f.ncomp == 3)
        chroma[0].resize(cw * ch), chroma[1].resize(cw * ch);

    // Where each block of an MCU lands: its plane, offset from the MCU's corner and quantiser.
    struct Place {
        std::uint8_t* plane;
        std::size_t stride, dx, dy;
        int c, q0;
    };
    std::array<Place, 6> places{};
    for (int b = 0; b < l.blocksPerMcu; ++b) {
        const int c = l.compOf[b];
        Place& p = places[b];
        p.c = c;
        p.q0 = f.quant[f.comp[c].tq][0];
        if (c == 0)
            p = {luma.data(), pw, std::size_t(b % hY), std::size_t(b / hY), c, p.q0};
        else
            p = {chroma[c - 1].data(), cw, 0, 0, c, p.q0};
    }
    const std::size_t sx = std::size_t(hY), sy = std::size_t(vY), q = l.chromaQuads ? 2 : 1;
    std::array<int, 3> pred{};
    const std::int16_t* dc = values.dcDiff.data();
    const QuadSums* quad = values.quads.data();
    std::size_t m = 0;
    for (std::size_t my = 0; my < std::size_t(l.mcusY); ++my) {
        for (std::size_t mx = 0; mx < std::size_t(l.mcusX); ++mx, ++m) {
            if (f.restartInterval > 0 && m % std::size_t(f.restartInterval) == 0)
                pred = {};
            for (int b = 0; b < l.blocksPerMcu; ++b) {
                const Place& p = places[b];
                int& pr = pred[p.c];
                pr += *dc++;
                if (pr < -2048 || pr > 2047)
                    return std::nullopt;
                const std::int64_t dq = std::int64_t{pr} * p.q0;
                if (p.c == 0 || !l.chromaQuads) {
                    const std::size_t x = p.c == 0 ? mx * sx + p.dx : mx,
                                      y = p.c == 0 ? my * sy + p.dy : my;
                    if (!Sample((dq + 4) >> 3, p.plane[y * p.stride + x]))
                        return std::nullopt;
                    continue;
                }
                const QuadSums& s = *quad++;
                const std::int64_t base =
                    (dq << (kQuadShift - 3)) + (std::int64_t{1} << (kQuadShift - 1));
                const std::int64_t h = s[0], v = s[1], d = s[2];
                std::uint8_t* at = p.plane + (q * my) * p.stride + q * mx;
                if (!Sample((base + h + v + d) >> kQuadShift, at[0]) ||
                    !Sample((base - h + v - d) >> kQuadShift, at[1]) ||
                    !Sample((base + h - v - d) >> kQuadShift, at[p.stride]) ||
                    !Sample((base - h - v + d) >> kQuadShift, at[p.stride + 1]))
                    return std::nullopt;
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
        // Fresh pages for these buffers would cost a tenth of the decoding: they are kept
        // for the thread's next picture, unless they grew very large.
        thread_local ScanData scan;
        thread_local BlockValues values;
        struct Trim {
            ~Trim() {
                if (scan.bytes.size() > kKeptBytes)
                    scan = ScanData{}, values = BlockValues{};
            }
        } trim;
        const Layout layout = LayoutOf(*f);
        if (!Unstuff(jpeg.subspan(f->scanStart), scan) ||
            !DecodeBlocks(*f, layout, scan, threads, values))
            return std::nullopt;
        return Picture(*f, layout, values);
    } catch (const std::exception&) {
        return std::nullopt; // out of memory: libjpeg may still manage
    }
}

} // namespace kivo
