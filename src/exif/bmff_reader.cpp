// ISO base media files: HEIF/HEIC/AVIF photos and Canon CR3 raw files.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "exif/byte_sources.h"
#include "exif/container_readers.h"
#include "exif/exif_types.h"
#include "exif/read_limits.h"

namespace kivo {

namespace {

using Bytes = std::vector<std::uint8_t>;

// A box: size (4, big-endian; 1 = a 64-bit size follows the type, 0 = to the end of the
// enclosing box), type (4), [64-bit size], payload.
struct Box {
    std::array<char, 4> type{};
    std::int64_t payload = 0; // offset of the payload
    std::int64_t end = 0;     // offset just past the box
    bool is(const char* t) const { return std::memcmp(type.data(), t, 4) == 0; }
};

std::uint64_t beN(const std::uint8_t* p, int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

// Reads the box header at pos, inside [pos, limit); false when it does not fit.
template <class ReadAt>
bool readBox(ReadAt readAt, std::int64_t pos, std::int64_t limit, Box& box) {
    std::uint8_t h[16];
    if (pos < 0 || limit - pos < 8 || readAt(pos, h, 8) != 8)
        return false;
    std::memcpy(box.type.data(), h + 4, 4);
    const std::uint64_t size32 = beN(h, 4);
    std::int64_t header = 8;
    std::uint64_t size = size32;
    if (size32 == 1) {
        if (limit - pos < 16 || readAt(pos + 8, h + 8, 8) != 8)
            return false;
        size = beN(h + 8, 8);
        header = 16;
    } else if (size32 == 0) {
        size = static_cast<std::uint64_t>(limit - pos);
    }
    if (size < static_cast<std::uint64_t>(header) || size > static_cast<std::uint64_t>(limit - pos))
        return false;
    box.payload = pos + header;
    box.end = pos + static_cast<std::int64_t>(size);
    return true;
}

// The boxes of [from, to) of bytes in memory.
struct MemoryBoxes {
    std::span<const std::uint8_t> bytes;
    std::size_t operator()(std::int64_t at, std::uint8_t* out, std::size_t n) const {
        if (at < 0 || static_cast<std::uint64_t>(at) >= bytes.size())
            return 0;
        const std::size_t k = std::min(n, bytes.size() - static_cast<std::size_t>(at));
        std::memcpy(out, bytes.data() + at, k);
        return k;
    }
};

// A bounds-checked big-endian reader over a box's payload in memory.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> b, std::size_t at = 0) : b_(b), at_(at) {}
    std::optional<std::uint64_t> take(int n) {
        if (n == 0)
            return 0;
        if (at_ > b_.size() || b_.size() - at_ < static_cast<std::size_t>(n))
            return std::nullopt;
        const std::uint64_t v = beN(b_.data() + at_, n);
        at_ += static_cast<std::size_t>(n);
        return v;
    }
    bool skip(std::size_t n) {
        if (at_ > b_.size() || b_.size() - at_ < n)
            return false;
        at_ += n;
        return true;
    }
    std::size_t at() const { return at_; }

private:
    std::span<const std::uint8_t> b_;
    std::size_t at_;
};

// Reads n bytes at offset into memory, when n stays within the container limit.
std::optional<Bytes> readBytes(ByteSource& in, std::int64_t offset, std::int64_t n) {
    if (offset < 0 || n < 0 || n > kMaxContainerBoxBytes)
        return std::nullopt;
    Bytes out(static_cast<std::size_t>(n));
    if (in.readAt(offset, out.data(), out.size()) != out.size())
        return std::nullopt;
    return out;
}

struct Extent {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

struct ItemLocation {
    int construction = 0; // 0: file offsets, 1: offsets in the idat box
    std::vector<Extent> extents;
};

// The item id of the first "Exif" item of an iinf payload (after version and flags).
std::optional<std::uint32_t> exifItem(std::span<const std::uint8_t> iinf, int version) {
    // iinf: entry count (2, or 4 from version 1), then infe boxes. infe from version 2:
    // version/flags (4), item id (2; 4 in version 3), protection index (2), item type (4).
    Reader r(iinf, 4);
    const auto count = r.take(version == 0 ? 2 : 4);
    if (!count)
        return std::nullopt;
    const MemoryBoxes mem{iinf};
    std::int64_t pos = static_cast<std::int64_t>(r.at());
    const auto limit = static_cast<std::int64_t>(iinf.size());
    for (std::uint64_t i = 0; i < *count && i < kMaxContainerBoxes; ++i) {
        Box box;
        if (!readBox(mem, pos, limit, box))
            break;
        pos = box.end;
        if (!box.is("infe"))
            continue;
        Reader e(iinf.subspan(static_cast<std::size_t>(box.payload),
                              static_cast<std::size_t>(box.end - box.payload)));
        const auto vf = e.take(4);
        if (!vf || (*vf >> 24) < 2)
            continue; // versions 0 and 1 have no item type
        const auto id = e.take((*vf >> 24) == 2 ? 2 : 4);
        const auto protection = e.take(2);
        const auto type = e.take(4);
        if (id && protection && type && *type == 0x45786966) // "Exif"
            return static_cast<std::uint32_t>(*id);
    }
    return std::nullopt;
}

// Where the item lies, from an iloc payload.
std::optional<ItemLocation> locate(std::span<const std::uint8_t> iloc, std::uint32_t item) {
    // iloc: version/flags (4); offset size (4 bits), length size (4), base offset size (4),
    // index size (4; reserved in version 0); item count (2; 4 in version 2); per item:
    // id (2; 4 in version 2), [construction method (2) from version 1], data reference
    // index (2), base offset, extent count (2), extents: [index], offset, length.
    Reader r(iloc);
    const auto vf = r.take(4);
    const auto sizes = r.take(2);
    if (!vf || !sizes)
        return std::nullopt;
    const int version = static_cast<int>(*vf >> 24);
    const int offsetSize = static_cast<int>(*sizes >> 12) & 15;
    const int lengthSize = static_cast<int>(*sizes >> 8) & 15;
    const int baseSize = static_cast<int>(*sizes >> 4) & 15;
    const int indexSize = version >= 1 ? static_cast<int>(*sizes) & 15 : 0;
    auto valid = [](int n) { return n == 0 || n == 4 || n == 8; };
    if (version > 2 || !valid(offsetSize) || !valid(lengthSize) || !valid(baseSize) ||
        !valid(indexSize))
        return std::nullopt;
    const auto count = r.take(version < 2 ? 2 : 4);
    if (!count)
        return std::nullopt;
    for (std::uint64_t i = 0; i < *count && i < kMaxContainerBoxes; ++i) {
        const auto id = r.take(version < 2 ? 2 : 4);
        ItemLocation loc;
        if (version >= 1) {
            const auto method = r.take(2);
            if (!method)
                return std::nullopt;
            loc.construction = static_cast<int>(*method & 15);
        }
        const auto dataRef = r.take(2);
        const auto base = r.take(baseSize);
        const auto extents = r.take(2);
        if (!id || !dataRef || !base || !extents)
            return std::nullopt;
        for (std::uint64_t k = 0; k < *extents; ++k) {
            const auto index = r.take(indexSize);
            const auto offset = r.take(offsetSize);
            const auto length = r.take(lengthSize);
            if (!index || !offset || !length)
                return std::nullopt;
            if (*offset > UINT64_MAX - *base)
                return std::nullopt;
            loc.extents.push_back({*base + *offset, *length});
        }
        if (*id == item)
            return loc;
    }
    return std::nullopt;
}

// The bytes of an item: its extents one after another, within the container limit.
std::optional<Bytes> itemBytes(ByteSource& in, const ItemLocation& loc,
                               std::span<const std::uint8_t> idat) {
    Bytes out;
    for (const Extent& e : loc.extents) {
        // A length of 0 means to the end of the file (or of the idat box).
        const std::uint64_t whole = loc.construction == 1 ? idat.size()
                                    : in.size() >= 0      ? static_cast<std::uint64_t>(in.size())
                                                          : 0;
        if (e.offset > whole)
            return std::nullopt;
        const std::uint64_t length = e.length == 0 ? whole - e.offset : e.length;
        if (length > whole - e.offset ||
            length > static_cast<std::uint64_t>(kMaxContainerBoxBytes) - out.size())
            return std::nullopt;
        if (length == 0)
            continue; // an empty idat box, or an extent at the very end
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(length));
        if (loc.construction == 1) {
            std::memcpy(out.data() + at, idat.data() + e.offset, static_cast<std::size_t>(length));
        } else if (loc.construction == 0) {
            if (in.readAt(static_cast<std::int64_t>(e.offset), out.data() + at,
                          static_cast<std::size_t>(length)) != length)
                return std::nullopt;
        } else {
            return std::nullopt; // items built from other items: not for EXIF
        }
    }
    return out;
}

bool readHeifMeta(TPhotoData& photo, ByteSource& in, const Box& meta) {
    // meta is a full box: version/flags (4), then boxes (hdlr, pitm, iinf, iloc, idat, ...).
    const auto bytes = readBytes(in, meta.payload, meta.end - meta.payload);
    if (!bytes || bytes->size() < 4)
        return false;
    const MemoryBoxes mem{*bytes};
    std::span<const std::uint8_t> iinf, iloc, idat;
    int iinfVersion = 0;
    std::int64_t pos = 4;
    for (int n = 0; n < kMaxContainerBoxes; ++n) {
        Box box;
        if (!readBox(mem, pos, static_cast<std::int64_t>(bytes->size()), box))
            break;
        const auto payload = std::span<const std::uint8_t>(*bytes).subspan(
            static_cast<std::size_t>(box.payload), static_cast<std::size_t>(box.end - box.payload));
        if (box.is("iinf") && !payload.empty()) {
            iinf = payload;
            iinfVersion = payload[0];
        } else if (box.is("iloc")) {
            iloc = payload;
        } else if (box.is("idat")) {
            idat = payload;
        }
        pos = box.end;
    }
    const auto item = exifItem(iinf, iinfVersion);
    if (!item)
        return false;
    const auto loc = locate(iloc, *item);
    if (!loc)
        return false;
    const auto exif = itemBytes(in, *loc, idat);
    // The item: offset of the TIFF header after this field (4, big-endian; usually 6, for
    // "Exif\0\0"), then the TIFF structure.
    if (!exif || exif->size() < 4)
        return false;
    const std::uint64_t skip = beN(exif->data(), 4);
    if (skip > exif->size() - 4)
        return false;
    // An item in one piece of the file itself can have its stamps rewritten in place.
    const bool inPlace = loc->construction == 0 && loc->extents.size() == 1 && in.tell() >= 0 &&
                         loc->extents[0].offset <= static_cast<std::uint64_t>(INT64_MAX / 2);
    const std::int64_t at =
        inPlace ? static_cast<std::int64_t>(loc->extents[0].offset + 4 + skip) : -1;
    MemorySource tiff(std::span<const std::uint8_t>(*exif).subspan(4 + skip), at);
    return photo.ReadTiffStream(tiff);
}

// Canon's metadata box in moov.
constexpr std::uint8_t kCanonUuid[16] = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                         0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};

bool readCr3Moov(TPhotoData& photo, ByteSource& in, const Box& moov) {
    // moov > uuid (Canon) > CMT1 (IFD0), CMT2 (EXIF directory), CMT3 (maker note),
    // CMT4 (GPS directory): each a complete TIFF structure.
    auto readAt = [&in](std::int64_t at, std::uint8_t* out, std::size_t n) {
        return in.readAt(at, out, n);
    };
    std::int64_t pos = moov.payload;
    for (int n = 0; n < kMaxContainerBoxes; ++n) {
        Box box;
        if (!readBox(readAt, pos, moov.end, box))
            return false;
        pos = box.end;
        std::uint8_t uuid[16];
        if (!box.is("uuid") || box.end - box.payload < 16 ||
            in.readAt(box.payload, uuid, 16) != 16 || std::memcmp(uuid, kCanonUuid, 16) != 0)
            continue;
        std::vector<TiffPiece> pieces;
        std::int64_t at = box.payload + 16;
        for (int k = 0; k < kMaxContainerBoxes; ++k) {
            Box child;
            if (!readBox(readAt, at, box.end, child))
                break;
            at = child.end;
            const bool ifd0 = child.is("CMT1"), exif = child.is("CMT2"), gps = child.is("CMT4");
            const bool maker = child.is("CMT3");
            if (!ifd0 && !exif && !gps && !maker)
                continue;
            auto bytes = readBytes(in, child.payload, child.end - child.payload);
            if (!bytes)
                continue;
            pieces.push_back({std::move(*bytes), gps ? kDirGps : kDirMain, maker});
        }
        const bool walkable = std::any_of(pieces.begin(), pieces.end(),
                                          [](const TiffPiece& p) { return !p.canonMakerNote; });
        return walkable && ReadTiffPieces(photo, pieces);
    }
    return false;
}

} // namespace

bool ReadBmffStream(TPhotoData& photo, ByteSource& in) {
    // Top-level boxes: ftyp (brands), then meta (HEIF) or moov (CR3), mdat, ...
    auto readAt = [&in](std::int64_t at, std::uint8_t* out, std::size_t n) {
        return in.readAt(at, out, n);
    };
    const std::int64_t size = in.size() >= 0 ? in.size() : INT64_MAX;
    std::int64_t pos = 0;
    for (int n = 0; n < kMaxContainerBoxes; ++n) {
        Box box;
        if (!readBox(readAt, pos, size, box))
            return false;
        if (n == 0 && !box.is("ftyp"))
            return false;
        if (box.is("meta"))
            return readHeifMeta(photo, in, box);
        if (box.is("moov"))
            return readCr3Moov(photo, in, box);
        pos = box.end;
    }
    return false;
}

} // namespace kivo
