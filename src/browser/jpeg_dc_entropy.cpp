// Huffman decoding of the scan for the one-eighth picture: every symbol is parsed, but only
// DC differences (and for 2x2 chroma the few AC sums its quadrants need) are kept.
//
// Several threads share one picture. With restart markers the intervals are shared out,
// which is exact. Without them the data is cut into pieces and each piece after the first
// is decoded from its cut as if a block started there. Huffman codes fall back into step
// within a few symbols: once the decoder of the piece before reaches a block start (bit
// position and block of the MCU) that the next piece also decoded, both read the same
// symbols from there on, and the next piece's blocks are taken. A piece that never falls
// into step is decoded again in order, so the result is always the exact one.

#include <algorithm>
#include <exception>
#include <memory>
#include <thread>

#include "browser/jpeg_dc_huffman.h"
#include "browser/jpeg_dc_parts.h"

namespace kivo::jpegdc {

namespace {

// Where a run of blocks decoded one after the other started and stopped: the block it did
// not decode, and whether that block could not be decoded.
struct Run {
    std::size_t first = 0;    // index of its first block
    int firstB = 0;           // that block's place in the MCU
    std::uint64_t endPos = 0; // bit position of the block not decoded
    int endB = 0;
    bool failed = false;
};

// A guessing decoder falls into step within a few blocks or not at all: the start positions
// of later blocks are not kept.
constexpr std::size_t kStepBlocks = 4096;

// What one decoder produced from its starting point on, in one or (guessing) more runs.
struct Piece {
    std::vector<std::int16_t> dc;
    std::vector<QuadSums> quads;
    std::vector<std::uint32_t> starts;     // bit position of the first blocks of each run
    std::vector<std::uint32_t> startBlock; // and which block each is
    std::vector<Run> runs;
    void clear() { dc.clear(), quads.clear(), starts.clear(), startBlock.clear(), runs.clear(); }
    // The run holding block j.
    const Run& runOf(std::size_t j) const {
        auto it = std::upper_bound(runs.begin(), runs.end(), j,
                                   [](std::size_t v, const Run& r) { return v < r.first; });
        return *(it - 1);
    }
};

struct Decoder {
    const Layout* layout = nullptr;
    std::uint64_t dataBits = 0;
    std::array<const DcTable*, 6> dc{};
    std::array<const AcTable*, 6> ac{};
    std::array<const QuadWeights*, 6> quad{}; // chroma quads only

    // One block from `bits`; false on a code that is not in the table, a run past the last
    // coefficient or data beyond the end.
    bool block(Bits& br, int b, int& dcDiff, QuadSums* sums) const {
        if (br.count < 32)
            br.refill();
        const DcTable& d = *dc[b];
        LutEntry e = d.lut[br.acc >> (64 - DcTable::kBits)];
        int size = e.size;
        if (e.len == 0) {
            int len = 0;
            size = d.slow(static_cast<std::uint32_t>(br.acc >> 48), len);
            if (size < 0 || size > 11)
                return false;
            e.len = static_cast<std::uint8_t>(len);
        }
        br.skip(e.len);
        dcDiff = size ? br.value(size) : 0;
        const AcTable& a = *ac[b];
        int k = 1;
        if (sums == nullptr) {
            while (k < 64) {
                if (br.count < 32)
                    br.refill();
                e = a.lut[br.acc >> (64 - AcTable::kBits)];
                if (e.len == 0) {
                    if (!slowAc(a, br, e))
                        return false;
                    e.totalN = e.total;
                    e.eobN = e.step == kEob;
                    e.stepN = e.eobN ? 0 : e.step;
                }
                // All the symbols of the entry when they stay within the block.
                const int next = k + e.stepN;
                if (next < 64 || (next == 64 && !e.eobN)) {
                    br.skip(e.totalN);
                    k = e.eobN ? kEob : next;
                } else {
                    br.skip(e.total);
                    k += e.step;
                }
            }
        } else {
            const QuadWeights& w = *quad[b];
            std::int64_t s[3] = {0, 0, 0};
            while (k < 64) {
                if (br.count < 32)
                    br.refill();
                e = a.lut[br.acc >> (64 - AcTable::kBits)];
                if (e.len == 0 && !slowAc(a, br, e))
                    return false;
                const int at = k + e.step - 1;
                if (e.size != 0 && at < 64 && ((w.kept >> at) & 1)) {
                    br.skip(e.len);
                    s[w.sum[at]] += std::int64_t{w.weight[at]} * br.value(e.size);
                } else {
                    br.skip(e.total);
                }
                k += e.step;
            }
            for (int i = 0; i < 3; ++i)
                (*sums)[i] = static_cast<std::int32_t>(std::clamp<std::int64_t>(
                    s[i], -(std::int64_t{1} << 30), std::int64_t{1} << 30));
        }
        // Exactly at the end, or ended by EOB; anything else ran past coefficient 63.
        return (k == 64 || k >= kEob) && br.pos() <= dataBits;
    }

    static bool slowAc(const AcTable& a, const Bits& br, LutEntry& e) {
        int len = 0;
        const int rs = a.slow(static_cast<std::uint32_t>(br.acc >> 48), len);
        int step = 0;
        if (rs < 0 || !AcStep(rs, step))
            return false;
        e.len = static_cast<std::uint8_t>(len);
        e.size = static_cast<std::uint8_t>(rs & 15);
        e.total = static_cast<std::uint8_t>(len + e.size);
        e.step = static_cast<std::uint8_t>(step);
        return true;
    }

    bool quads(int b) const { return quad[b] != nullptr; }

    // Blocks from (start, b) until a block would start at or past `stop` or `limit` blocks
    // are decoded. A guessing decoder that meets data it cannot decode has not guessed a
    // block start, or has run past the scan's end: it ends the run there and guesses again
    // one bit further on.
    void run(const std::uint8_t* data, std::uint64_t start, int b, std::uint64_t stop,
             std::size_t limit, Piece& out, bool guessing = false) const {
        Bits br;
        br.base = data;
        br.seek(start);
        const int bpm = layout->blocksPerMcu;
        out.runs.push_back({out.dc.size(), b});
        for (;;) {
            const std::uint64_t pos = br.pos();
            Run& r = out.runs.back();
            if (pos >= stop || out.dc.size() >= limit) {
                r.endPos = pos;
                r.endB = b;
                return;
            }
            int diff = 0;
            QuadSums sums{};
            if (!block(br, b, diff, quads(b) ? &sums : nullptr)) {
                r.endPos = pos;
                r.endB = b;
                r.failed = true;
                if (!guessing || pos + 1 >= stop)
                    return;
                if (r.first == out.dc.size())
                    out.runs.pop_back(); // an empty run says nothing
                out.runs.push_back({out.dc.size(), 0});
                br.seek(pos + 1);
                b = 0;
                continue;
            }
            if (guessing && out.dc.size() - r.first < kStepBlocks) {
                out.starts.push_back(static_cast<std::uint32_t>(pos));
                out.startBlock.push_back(static_cast<std::uint32_t>(out.dc.size()));
            }
            out.dc.push_back(static_cast<std::int16_t>(diff));
            if (quads(b))
                out.quads.push_back(sums);
            b = b + 1 == bpm ? 0 : b + 1;
        }
    }
};

// Runs f(i) for i in [0, n): i > 0 on threads of their own, 0 here. A thread that cannot be
// started runs its part here afterwards.
template <class F> void InParallel(int n, F&& f) {
    std::vector<std::thread> threads;
    std::vector<int> here;
    for (int i = 1; i < n; ++i) {
        try {
            threads.emplace_back([&f, i] { f(i); });
        } catch (const std::exception&) {
            here.push_back(i);
        }
    }
    f(0);
    for (const int i : here)
        f(i);
    for (auto& t : threads)
        t.join();
}

// Exceptions (memory) inside a piece end it as failed.
bool Guarded(Piece& p, const auto& work) {
    try {
        work();
        return true;
    } catch (const std::exception&) {
        p.clear();
        p.runs.push_back({});
        p.runs.back().failed = true;
        return false;
    }
}

bool Speculative(const Decoder& dec, const ScanData& scan, int threads, BlockValues& v) {
    const std::size_t total = dec.layout->totalBlocks();
    const int bpm = dec.layout->blocksPerMcu;
    // Kept from picture to picture, as the caller's buffers are.
    thread_local std::vector<Piece> kept;
    std::vector<Piece>& pieces = kept; // the threads below must use this thread's pieces
    pieces.resize(static_cast<std::size_t>(threads));
    for (Piece& p : pieces)
        p.clear();
    std::vector<std::uint64_t> cut(static_cast<std::size_t>(threads) + 1);
    for (int i = 0; i <= threads; ++i)
        cut[i] = dec.dataBits / 8 * std::uint64_t(i) / std::uint64_t(threads) * 8;
    cut[threads] = dec.dataBits;
    InParallel(threads, [&](int i) {
        Piece& p = pieces[i];
        Guarded(p, [&] {
            p.dc.reserve(total / std::size_t(threads) + total / 8 / std::size_t(threads) + 64);
            dec.run(scan.bytes.data(), cut[i], 0, cut[i + 1], total, p, i > 0);
        });
    });

    v.dcDiff.clear();
    v.quads.clear();
    v.dcDiff.reserve(total);
    // Takes block `from` of p and the blocks after it in the same run; returns the run.
    auto take = [&](const Piece& p, std::size_t from) -> const Run& {
        const Run& r = p.runOf(from);
        std::size_t q = 0; // quads before `from`
        for (const Run& each : p.runs) {
            if (each.first >= from)
                break;
            const std::size_t upTo =
                std::min(from, &each == &p.runs.back() ? p.dc.size() : (&each + 1)->first);
            for (std::size_t i = each.first, b = std::size_t(each.firstB); i < upTo; ++i) {
                q += dec.quads(int(b));
                b = b + 1 == std::size_t(bpm) ? 0 : b + 1;
            }
        }
        const std::size_t runEnd = &r == &p.runs.back() ? p.dc.size() : (&r + 1)->first;
        const std::size_t n = std::min(runEnd - from, total - v.dcDiff.size());
        std::size_t b = (std::size_t(r.firstB) + (from - r.first)) % std::size_t(bpm);
        v.dcDiff.insert(v.dcDiff.end(), p.dc.begin() + std::ptrdiff_t(from),
                        p.dc.begin() + std::ptrdiff_t(from + n));
        for (std::size_t i = 0; i < n; ++i) {
            if (dec.quads(int(b)))
                v.quads.push_back(p.quads[q++]);
            b = b + 1 == std::size_t(bpm) ? 0 : b + 1;
        }
        return r;
    };

    // Join in order: (pos, b) is the next block of the exact decoding.
    const Run& head = take(pieces[0], 0);
    std::uint64_t pos = head.endPos;
    int b = head.endB;
    bool failed = head.failed;
    std::size_t next = 1, j = 0;
    Piece step;
    while (v.dcDiff.size() < total) {
        if (failed)
            return false;
        // A later piece that decoded a block at (pos, b) is in step from there.
        while (next < pieces.size()) {
            const auto& starts = pieces[next].starts;
            while (j < starts.size() && starts[j] < pos)
                ++j;
            if (j < starts.size())
                break;
            ++next, j = 0;
        }
        if (next < pieces.size() && pieces[next].starts[j] == pos) {
            const Piece& p = pieces[next];
            const std::size_t at = p.startBlock[j];
            const Run& r = p.runOf(at);
            if ((std::size_t(r.firstB) + (at - r.first)) % std::size_t(bpm) == std::size_t(b)) {
                const Run& taken = take(p, at);
                pos = taken.endPos, b = taken.endB, failed = taken.failed;
                ++next, j = 0;
                continue;
            }
        }
        // Not in step yet: one more block in order.
        step.clear();
        dec.run(scan.bytes.data(), pos, b, dec.dataBits, 1, step);
        if (step.dc.empty())
            return false;
        take(step, 0);
        pos = step.runs.back().endPos, b = step.runs.back().endB;
    }
    return true;
}

// Restart intervals: each starts at a known byte with the DC predictions reset, so they are
// decoded apart and put in place.
bool ByIntervals(const Decoder& dec, const Frame& f, const ScanData& scan, int threads,
                 BlockValues& v) {
    const Layout& l = *dec.layout;
    const std::size_t mcus = std::size_t(l.mcusX) * std::size_t(l.mcusY);
    const std::size_t ri = std::size_t(f.restartInterval);
    const std::size_t count = (mcus + ri - 1) / ri;
    if (scan.intervals.size() != count || !scan.restartsInOrder)
        return false;
    const int bpm = l.blocksPerMcu;
    int quadsPerMcu = 0;
    for (int b = 0; b < bpm; ++b)
        quadsPerMcu += dec.quads(b);
    v.dcDiff.resize(l.totalBlocks());
    v.quads.resize(mcus * std::size_t(quadsPerMcu));
    threads = static_cast<int>(std::min<std::size_t>(std::size_t(threads), count));
    std::vector<char> ok(static_cast<std::size_t>(threads), 1);
    InParallel(threads, [&](int t) {
        Piece p;
        bool failed = false;
        failed |= !Guarded(p, [&] {
            for (std::size_t i = count * std::size_t(t) / std::size_t(threads);
                 i < count * std::size_t(t + 1) / std::size_t(threads); ++i) {
                const std::size_t first = i * ri, n = std::min(ri, mcus - first);
                const std::uint64_t end =
                    i + 1 < count ? std::uint64_t{scan.intervals[i + 1]} * 8 : dec.dataBits;
                p.clear();
                dec.run(scan.bytes.data(), std::uint64_t{scan.intervals[i]} * 8, 0, end,
                        n * std::size_t(bpm), p);
                // All its blocks, none reading into the next interval's bytes.
                const Run& r = p.runs.back();
                if (r.failed || p.dc.size() != n * std::size_t(bpm) || r.endPos > end) {
                    failed = true;
                    break;
                }
                std::copy(p.dc.begin(), p.dc.end(),
                          v.dcDiff.begin() + std::ptrdiff_t(first * std::size_t(bpm)));
                std::copy(p.quads.begin(), p.quads.end(),
                          v.quads.begin() + std::ptrdiff_t(first * std::size_t(quadsPerMcu)));
            }
        });
        ok[t] = !failed;
    });
    return std::find(ok.begin(), ok.end(), 0) == ok.end();
}

} // namespace

bool DecodeBlocks(const Frame& f, const Layout& l, const ScanData& scan, int threads,
                  BlockValues& out) {
    // About 40 KiB: not on the stack of a worker thread.
    struct Tables {
        std::array<DcTable, 2> dc;
        std::array<AcTable, 2> ac;
    };
    const auto tables = std::make_unique<Tables>();
    auto& dcTables = tables->dc;
    auto& acTables = tables->ac;
    for (int t = 0; t < 2; ++t) {
        if ((f.dc[t].defined && !dcTables[t].build(f.dc[t], true)) ||
            (f.ac[t].defined && !acTables[t].build(f.ac[t], false)))
            return false;
    }
    std::vector<QuadWeights> weights;
    weights.reserve(2);
    Decoder dec;
    dec.layout = &l;
    dec.dataBits = std::uint64_t(scan.size) * 8;
    for (int b = 0; b < l.blocksPerMcu; ++b) {
        const Component& c = f.comp[l.compOf[b]];
        dec.dc[b] = &dcTables[c.td];
        dec.ac[b] = &acTables[c.ta];
        if (l.chromaQuads && l.compOf[b] != 0)
            dec.quad[b] = &weights.emplace_back(f.quant[c.tq]);
    }
    threads = std::max(1, threads);
    if (f.restartInterval > 0)
        return ByIntervals(dec, f, scan, threads, out);
    if (scan.intervals.size() != 1)
        return false; // restart markers without an interval
    // Pieces too small to be worth a thread are not cut.
    threads = static_cast<int>(std::min<std::size_t>(std::size_t(threads), scan.size / 65536 + 1));
    return Speculative(dec, scan, threads, out);
}

} // namespace kivo::jpegdc
