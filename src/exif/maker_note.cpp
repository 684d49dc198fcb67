// Maker-note decoding: the layouts and the choice among them, the maker tables as tag rows
// and their renderers.

#include "exif/maker_note.h"

#include <algorithm>
#include <array>
#include <exception>

#include "exif/byte_order_reader.h"
#include "exif/exif_info.h"
#include "exif/exif_types.h"
#include "exif/render.h"

namespace kivo {

bool CompositeFlag = false;

namespace {

// TIFF base of the reader: a TIFF offset X lies at X + 9 in a JPEG's EXIF segment (after the
// length, "Exif\0\0") and at X - 7 in a TIFF file's buffer (which starts at file offset 8).
constexpr std::int64_t kJpegTiffBase = 9;
constexpr std::int64_t kTiffFileTiffBase = -7;
// A TIFF-file position plus this is the position the JPEG formulas expect.
constexpr std::int32_t kTiffSourceShift = 16;

using L = MakerLayout;
using B = MakerOffsetBase;
using F = MakerFallback;

// The walk parameters per layout, in the order the makers are tested.
const MakerLayoutRow kLayouts[] = {
    {L::NikonEmbeddedTiff, "NIKON", MakerTableId::NikonA, 19, B::EmbeddedTiff, F::None, false},
    {L::NikonHeader, "NIKON", MakerTableId::NikonB, 9, B::ExifTiff, F::ExifTiff, false},
    {L::NikonPlain, "NIKON", MakerTableId::NikonA, 1, B::ExifTiff, F::ExifTiff, false},
    {L::Olympus, "OLYMP", MakerTableId::Olympus, 9, B::ExifTiff, F::ExifTiff, false},
    {L::OlympusNew, "OLYMP", MakerTableId::Olympus, 13, B::NoteStart, F::None, false, 8,
     OlympusSubDirectories()},
    {L::OmSystem, "OM DI", MakerTableId::Olympus, 17, B::NoteStart, F::None, false, 12,
     OlympusSubDirectories()},
    {L::CasioQvc, "CASIO", MakerTableId::CasioA, 7, B::ExifTiff, F::ExifTiff, false},
    {L::CasioPlain, "CASIO", MakerTableId::CasioB, 1, B::ExifTiff, F::ExifTiff, false},
    {L::Fujifilm, "FUJIF", MakerTableId::Fujifilm, 13, B::NoteStart, F::None, true},
    {L::Canon, "CANON", MakerTableId::Canon, 1, B::ExifTiff, F::ExifTiff, false},
    {L::Seiko, "SEIKO", MakerTableId::Seiko, 9, B::ExifTiff, F::ExifTiff, false},
    {L::Sanyo, "SANYO", MakerTableId::Sanyo, 9, B::ExifTiff, F::ExifTiff, false},
    {L::Minolta, "MINOL", MakerTableId::Minolta, 1, B::ExifTiff, F::ExifTiff, false},
};

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperPrefix(std::string_view text, std::size_t n) {
    std::string out(text.substr(0, std::min(n, text.size())));
    std::transform(out.begin(), out.end(), out.begin(), upperAscii);
    return out;
}

bool startsWith(std::span<const std::uint8_t> bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), bytes.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

TagRenderer rendererOf(MakerRenderer r) {
    switch (r) {
    case MakerRenderer::None:
        return nullptr;
    case MakerRenderer::ColourMode:
        return RenderColourMode;
    case MakerRenderer::LensRange:
        return RenderLensRange;
    case MakerRenderer::CameraSettings:
        return RenderCameraSettings;
    case MakerRenderer::ShotInformation:
        return RenderShotInformation;
    case MakerRenderer::CustomFunctions:
        return RenderCustomFunctions;
    }
    return nullptr;
}

std::vector<tTagRow> buildRows(MakerTableId id) {
    std::vector<tTagRow> rows;
    for (const MakerTableRow& m : MakerTableRows(id)) {
        tTagRow r;
        r.Number = m.number;
        r.Key = std::string(m.caption);
        r.Caption = std::string(m.caption);
        r.Choices = std::string(m.choices);
        r.Render = rendererOf(m.renderer);
        rows.push_back(std::move(r));
    }
    return rows;
}

// The text split at every ","; items after the first keep their leading blank.
std::vector<std::string_view> splitItems(std::string_view text) {
    std::vector<std::string_view> items;
    std::size_t start = 0;
    while (true) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) {
            items.push_back(text.substr(start));
            return items;
        }
        items.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

bool isBlank(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' '; });
}

// One line per setting of a composite value; see MakerSettingRow.
std::string renderSettings(const std::string& text, std::span<const MakerSettingRow> settings) {
    CompositeFlag = true;
    const std::vector<std::string_view> items = splitItems(text);
    std::string out;
    for (const MakerSettingRow& s : settings) {
        if (s.item < 1 || static_cast<std::size_t>(s.item) > items.size()) {
            continue;
        }
        std::string_view item = items[static_cast<std::size_t>(s.item) - 1];
        std::string value;
        if (!s.choices.empty()) {
            value = DecodeLabel(s.choices, item);
            if (value.empty()) {
                continue;
            }
        } else {
            if (isBlank(item)) {
                continue;
            }
            value = std::string(item);
        }
        out += kMakerLineBreak;
        out += s.label;
        out += " = ";
        out += value;
    }
    return out;
}

// Restores a reader's byte order when the walk ends, however it ends.
class ByteOrderGuard {
public:
    ByteOrderGuard(TByteOrderReader& reader, bool bigEndian)
        : reader_(reader), saved_(reader.BigEndian) {
        reader_.BigEndian = bigEndian;
    }
    ~ByteOrderGuard() { reader_.BigEndian = saved_; }
    ByteOrderGuard(const ByteOrderGuard&) = delete;
    ByteOrderGuard& operator=(const ByteOrderGuard&) = delete;

private:
    TByteOrderReader& reader_;
    bool saved_;
};

// "MM" or "II" of a maker note's own header (the embedded Nikon layout, the newer Olympus
// ones).
std::optional<bool> embeddedByteOrder(std::span<const std::uint8_t> note, const MakerLayoutRow& p) {
    if (p.byteOrderAt < 0 || note.size() < static_cast<std::size_t>(p.byteOrderAt) + 2) {
        return std::nullopt;
    }
    const auto mark = note.subspan(static_cast<std::size_t>(p.byteOrderAt));
    if (startsWith(mark, "MM")) {
        return true;
    }
    if (startsWith(mark, "II")) {
        return false;
    }
    return std::nullopt;
}

constexpr std::string_view kOlympusNewHeader{"OLYMPUS\0", 8};
constexpr std::string_view kOmSystemHeader{"OM SYSTEM\0\0\0", 12};

// The lowest offset of the values of more than 4 bytes of the directory at countPos, and
// whether with value base `base` all of them lie inside the note after the directory.
struct ValueSpread {
    std::optional<std::int64_t> lowest;
    bool fits = true;
};

ValueSpread valueSpread(const ByteCursor& note, std::int64_t countPos, std::int64_t base) {
    // Entry e: tag (2), format (2), component count (4), value or offset (4).
    ValueSpread spread;
    const std::int64_t n = *note.u16(countPos);
    const std::int64_t entriesEnd = countPos + 2 + 12 * n;
    for (std::int64_t i = 0; i < n; ++i) {
        const std::int64_t e = countPos + 2 + 12 * i;
        const std::int64_t byteCount =
            static_cast<std::int64_t>(FormatSize(*note.u16(e + 2))) * *note.u32(e + 4);
        if (byteCount <= 4) {
            continue;
        }
        const std::int64_t x = static_cast<std::int32_t>(*note.u32(e + 8));
        spread.lowest = spread.lowest ? std::min(*spread.lowest, x) : x;
        if (x + base < entriesEnd || !note.has(x + base, byteCount)) {
            spread.fits = false;
        }
    }
    return spread;
}

// True when the entry count at countPos is above 0 and all its entries lie in the bytes.
bool directoryFits(const ByteCursor& note, std::int64_t countPos) {
    const std::optional<std::uint16_t> n = note.u16(countPos);
    return n && *n > 0 && note.has(countPos + 2, 12 * static_cast<std::int64_t>(*n));
}

} // namespace

std::int64_t CorrectedValueBase(const ByteCursor& note, std::int64_t countPos,
                                std::int64_t valueBase) {
    if (!directoryFits(note, countPos)) {
        return valueBase;
    }
    const ValueSpread spread = valueSpread(note, countPos, valueBase);
    if (spread.fits) {
        return valueBase;
    }
    std::vector<std::int64_t> candidates;
    // Canon ends its maker note with a byte order, 42 and the maker note's TIFF offset when
    // the camera wrote it: a value at offset X then lies at X - offset + 1.
    const std::span<const std::uint8_t> bytes = note.bytes();
    if (bytes.size() >= 8) {
        const auto tail = bytes.last(8);
        const bool ii = startsWith(tail, {"II*\0", 4});
        const bool mm = startsWith(tail, {"MM\0*", 4});
        if (ii || mm) {
            const auto start = ByteCursor(tail, mm).u32(5);
            candidates.push_back(1 - static_cast<std::int64_t>(*start));
        }
    }
    // Otherwise the first value follows the directory and its link to a next one.
    if (spread.lowest) {
        const std::int64_t entriesEnd =
            countPos + 2 + 12 * static_cast<std::int64_t>(*note.u16(countPos));
        candidates.push_back(entriesEnd + 4 - *spread.lowest);
        candidates.push_back(entriesEnd - *spread.lowest);
    }
    for (const std::int64_t base : candidates) {
        if (base != valueBase && valueSpread(note, countPos, base).fits) {
            return base;
        }
    }
    return valueBase;
}

std::span<const MakerLayoutRow> MakerLayoutTable() {
    return kLayouts;
}

const MakerLayoutRow& MakerLayoutParams(MakerLayout layout) {
    return kLayouts[static_cast<std::size_t>(layout)];
}

const std::vector<tTagRow>& MakerTagRows(MakerTableId id) {
    static const std::array<std::vector<tTagRow>, kMakerTableCount> tables = [] {
        std::array<std::vector<tTagRow>, kMakerTableCount> t;
        for (int i = 0; i < kMakerTableCount; ++i) {
            t[static_cast<std::size_t>(i)] = buildRows(static_cast<MakerTableId>(i));
        }
        return t;
    }();
    return tables[static_cast<std::size_t>(id)];
}

std::string RenderColourMode(const std::string& text) {
    const std::string mode = text.size() > 1 ? text.substr(1, 5) : std::string();
    if (mode == "MODE1") {
        return "Mode1 (sRGB)";
    }
    if (mode == "MODE2") {
        return "Mode 2 (Adobe RGB)";
    }
    if (mode == "MODE3") {
        return "Mode 3 (sRGB): higher saturation";
    }
    return mode;
}

std::string RenderLensRange(const std::string& text) {
    std::array<double, 4> v{};
    std::size_t start = 0;
    for (std::size_t i = 0; i < v.size() && start <= text.size(); ++i) {
        const std::size_t sep = text.find(", ", start);
        const std::size_t end = sep == std::string::npos ? text.size() : sep;
        v[i] = FractionValue(std::string_view(text).substr(start, end - start));
        if (sep == std::string::npos) {
            break;
        }
        start = sep + 2;
    }
    // "." as the decimal point whatever the process locale.
    auto one = [](double x) { return FormatFloat("%0.1f", x); };
    return one(v[0]) + "-" + one(v[1]) + "(mm)  F" + one(v[2]) + "-F" + one(v[3]);
}

std::string RenderCameraSettings(const std::string& text) {
    return renderSettings(text, CanonCameraSettingRows());
}

std::string RenderShotInformation(const std::string& text) {
    return renderSettings(text, CanonShotInformationRows());
}

std::string RenderCustomFunctions(const std::string& text) {
    CompositeFlag = true;
    const std::vector<std::string_view> items = splitItems(text);
    std::string out;
    // The last item is not a function: the list ends one short of it.
    for (std::size_t i = 0; i + 1 < items.size(); ++i) {
        std::int32_t v = 0;
        try {
            v = StrToInt(items[i]);
        } catch (const std::exception&) {
            continue;
        }
        if (v < 0 || v > 4095) {
            continue;
        }
        const int function = v / 256;
        const int setting = v % 256;
        for (const CustomFunctionRow& f : CanonCustomFunctionRows()) {
            if (f.function != function) {
                continue;
            }
            const std::string label = DecodeLabel(f.choices, std::to_string(setting));
            if (!label.empty()) {
                out += kMakerLineBreak;
                out += f.label;
                out += " = ";
                out += label;
            }
            break;
        }
    }
    return out;
}

TMakerNoteInfo::TMakerNoteInfo(bool tiffSource, TExifInfo& owner)
    : TiffSource(tiffSource), Owner(&owner),
      MakerNotePos(owner.MakerNotePos + (tiffSource ? kTiffSourceShift : 0)) {}

std::optional<MakerLayout> TMakerNoteInfo::ChooseLayout() const {
    const std::string make = upperPrefix(Owner->MakeText, 5);
    const std::span<const std::uint8_t> note = Owner->MakerNoteRaw;
    if (make == "NIKON") {
        const std::string version(Owner->VersionRaw.begin(), Owner->VersionRaw.end());
        bool embedded = version > "0210";
        if (!embedded && version.empty() && TiffSource) {
            const std::string& model = Owner->ModelText;
            const std::size_t blank = model.find(' ');
            const std::size_t at = blank == std::string::npos ? 0 : blank + 1;
            embedded = at < model.size() && model[at] == 'D';
        }
        if (embedded) {
            return L::NikonEmbeddedTiff;
        }
        return startsWith(note, "Nikon") ? L::NikonHeader : L::NikonPlain;
    }
    if (make == "OLYMP" || make == "OM DI") {
        if (startsWith(note, kOlympusNewHeader)) {
            return L::OlympusNew;
        }
        if (startsWith(note, kOmSystemHeader)) {
            return L::OmSystem;
        }
        if (make == "OLYMP") {
            return L::Olympus;
        }
        return std::nullopt;
    }
    if (make == "CASIO") {
        return startsWith(note, "QVC") ? L::CasioQvc : L::CasioPlain;
    }
    for (const MakerLayoutRow& row : kLayouts) {
        if (row.layout >= L::Fujifilm && make == row.make) {
            return row.layout;
        }
    }
    return std::nullopt;
}

bool TMakerNoteInfo::DecodeMakerNote() {
    const std::optional<MakerLayout> layout = ChooseLayout();
    if (!layout) {
        return false;
    }
    walk(MakerLayoutParams(*layout));
    MakerText = Owner->MakeText;
    return true;
}

void TMakerNoteInfo::walk(const MakerLayoutRow& p) {
    TExifInfo& owner = *Owner;
    const std::span<const std::uint8_t> note = owner.MakerNoteRaw;

    bool bigEndian = owner.BigEndian;
    if (p.littleEndian) {
        bigEndian = false;
    } else if (const std::optional<bool> mark = embeddedByteOrder(note, p)) {
        // The embedded TIFF header says how its directory is written.
        bigEndian = *mark;
    } else if (!directoryFits(ByteCursor(note, bigEndian), p.countPos) &&
               directoryFits(ByteCursor(note, !bigEndian), p.countPos)) {
        // An editor that rewrote the EXIF block in the other byte order leaves the maker note
        // as it was: its entry count then announces more entries than it holds.
        bigEndian = !bigEndian;
    }

    MakerWalkParams params;
    params.countPos = p.countPos;
    switch (p.offsetBase) {
    case B::EmbeddedTiff:
        params.valueBase = 11;
        break;
    case B::ExifTiff:
        params.valueBase = 10 - static_cast<std::int64_t>(MakerNotePos);
        break;
    case B::NoteStart:
        params.valueBase = 1;
        break;
    }
    if (p.fallback == F::ExifTiff) {
        params.fallbackBase = TiffSource ? kTiffFileTiffBase : kJpegTiffBase;
    }
    if (p.offsetBase == B::ExifTiff) {
        // Only offsets counted from the EXIF header go wrong when the maker note moves.
        params.valueBase =
            CorrectedValueBase(ByteCursor(note, bigEndian), params.countPos, params.valueBase);
    }
    params.subDirectories = p.subDirectories;

    ByteOrderGuard order(owner, bigEndian);
    WalkMakerDirectory(owner, note, MakerTagRows(p.table), params);
}

bool TMakerNoteInfo::DecodeCanonTiffMakerNote() {
    // "II" 42 or "MM" 42 (4), offset of the first directory (4); offsets count from byte 0.
    TExifInfo& owner = *Owner;
    const std::span<const std::uint8_t> note = owner.MakerNoteRaw;
    const bool ii = startsWith(note, {"II*\0", 4});
    const bool mm = startsWith(note, {"MM\0*", 4});
    if (!ii && !mm) {
        return false;
    }
    const std::optional<std::uint32_t> first = ByteCursor(note, mm).u32(5);
    if (!first) {
        return false;
    }
    MakerWalkParams params;
    params.countPos = static_cast<std::int64_t>(*first) + 1;
    params.valueBase = 1;
    ByteOrderGuard order(owner, mm);
    WalkMakerDirectory(owner, note, MakerTagRows(MakerTableId::Canon), params);
    MakerText = owner.MakeText;
    return true;
}

} // namespace kivo
