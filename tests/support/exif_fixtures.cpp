#include "support/exif_fixtures.h"

#include <cstring>
#include <stdexcept>

namespace kivo::test {

int TiffBuilder::AddIfd() {
    ifds_.emplace_back();
    return static_cast<int>(ifds_.size()) - 1;
}

Bytes TiffBuilder::U16(std::uint16_t v) const {
    if (bigEndian_)
        return {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
}

Bytes TiffBuilder::U32(std::uint32_t v) const {
    Bytes b(4);
    for (int i = 0; i < 4; ++i)
        b[static_cast<std::size_t>(bigEndian_ ? 3 - i : i)] = static_cast<std::uint8_t>(v >> (8 * i));
    return b;
}

void TiffBuilder::Entry(int ifd, std::uint16_t tag, std::uint16_t format, std::uint32_t count,
                        const Bytes& valueBytes) {
    Item item;
    item.tag = tag;
    item.format = format;
    item.count = count;
    item.value = valueBytes;
    ifds_.at(static_cast<std::size_t>(ifd)).push_back(item);
}

void TiffBuilder::RawField(int ifd, std::uint16_t tag, std::uint16_t format,
                           std::uint32_t count, std::uint32_t field) {
    Item item;
    item.tag = tag;
    item.format = format;
    item.count = count;
    item.rawField = true;
    item.field = field;
    ifds_.at(static_cast<std::size_t>(ifd)).push_back(item);
}

void TiffBuilder::Link(int ifd, std::uint16_t tag, int targetIfd) {
    Item item;
    item.tag = tag;
    item.format = 4;
    item.count = 1;
    item.link = targetIfd;
    ifds_.at(static_cast<std::size_t>(ifd)).push_back(item);
}

void TiffBuilder::Ascii(int ifd, std::uint16_t tag, std::string_view text) {
    Bytes b(text.begin(), text.end());
    b.push_back(0);
    Entry(ifd, tag, 2, static_cast<std::uint32_t>(b.size()), b);
}

void TiffBuilder::AsciiRaw(int ifd, std::uint16_t tag, std::string_view bytes) {
    Entry(ifd, tag, 2, static_cast<std::uint32_t>(bytes.size()), Bytes(bytes.begin(), bytes.end()));
}

void TiffBuilder::Byte(int ifd, std::uint16_t tag, const std::vector<std::uint8_t>& values) {
    Entry(ifd, tag, 1, static_cast<std::uint32_t>(values.size()), values);
}

void TiffBuilder::Short(int ifd, std::uint16_t tag, const std::vector<std::uint16_t>& values) {
    Bytes b;
    for (auto v : values) {
        auto e = U16(v);
        b.insert(b.end(), e.begin(), e.end());
    }
    Entry(ifd, tag, 3, static_cast<std::uint32_t>(values.size()), b);
}

void TiffBuilder::Long(int ifd, std::uint16_t tag, const std::vector<std::uint32_t>& values) {
    Bytes b;
    for (auto v : values) {
        auto e = U32(v);
        b.insert(b.end(), e.begin(), e.end());
    }
    Entry(ifd, tag, 4, static_cast<std::uint32_t>(values.size()), b);
}

void TiffBuilder::SLong(int ifd, std::uint16_t tag, const std::vector<std::int32_t>& values) {
    Bytes b;
    for (auto v : values) {
        auto e = U32(static_cast<std::uint32_t>(v));
        b.insert(b.end(), e.begin(), e.end());
    }
    Entry(ifd, tag, 9, static_cast<std::uint32_t>(values.size()), b);
}

void TiffBuilder::Rational(int ifd, std::uint16_t tag,
                           const std::vector<std::pair<std::uint32_t, std::uint32_t>>& values) {
    Bytes b;
    for (auto [n, d] : values) {
        auto en = U32(n);
        auto ed = U32(d);
        b.insert(b.end(), en.begin(), en.end());
        b.insert(b.end(), ed.begin(), ed.end());
    }
    Entry(ifd, tag, 5, static_cast<std::uint32_t>(values.size()), b);
}

void TiffBuilder::SRational(int ifd, std::uint16_t tag,
                            const std::vector<std::pair<std::int32_t, std::int32_t>>& values) {
    Bytes b;
    for (auto [n, d] : values) {
        auto en = U32(static_cast<std::uint32_t>(n));
        auto ed = U32(static_cast<std::uint32_t>(d));
        b.insert(b.end(), en.begin(), en.end());
        b.insert(b.end(), ed.begin(), ed.end());
    }
    Entry(ifd, tag, 10, static_cast<std::uint32_t>(values.size()), b);
}

void TiffBuilder::Undefined(int ifd, std::uint16_t tag, const Bytes& bytes) {
    Entry(ifd, tag, 7, static_cast<std::uint32_t>(bytes.size()), bytes);
}

void TiffBuilder::Double(int ifd, std::uint16_t tag, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    Bytes b(8);
    for (int i = 0; i < 8; ++i)
        b[static_cast<std::size_t>(bigEndian_ ? 7 - i : i)] = static_cast<std::uint8_t>(bits >> (8 * i));
    Entry(ifd, tag, 12, 1, b);
}

Bytes TiffBuilder::Build() {
    // Offsets: header (8), gap, directories (2 + 12 n + 4 each), then the long values.
    ifdOffsets_.clear();
    valueOffsets_.clear();
    entryOffsets_.clear();
    std::uint32_t at = 8 + gap_;
    for (const auto& ifd : ifds_) {
        ifdOffsets_.push_back(at);
        at += 2 + 12 * static_cast<std::uint32_t>(ifd.size()) + 4;
    }
    Bytes data;
    const std::uint32_t dataStart = at;
    Bytes out;
    out.push_back(bigEndian_ ? 'M' : 'I');
    out.push_back(bigEndian_ ? 'M' : 'I');
    auto put = [&](const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); };
    put(U16(42));
    put(U32(firstOffsetSet_ ? firstOffset_ : (ifds_.empty() ? 0 : ifdOffsets_[0])));
    out.resize(8 + gap_, 0);
    for (std::size_t i = 0; i < ifds_.size(); ++i) {
        const auto& ifd = ifds_[i];
        put(U16(static_cast<std::uint16_t>(ifd.size())));
        for (const auto& item : ifd) {
            const auto key = std::make_pair(static_cast<int>(i), static_cast<int>(item.tag));
            entryOffsets_[key] = static_cast<std::uint32_t>(out.size());
            put(U16(item.tag));
            put(U16(item.format));
            put(U32(item.count));
            if (item.rawField) {
                valueOffsets_[key] = static_cast<std::uint32_t>(out.size());
                put(U32(item.field));
            } else if (item.link >= 0) {
                valueOffsets_[key] = static_cast<std::uint32_t>(out.size());
                put(U32(ifdOffsets_.at(static_cast<std::size_t>(item.link))));
            } else if (item.value.size() <= 4) {
                valueOffsets_[key] = static_cast<std::uint32_t>(out.size());
                Bytes field = item.value;
                field.resize(4, 0);
                put(field);
            } else {
                const auto offset = dataStart + static_cast<std::uint32_t>(data.size());
                valueOffsets_[key] = offset;
                put(U32(offset));
                data.insert(data.end(), item.value.begin(), item.value.end());
                if (data.size() % 2)
                    data.push_back(0); // word alignment, as TIFF writers do
            }
        }
        put(U32(0));
    }
    if (out.size() != dataStart)
        throw std::logic_error("TiffBuilder layout");
    put(data);
    return out;
}

std::uint32_t TiffBuilder::ValueOffset(int ifd, std::uint16_t tag) const {
    return valueOffsets_.at(std::make_pair(ifd, static_cast<int>(tag)));
}

std::uint32_t TiffBuilder::EntryOffset(int ifd, std::uint16_t tag) const {
    return entryOffsets_.at(std::make_pair(ifd, static_cast<int>(tag)));
}

Segment MakeSegment(std::uint8_t marker, const Bytes& payload) {
    Segment s;
    s.marker = marker;
    s.payload = payload;
    return s;
}

Segment MakeSegment(std::uint8_t marker, std::string_view payload) {
    return MakeSegment(marker, Bytes(payload.begin(), payload.end()));
}

Segment ExifApp1(const Bytes& tiff) {
    Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    return MakeSegment(0xE1, payload);
}

Segment XmpApp1() {
    std::string p = "http://ns.adobe.com/xap/1.0/";
    p.push_back('\0');
    p += "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?><x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
         "<rdf:RDF/></x:xmpmeta><?xpacket end=\"w\"?>";
    return MakeSegment(0xE1, p);
}

Segment App0Jfif() {
    return MakeSegment(0xE0, Bytes{'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 72, 0, 72, 0, 0});
}

Segment Comment(std::string_view text) { return MakeSegment(0xFE, text); }

Bytes JpegFile(const std::vector<Segment>& segments, bool withoutImage) {
    Bytes out = {0xFF, 0xD8};
    auto add = [&](const Segment& s) {
        const int length = s.lengthField ? s.lengthField : static_cast<int>(s.payload.size()) + 2;
        out.push_back(0xFF);
        out.push_back(s.marker);
        out.push_back(static_cast<std::uint8_t>((length >> 8) & 0xFF));
        out.push_back(static_cast<std::uint8_t>(length & 0xFF));
        out.insert(out.end(), s.payload.begin(), s.payload.end());
    };
    for (const auto& s : segments)
        add(s);
    if (!withoutImage) {
        add(MakeSegment(0xDA, Bytes{1, 1, 0, 0, 63, 0}));
        for (int i = 0; i < 64; ++i)
            out.push_back(static_cast<std::uint8_t>(i * 7 + 1));
        out.push_back(0xFF);
        out.push_back(0xD9);
    }
    return out;
}

Bytes JpegWithExif(const Bytes& tiff, bool withApp0) {
    std::vector<Segment> segments;
    if (withApp0)
        segments.push_back(App0Jfif());
    segments.push_back(ExifApp1(tiff));
    return JpegFile(segments);
}

Bytes Truncated(const Bytes& bytes, std::size_t n) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(n, bytes.size())));
}

Bytes CameraTiff(bool bigEndian, const CameraStamps& stamps) {
    TiffBuilder t(bigEndian);
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    t.Ascii(ifd0, 0x010F, stamps.make);
    t.Ascii(ifd0, 0x0110, stamps.model);
    t.Short(ifd0, 0x0112, {1});
    t.Rational(ifd0, 0x011A, {{180, 1}});
    t.Rational(ifd0, 0x011B, {{180, 1}});
    t.Short(ifd0, 0x0128, {2});
    t.Ascii(ifd0, 0x0132, stamps.modified);
    t.Link(ifd0, 0x8769, exif);
    t.Rational(exif, 0x829A, {{1, 125}});
    t.Rational(exif, 0x829D, {{28, 10}});
    t.Undefined(exif, 0x9000, Bytes{'0', '2', '2', '0'});
    t.Ascii(exif, 0x9003, stamps.taken);
    t.Ascii(exif, 0x9004, stamps.digitized);
    t.Short(exif, 0x9209, {0x19});
    t.Rational(exif, 0x920A, {{63, 10}});
    t.Short(exif, 0xA002, {2272});
    t.Short(exif, 0xA003, {1704});
    return t.Build();
}

} // namespace kivo::test
