// Reading the markers before the scan, and taking the stuffing out of the scan's data.

#include <cstring>

#include "browser/jpeg_dc_parts.h"

namespace kivo::jpegdc {

namespace {

// Marker codes (T.81 Table B.1).
constexpr std::uint8_t kSof0 = 0xC0, kDht = 0xC4, kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA,
                       kDqt = 0xDB, kDri = 0xDD, kApp0 = 0xE0, kApp14 = 0xEE, kRst0 = 0xD0,
                       kRst7 = 0xD7, kTem = 0x01;

struct Cursor {
    std::span<const std::uint8_t> b;
    std::size_t at = 0;
    bool has(std::size_t n) const { return n <= b.size() && at <= b.size() - n; }
    int u8() { return b[at++]; }
    int u16() {
        const int v = (b[at] << 8) | b[at + 1];
        at += 2;
        return v;
    }
};

bool Starts(std::span<const std::uint8_t> p, const char* text, std::size_t n) {
    return p.size() >= n && std::memcmp(p.data(), text, n) == 0;
}

// DQT: { Pq<<4 | Tq, 64 values of 8 or 16 bits in zig-zag order } repeated.
bool ReadQuant(std::span<const std::uint8_t> p, Frame& f, std::array<bool, 4>& defined) {
    Cursor c{p};
    while (c.has(1)) {
        const int pq = c.b[c.at] >> 4, tq = c.b[c.at] & 15;
        ++c.at;
        const std::size_t n = pq == 0 ? 64 : 128;
        if (pq > 1 || tq > 3 || !c.has(n))
            return false;
        for (int i = 0; i < 64; ++i)
            f.quant[tq][i] = static_cast<std::uint16_t>(pq == 0 ? c.u8() : c.u16());
        defined[tq] = true;
    }
    return true;
}

// DHT: { Tc<<4 | Th, L1..L16, the Sum(Li) symbols } repeated.
bool ReadHuffman(std::span<const std::uint8_t> p, Frame& f) {
    Cursor c{p};
    while (c.has(17)) {
        const int tc = c.b[c.at] >> 4, th = c.b[c.at] & 15;
        ++c.at;
        if (tc > 1 || th > 3)
            return false;
        HuffSpec& h = tc == 0 ? f.dc[th] : f.ac[th];
        std::size_t count = 0;
        for (int l = 1; l <= 16; ++l) {
            h.bits[l] = static_cast<std::uint8_t>(c.u8());
            count += h.bits[l];
        }
        if (count > 256 || !c.has(count))
            return false;
        for (std::size_t i = 0; i < count; ++i)
            h.vals[i] = static_cast<std::uint8_t>(c.u8());
        h.defined = true;
    }
    return c.at == p.size();
}

// SOF0: P, Y(16), X(16), Nf, then Nf x { C, H<<4 | V, Tq }.
bool ReadSof(std::span<const std::uint8_t> p, Frame& f) {
    if (p.size() < 6 || p[0] != 8)
        return false;
    f.height = (p[1] << 8) | p[2];
    f.width = (p[3] << 8) | p[4];
    f.ncomp = p[5];
    if (f.width == 0 || f.height == 0 || (f.ncomp != 1 && f.ncomp != 3) ||
        p.size() != 6 + 3 * std::size_t(f.ncomp))
        return false;
    for (int i = 0; i < f.ncomp; ++i) {
        Component& k = f.comp[i];
        k.id = p[6 + 3 * i];
        k.h = p[7 + 3 * i] >> 4;
        k.v = p[7 + 3 * i] & 15;
        k.tq = p[8 + 3 * i];
        if (k.tq > 3)
            return false;
        for (int j = 0; j < i; ++j)
            if (f.comp[j].id == k.id)
                return false;
    }
    if (f.ncomp == 1)
        return f.comp[0].h == 1 && f.comp[0].v == 1;
    const int h = f.comp[0].h, v = f.comp[0].v;
    const bool lumaOk = (h == 1 && v == 1) || (h == 2 && v == 1) || (h == 2 && v == 2);
    return lumaOk && f.comp[1].h == 1 && f.comp[1].v == 1 && f.comp[2].h == 1 && f.comp[2].v == 1;
}

// SOS: Ns, Ns x { Cs, Td<<4 | Ta }, Ss, Se, Ah<<4 | Al. One scan holding every component.
bool ReadSos(std::span<const std::uint8_t> p, Frame& f) {
    if (p.empty() || p[0] != f.ncomp || p.size() != 4 + 2 * std::size_t(f.ncomp))
        return false;
    for (int i = 0; i < f.ncomp; ++i) {
        Component& k = f.comp[i];
        if (p[1 + 2 * i] != k.id)
            return false;
        k.td = p[2 + 2 * i] >> 4;
        k.ta = p[2 + 2 * i] & 15;
        if (k.td > 1 || k.ta > 1 || !f.dc[k.td].defined || !f.ac[k.ta].defined)
            return false;
    }
    const std::size_t e = 1 + 2 * std::size_t(f.ncomp);
    return p[e] == 0 && p[e + 1] == 63 && p[e + 2] == 0;
}

} // namespace

std::optional<Frame> ReadFrame(std::span<const std::uint8_t> jpeg) {
    Cursor c{jpeg};
    if (!c.has(2) || c.u8() != 0xFF || c.u8() != kSoi)
        return std::nullopt;
    Frame f;
    std::array<bool, 4> quantDefined{};
    bool sof = false, jfif = false, adobe = false;
    int adobeTransform = -1;
    for (;;) {
        // A marker, possibly after fill bytes, then its segment: length (16, counting
        // itself) and payload.
        if (!c.has(2) || c.u8() != 0xFF)
            return std::nullopt;
        int code = c.u8();
        while (code == 0xFF && c.has(1))
            code = c.u8();
        if (code == kSoi || code == kEoi || code == kTem || (code >= kRst0 && code <= kRst7) ||
            !c.has(2))
            return std::nullopt;
        const int length = c.u16();
        if (length < 2 || !c.has(std::size_t(length - 2)))
            return std::nullopt;
        const auto payload = jpeg.subspan(c.at, std::size_t(length - 2));
        c.at += payload.size();
        bool ok = true;
        if (code == kSof0) {
            ok = !sof && ReadSof(payload, f);
            sof = true;
        } else if ((code & 0xF0) == 0xC0 && code != kDht) {
            return std::nullopt; // another process: progressive, lossless, arithmetic...
        } else if (code == kDht) {
            ok = ReadHuffman(payload, f);
        } else if (code == kDqt) {
            ok = ReadQuant(payload, f, quantDefined);
        } else if (code == kDri) {
            ok = payload.size() == 2;
            if (ok)
                f.restartInterval = (payload[0] << 8) | payload[1];
        } else if (code == kApp0 && Starts(payload, "JFIF\0", 5)) {
            jfif = true;
        } else if (code == kApp14 && Starts(payload, "Adobe", 5) && payload.size() >= 12) {
            adobe = true;
            adobeTransform = payload[11];
        } else if (code == kSos) {
            if (!sof || !ReadSos(payload, f))
                return std::nullopt;
            f.scanStart = c.at;
            break;
        } else if (code < kApp0) {
            return std::nullopt; // DNL, DHP, EXP and reserved codes: not for this decoder
        }
        if (!ok)
            return std::nullopt;
    }
    for (int i = 0; i < f.ncomp; ++i)
        if (!quantDefined[f.comp[i].tq])
            return std::nullopt;
    if (f.ncomp == 3) {
        // Taken only when every reading of the colour space agrees on YCbCr.
        const bool ids123 = f.comp[0].id == 1 && f.comp[1].id == 2 && f.comp[2].id == 3;
        if (adobe ? adobeTransform != 1 : !(jfif || ids123))
            return std::nullopt;
    }
    return f;
}

bool Unstuff(std::span<const std::uint8_t> in, ScanData& s) {
    // Bit positions within the data are kept in 32 bits.
    if (in.size() >= (std::size_t{1} << 29))
        return false;
    // Grown, never shrunk here: pages used before cost nothing to fill again.
    if (s.bytes.size() < in.size() + ScanData::kPadding)
        s.bytes.resize(in.size() + ScanData::kPadding);
    s.intervals.clear();
    s.restartsInOrder = true;
    std::uint8_t* out = s.bytes.data();
    std::size_t o = 0, i = 0;
    int nextRst = 0;
    s.intervals.push_back(0);
    while (i < in.size()) {
        const void* ff = std::memchr(in.data() + i, 0xFF, in.size() - i);
        const std::size_t run =
            ff ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(ff) - in.data()) - i
               : in.size() - i;
        std::memcpy(out + o, in.data() + i, run);
        o += run;
        i += run;
        if (i >= in.size())
            break;
        // 0xFF: a stuffed data byte (FF 00), or fill bytes and a marker.
        std::size_t j = i + 1;
        if (j < in.size() && in[j] == 0x00) {
            out[o++] = 0xFF;
            i = j + 1;
            continue;
        }
        while (j < in.size() && in[j] == 0xFF)
            ++j;
        if (j >= in.size() || in[j] < kRst0 || in[j] > kRst7)
            break; // the end of the scan, or of the bytes there are
        if (in[j] - kRst0 != nextRst)
            s.restartsInOrder = false;
        nextRst = (nextRst + 1) & 7;
        s.intervals.push_back(static_cast<std::uint32_t>(o));
        i = j + 1;
    }
    s.size = o;
    std::memset(out + o, 0, ScanData::kPadding);
    return true;
}

Layout LayoutOf(const Frame& f) {
    Layout l;
    if (f.ncomp == 1) {
        l.mcusX = (f.width + 7) / 8;
        l.mcusY = (f.height + 7) / 8;
        l.blocksPerMcu = 1;
        return l;
    }
    const int h = f.comp[0].h, v = f.comp[0].v;
    l.mcusX = (f.width + 8 * h - 1) / (8 * h);
    l.mcusY = (f.height + 8 * v - 1) / (8 * v);
    l.blocksPerMcu = h * v + 2;
    for (int b = 0; b < l.blocksPerMcu; ++b)
        l.compOf[b] = static_cast<std::uint8_t>(b < h * v ? 0 : b - h * v + 1);
    l.chromaQuads = h == 2 && v == 2;
    return l;
}

} // namespace kivo::jpegdc
