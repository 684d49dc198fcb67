// The walk of one maker directory: its entries rendered into the owner's listing and tag
// list.

#include "exif/maker_note.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>

#include "exif/byte_order_reader.h"
#include "exif/exif_info.h"
#include "exif/exif_types.h"
#include "exif/render.h"

namespace kivo {

namespace {

// TIFF's IFD field type: a LONG holding a directory's offset.
constexpr int kFormatIfd = 13;

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Table rows named "Skip" in any letter case are left out of the listing.
bool isSkipName(std::string_view name) {
    constexpr std::string_view kSkip = "SKIP";
    return name.size() == kSkip.size() &&
           std::equal(name.begin(), name.end(), kSkip.begin(),
                      [](char c, char k) { return upperAscii(c) == k; });
}

std::string hex2(std::uint8_t b) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02X", b);
    return buf;
}

std::string hex4(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
    return buf;
}

// One entry of a maker directory, 12 bytes at entry position e:
//   e+0 tag (16), e+2 format (16), e+4 component count (32), e+8 value or offset (32)
void walkEntries(TExifInfo& owner, const ByteCursor& note, const std::vector<tTagRow>& table,
                 const MakerWalkParams& params) {
    const std::optional<std::uint16_t> count = note.u16(params.countPos);
    if (!count) {
        throw ExifFailure("Maker note of " + std::to_string(note.size()) +
                          " bytes has no entry count at " + std::to_string(params.countPos));
    }
    const ByteCursor exif = owner.ExifCursor(owner.BigEndian);
    const bool render = BuildLists(owner.BuildMode);
    for (int i = 0; i < *count; ++i) {
        const std::int64_t e = params.countPos + 2 + 12 * static_cast<std::int64_t>(i);
        if (!note.has(e, 12)) {
            throw ExifFailure("Maker note entry " + std::to_string(i + 1) + " of " +
                              std::to_string(*count) + " lies outside the maker note's " +
                              std::to_string(note.size()) + " bytes");
        }
        // Maker-note entries count against the file's limits like EXIF entries.
        if (!owner.ChargeEntry()) {
            throw ExifFailure("Maker note entries exceed the " +
                              std::to_string(kMaxEntriesPerFile) + " entries of a file");
        }
        const int tag = *note.u16(e);
        const int format = *note.u16(e + 2);
        const std::uint32_t components = *note.u32(e + 4);
        const std::int64_t byteCount =
            static_cast<std::int64_t>(FormatSize(format)) * static_cast<std::int64_t>(components);

        // A directory of its own: its offset as an IFD or LONG value, or as the offset of
        // UNDEFINED bytes. It is walked like this one, but holds no further directories.
        const auto sub =
            std::find_if(params.subDirectories.begin(), params.subDirectories.end(),
                         [tag](const MakerSubDirectory& d) { return d.number == tag; });
        if (sub != params.subDirectories.end() &&
            (((format == kFormatIfd || format == kFormatLong) && components == 1) ||
             (format == kFormatUndefined && byteCount > 4))) {
            MakerWalkParams inner = params;
            inner.countPos = static_cast<std::int64_t>(*note.u32(e + 8)) + params.valueBase;
            inner.subDirectories = {};
            if (inner.countPos != params.countPos)
                walkEntries(owner, note, MakerTagRows(sub->table), inner);
            continue;
        }

        std::int64_t x = 0;
        std::int64_t valuePos = e + 8;
        if (byteCount > 4) {
            x = static_cast<std::int32_t>(*note.u32(e + 8));
            valuePos = x + params.valueBase;
        }
        std::span<const std::uint8_t> raw;
        if (note.has(valuePos, byteCount)) {
            raw = note.take(valuePos, byteCount);
        } else if (params.fallbackBase) {
            raw = exif.take(*params.fallbackBase + x, byteCount);
        } else {
            raw = note.take(valuePos, byteCount);
        }
        const auto found = std::find_if(table.begin(), table.end(),
                                        [tag](const tTagRow& r) { return r.Number == tag; });
        const tTagRow* row = found != table.end() ? &*found : nullptr;
        static const std::string kUnknown = "Unknown";
        const std::string& name = row ? row->Caption : kUnknown;
        if (isSkipName(name)) {
            continue;
        }
        // A value too long to render is shown as "(N bytes)" and not copied.
        const bool shownAsSize = static_cast<std::int64_t>(raw.size()) > kMaxValueBytes;
        if (shownAsSize) {
            ++owner.Work.cappedValues;
        } else if (!owner.ChargeValueBytes(static_cast<std::int64_t>(raw.size()))) {
            throw ExifFailure("Maker note values exceed " + std::to_string(kMaxFileValueBytes) +
                              " bytes");
        }

        // Without a renderer of its own the text cannot fail to come out, and the plain
        // listing line needs nothing else: it is rendered when the list is read.
        if (render && !shownAsSize && TraceDepth == 0 && TExifInfo::DeferRendering &&
            !(row && row->Render)) {
            owner.DeferMakerEntry(row, format, raw, owner.BigEndian);
            continue;
        }
        std::string rendered;
        if (shownAsSize) {
            rendered = TExifInfo::CappedValueText(byteCount);
        } else if (render) {
            rendered = TExifInfo::RenderMakerText(raw, format, row, owner.BigEndian);
        }

        CompositeFlag = false;
        const std::string shown = shownAsSize            ? rendered
                                  : (row && row->Render) ? row->Render(rendered)
                                                         : Printable(rendered);

        std::string& line = owner.MakerTraceOut();
        if (TraceDepth > 0) {
            line += kMakerLineBreak;
            line += "tag[$" + hex4(tag) + "]: " + name + " = ";
            if (!CompositeFlag) {
                line += shown;
            }
            line += " [size: " + std::to_string(byteCount) + "]";
            line += " [raw: ";
            const std::size_t shownBytes = std::min<std::size_t>(raw.size(), 16);
            for (std::size_t k = 0; k < shownBytes; ++k) {
                line += hex2(raw[k]) + " ";
            }
            if (raw.size() > shownBytes) {
                line += "...";
            }
            line += "]";
            line += " [start: " + std::to_string(valuePos) + "]";
            if (CompositeFlag) {
                line += shown;
            }
        } else if (CompositeFlag) {
            line += shown;
            line += kMakerLineBreak;
            line += name;
            line += " = ";
            line += rendered;
        } else {
            line += kMakerLineBreak;
            line += name;
            line += " = ";
            line += shown;
        }

        if (render && row) {
            tTagRow listed = *row;
            listed.Shown = shown;
            if (!shownAsSize)
                listed.RawBytes.assign(raw.begin(), raw.end());
            listed.RawLen = static_cast<std::int32_t>(listed.RawBytes.size());
            listed.Format = static_cast<std::uint16_t>(format);
            listed.Kind = 1;
            try {
                owner.AppendTag(std::move(listed));
            } catch (const std::exception&) {
                // A row that cannot be listed costs only its place in the list.
            }
        }
    }
}

} // namespace

void WalkMakerDirectory(TExifInfo& owner, std::span<const std::uint8_t> makerNote,
                        const std::vector<tTagRow>& table, const MakerWalkParams& params) {
    const ByteCursor note(makerNote, owner.BigEndian);
    try {
        walkEntries(owner, note, table, params);
    } catch (const std::exception& failure) {
        if (owner.Owner) {
            SetOwnerStatusText(*owner.Owner, std::string(kMakerErrorPrefix) + failure.what());
        }
    }
}

} // namespace kivo
