#include "support/container_fixtures.h"

namespace kivo::test {

namespace {

void put32(Bytes& b, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(static_cast<std::uint8_t>(v >> s));
}

void put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}

void putText(Bytes& b, std::string_view s) {
    b.insert(b.end(), s.begin(), s.end());
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

} // namespace

Bytes WithTiffMagic(Bytes tiff, std::string_view magic) {
    tiff[2] = static_cast<std::uint8_t>(magic[0]);
    tiff[3] = static_cast<std::uint8_t>(magic[1]);
    return tiff;
}

Bytes RafFile(const Bytes& jpeg, const Bytes& rawTiff) {
    Bytes b;
    putText(b, "FUJIFILMCCD-RAW 0201FF383501");
    putText(b, std::string(32, '\0').replace(0, 10, "X-T1 TEST "));
    putText(b, "0100");
    b.resize(84, 0);
    const auto jpegAt = static_cast<std::uint32_t>(148);
    const auto rawAt = jpegAt + static_cast<std::uint32_t>(jpeg.size()) + 16;
    put32(b, jpegAt);
    put32(b, static_cast<std::uint32_t>(jpeg.size()));
    put32(b, rawTiff.empty() ? 0 : rawAt); // CFA header
    put32(b, 0);
    put32(b, rawTiff.empty() ? 0 : rawAt);
    put32(b, static_cast<std::uint32_t>(rawTiff.size() + 64));
    b.resize(jpegAt, 0);
    b.insert(b.end(), jpeg.begin(), jpeg.end());
    b.resize(rawAt, 0);
    b.insert(b.end(), rawTiff.begin(), rawTiff.end());
    if (!rawTiff.empty())
        b.resize(b.size() + 64, 0x5A); // raw image bytes
    return b;
}

Bytes MrwFile(const Bytes& tiff) {
    auto block = [](std::string_view name, const Bytes& data) {
        Bytes b;
        putText(b, name);
        put32(b, static_cast<std::uint32_t>(data.size()));
        b.insert(b.end(), data.begin(), data.end());
        return b;
    };
    const Bytes blocks = cat({block(std::string_view("\0PRD", 4), Bytes(24, 1)),
                              block(std::string_view("\0TTW", 4), tiff),
                              block(std::string_view("\0PAD", 4), Bytes(12, 0))});
    Bytes b;
    putText(b, std::string_view("\0MRM", 4));
    put32(b, static_cast<std::uint32_t>(blocks.size()));
    b.insert(b.end(), blocks.begin(), blocks.end());
    b.resize(b.size() + 32, 0x33);
    return b;
}

Bytes Box(std::string_view type, const Bytes& payload) {
    Bytes b;
    put32(b, static_cast<std::uint32_t>(payload.size() + 8));
    putText(b, type);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

Bytes HeifFile(const Bytes& tiff, int ilocVersion, bool inIdat) {
    Bytes item;
    put32(item, 6);
    putText(item, std::string_view("Exif\0\0", 6));
    item.insert(item.end(), tiff.begin(), tiff.end());

    Bytes ftyp;
    putText(ftyp, "heic");
    put32(ftyp, 0);
    putText(ftyp, "mif1heic");
    auto fullBox = [](std::string_view type, int version, const Bytes& rest) {
        Bytes p{static_cast<std::uint8_t>(version), 0, 0, 0};
        p.insert(p.end(), rest.begin(), rest.end());
        return Box(type, p);
    };
    auto infe = [&](std::uint16_t id, std::string_view type) {
        Bytes p;
        put16(p, id);
        put16(p, 0);
        putText(p, type);
        p.push_back(0); // empty name
        return fullBox("infe", 2, p);
    };
    Bytes iinf;
    put16(iinf, 2);
    iinf = cat({iinf, infe(1, "hvc1"), infe(2, "Exif")});
    Bytes hdlr(8, 0);
    putText(hdlr, "pict");
    hdlr.resize(hdlr.size() + 13, 0);
    Bytes pitm;
    put16(pitm, 1);

    // iloc: offset size 4, length size 4, base offset size 0; item 1 (the image) and item 2.
    // The Exif item's offset is patched in once the layout is known.
    auto iloc = [&](std::uint32_t exifOffset) {
        Bytes p{0x44, 0x00};
        if (ilocVersion < 2)
            put16(p, 2);
        else
            put32(p, 2);
        auto entry = [&](std::uint16_t id, int method, std::uint32_t offset, std::uint32_t len) {
            if (ilocVersion < 2)
                put16(p, id);
            else
                put32(p, id);
            if (ilocVersion >= 1)
                put16(p, static_cast<std::uint16_t>(method));
            put16(p, 0); // data reference
            put16(p, 1); // one extent
            put32(p, offset);
            put32(p, len);
        };
        entry(1, 0, 0, 16);
        entry(2, inIdat ? 1 : 0, exifOffset, static_cast<std::uint32_t>(item.size()));
        return fullBox("iloc", ilocVersion, p);
    };
    auto build = [&](std::uint32_t exifOffset) {
        Bytes metaPayload = cat({Box("hdlr", hdlr), fullBox("pitm", 0, pitm),
                                 fullBox("iinf", 0, iinf), iloc(exifOffset)});
        if (inIdat)
            metaPayload = cat({metaPayload, Box("idat", item)});
        const Bytes mdat = inIdat ? Box("mdat", Bytes(16, 0x11)) : Box("mdat", item);
        return cat({Box("ftyp", ftyp), fullBox("meta", 0, metaPayload), mdat});
    };
    if (inIdat)
        return build(0);
    const Bytes draft = build(0);
    // The item is the payload of the last box, mdat.
    return build(static_cast<std::uint32_t>(draft.size() - item.size()));
}

Bytes Cr3File(const Bytes& ifd0Tiff, const Bytes& exifTiff, const Bytes& gpsTiff,
              const Bytes& makerTiff) {
    static constexpr std::uint8_t kCanon[16] = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                                0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
    Bytes uuid(kCanon, kCanon + 16);
    uuid = cat({uuid, Box("CNCV", Bytes{'C', 'a', 'n', 'o', 'n', 'C', 'R', '3'})});
    if (!ifd0Tiff.empty())
        uuid = cat({uuid, Box("CMT1", ifd0Tiff)});
    if (!exifTiff.empty())
        uuid = cat({uuid, Box("CMT2", exifTiff)});
    uuid = cat({uuid, Box("CMT3", makerTiff.empty() ? Bytes{'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0}
                                                    : makerTiff)});
    if (!gpsTiff.empty())
        uuid = cat({uuid, Box("CMT4", gpsTiff)});
    Bytes ftyp;
    putText(ftyp, "crx ");
    put32(ftyp, 1);
    putText(ftyp, "crx isom");
    Bytes mvhd(100, 0);
    return cat({Box("ftyp", ftyp), Box("moov", cat({Box("mvhd", mvhd), Box("uuid", uuid)})),
                Box("mdat", Bytes(32, 0x77))});
}

} // namespace kivo::test
