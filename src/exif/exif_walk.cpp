// The directory walk with its captures, the rendering of its entries and the derived
// 35-mm focal length.

#include "exif/exif_info.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>

#include "exif/hooks.h"
#include "exif/render.h"
#include "exif/status_text.h"

namespace kivo {

namespace {

// Nested directories deeper than this are treated as absent; real files use four levels.
constexpr int kMaxDirectoryDepth = 32;

constexpr int kTagSubIfds = 0x014A;
constexpr int kTagExifIfd = 0x8769;
constexpr int kTagGpsIfd = 0x8825;
constexpr int kTagInteropIfd = 0xA005;
constexpr int kTagMake = 0x010F;
constexpr int kTagModel = 0x0110;
constexpr int kTagDateTime = 0x0132;
constexpr int kTagDateTimeOriginal = 0x9003;
constexpr int kTagDateTimeDigitized = 0x9004;
constexpr int kTagExifVersion = 0x9000;
constexpr int kTagOffsetTime = 0x9010;
constexpr int kTagOffsetTimeDigitized = 0x9012;
constexpr int kTagSubSecTime = 0x9290;
constexpr int kTagSubSecTimeDigitized = 0x9292;
constexpr int kTagMakerNote = 0x927C;
constexpr int kTagFlash = 0x9209;
constexpr int kTagUserComment = 0x9286;
constexpr int kTagImageWidth = 0x0100;
constexpr int kTagImageLength = 0x0101;
constexpr int kTagExifImageWidth = 0xA002;
constexpr int kTagExifImageLength = 0xA003;

std::string cut(std::string_view s, std::size_t n) {
    return std::string(s.substr(0, n));
}

std::string decimal(std::int64_t v) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

std::string hex4(unsigned v) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string s(4, '0');
    for (int i = 3; i >= 0; --i, v >>= 4)
        s[static_cast<std::size_t>(i)] = kDigits[v & 15];
    return s;
}

int roundToInt(double v) {
    const double r = std::nearbyint(v);
    if (!std::isfinite(r) || r > 2147483647.0 || r < -2147483648.0)
        throw ExifFailure("Invalid floating point operation");
    return static_cast<int>(r);
}

bool blankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

void TExifInfo::setOwnerStatus(const char* text) {
    if (Owner)
        SetOwnerStatusText(*Owner, text);
}

std::string TExifInfo::renderText(int tag, int format, std::int64_t byteCount,
                                  std::int32_t valuePos, std::span<const std::uint8_t> raw,
                                  int dirKind, bool bigEndian) {
    const tTagRow& row = RowFor(tag, dirKind);
    std::string text;
    if (format == kFormatAscii) {
        // The last byte, normally the terminating zero, is dropped.
        const auto chars = ExifCursor(bigEndian).take(valuePos, byteCount - 1);
        text.assign(chars.begin(), chars.end());
    } else if (format == kFormatUndefined) {
        const auto zero = std::find(raw.begin(), raw.end(), std::uint8_t{0});
        text = "\"";
        text.append(raw.begin(), zero);
        text += "\"";
    } else {
        text = kivo::RenderNumber(raw, format, row.Choices, row.Pattern, bigEndian);
    }
    if (row.Number > 0 && row.Render)
        text = row.Render(text);
    else
        text = Printable(text);

    if (tag == kTagUserComment) {
        // Skip the 8-byte character-code prefix and the last byte.
        std::string_view comment;
        if (byteCount > 9 && raw.size() > 8) {
            const std::size_t len =
                std::min<std::size_t>(static_cast<std::size_t>(byteCount - 9), raw.size() - 8);
            comment = std::string_view(reinterpret_cast<const char*>(raw.data()) + 8, len);
        }
        while (!comment.empty() && blankOrControl(comment.front()))
            comment.remove_prefix(1);
        while (!comment.empty() && blankOrControl(comment.back()))
            comment.remove_suffix(1);
        userCommentText_ = std::string(comment);
        text = userCommentText_;
        UserCommentPos = valuePos;
        UserCommentLen = byteCount > 9 ? static_cast<std::int32_t>(byteCount - 9) : 0;
    }
    return text;
}

void TExifInfo::appendTraceLine(int tag, const std::string& caption, const std::string& text,
                                std::int64_t byteCount, std::int32_t valuePos) {
    traceText_ += "\r\n";
    if (TraceDepth > 0)
        traceText_ += "tag[$" + hex4(static_cast<unsigned>(tag)) + "]: ";
    traceText_ += caption;
    traceText_ += " = ";
    traceText_ += text;
    if (TraceDepth > 0)
        traceText_ += " [size: " + decimal(byteCount) + "] [start: " + decimal(valuePos) + "]";
}

std::string TExifInfo::RenderEntry(int tag, int format, std::uint32_t /*count*/,
                                   std::int64_t byteCount, std::int32_t valuePos,
                                   std::span<const std::uint8_t> raw, int dirKind) {
    std::string text = renderText(tag, format, byteCount, valuePos, raw, dirKind, BigEndian);
    appendTraceLine(tag, RowFor(tag, dirKind).Caption, text, byteCount, valuePos);
    return text;
}

void TExifInfo::WalkDirectory(std::int64_t dirPos, std::int64_t tiffBase, int dirKind,
                              std::int64_t spanLength) {
    visitedDirs_.clear();
    walk(dirPos, tiffBase, dirKind, spanLength, 0);
}

void TExifInfo::walkNested(std::int64_t dirPos, std::int64_t tiffBase, int dirKind,
                           std::int64_t spanLength, int depth) {
    // A failure inside a nested directory ends that directory only.
    try {
        walk(dirPos, tiffBase, dirKind, spanLength, depth);
    } catch (const std::exception&) {
    }
}

void TExifInfo::walk(std::int64_t dirPos, std::int64_t tiffBase, int dirKind,
                     std::int64_t spanLength, int depth) {
    // Directory: count (2 bytes), then 12-byte entries:
    //   +0 tag (2)  +2 format (2)  +4 component count (4)  +8 value, or offset of the value (4)
    // A value of more than 4 bytes lies at offset + tiffBase.
    if (depth > kMaxDirectoryDepth || Work.entriesExhausted)
        return;
    // Each directory is walked once per kind: cycles of any length end.
    const std::int64_t key = dirPos * 8 + dirKind;
    if (!visitedDirs_.insert(key).second)
        return;

    // A directory beyond the bytes read first is read where it lies (TIFF-structured files).
    if (!walkCursor().has(dirPos, 2))
        fetch(dirPos, 2);
    const auto count = walkCursor().u16(dirPos);
    if (!count)
        return;
    const std::int64_t n = *count;
    if (TraceDepth > 0)
        traceText_ += "\r\nDirectory: Start, entries = " + decimal(dirPos) + ", " + decimal(n);
    if (2 + 12 * n > tiffBase + spanLength) {
        setOwnerStatus(kStatusBadDirectory);
        return;
    }
    if (!walkCursor().has(dirPos, 2 + 12 * n))
        fetch(dirPos, 2 + 12 * n);
    const bool renders = BuildRenders(BuildMode);
    const bool lists = BuildLists(BuildMode);
    for (std::int64_t i = 0; i < n; ++i) {
        // Taken afresh for every entry: the maker-note reader swaps the byte order for a
        // while, and values read from far parts of the file add to the bytes.
        const ByteCursor cur = walkCursor();
        const std::int64_t e = dirPos + 2 + 12 * i;
        if (!cur.has(e, 12))
            break; // the rest of the directory lies outside the bytes
        if (!ChargeEntry())
            return; // this file has had all the entries it may have
        const int tag = *cur.u16(e);
        const int format = *cur.u16(e + 2);
        const std::uint32_t components = *cur.u32(e + 4);
        const std::int64_t byteCount = static_cast<std::int64_t>(FormatSize(format)) * components;
        std::int64_t valuePos = e + 8;
        if (byteCount > 4)
            valuePos = static_cast<std::int32_t>(*cur.u32(e + 8)) + tiffBase;
        if (dirKind == kDirMain &&
            (tag == kTagDateTime || tag == kTagDateTimeOriginal || tag == kTagDateTimeDigitized ||
             (tag >= kTagOffsetTime && tag <= kTagOffsetTimeDigitized) ||
             (tag >= kTagSubSecTime && tag <= kTagSubSecTimeDigitized)))
            StampEntries.push_back({tag, format, components, valuePos});
        if (byteCount == 0)
            continue;
        // A value longer than its limit is never read whole: its first bytes serve the
        // captures (a number, a directory offset), and it is shown as "(N bytes)".
        const std::int64_t limit = tag == kTagMakerNote ? kMaxMakerNoteBytes : kMaxValueBytes;
        const bool tooLong = byteCount > limit;
        const std::int64_t wanted = tooLong ? 8 : byteCount;
        if (byteCount > 4 && !ExifCursor(BigEndian).has(valuePos, wanted))
            fetch(valuePos, wanted);
        const bool valueBigEndian = BigEndian; // the maker note's reader may change it below
        const ByteCursor values = ExifCursor(valueBigEndian);
        if (!values.has(valuePos, 1))
            continue; // the value lies outside the bytes: treated as absent
        const auto pos32 = static_cast<std::int32_t>(valuePos);
        const auto raw = values.take(valuePos, wanted);

        // The value is shown as "(N bytes)" when it is too long to render or when this
        // file has rendered and copied all the value bytes it may.
        const bool shownAsSize =
            (renders || lists) && (byteCount > kMaxValueBytes ||
                                   !ChargeValueBytes(static_cast<std::int64_t>(raw.size())));
        if (shownAsSize)
            ++Work.cappedValues;

        // The text is needed now when a capture uses it, when rendering may fail (which
        // ends this directory) or for the detailed trace; otherwise it waits until asked for.
        const tTagRow& row = RowFor(tag, dirKind);
        const bool eager = !DeferRendering || TraceDepth > 0 || tag == kTagMake ||
                           tag == kTagModel || tag == kTagDateTime || tag == kTagDateTimeOriginal ||
                           tag == kTagUserComment || row.Render == &RenderFlash ||
                           row.Render == &RenderShutter;
        std::string text;
        int deferredIndex = -1;
        // An entry whose text waits, or is kept, for the listing.
        const auto defer = [&](std::size_t traceAt) -> Deferred& {
            Deferred& d = deferred_.emplace_back();
            d.row = &row;
            d.tag = tag;
            d.format = format;
            d.dirKind = dirKind;
            d.bigEndian = valueBigEndian;
            d.byteCount = byteCount;
            d.valuePos = pos32;
            d.rawLen = raw.size();
            d.traceAt = traceAt;
            deferredIndex = static_cast<int>(deferred_.size()) - 1;
            return d;
        };
        if (shownAsSize) {
            if (renders) {
                text = CappedValueText(byteCount);
                appendTraceLine(tag, row.Caption, text, byteCount, pos32);
            }
        } else if (renders && eager) {
            text = RenderEntry(tag, format, components, byteCount, pos32, raw, dirKind);
        } else if (renders || lists) {
            defer(renders ? traceText_.size() : std::string::npos);
        }

        switch (tag) {
        case kTagExifIfd:
        case kTagInteropIfd:
        case kTagSubIfds:
        case kTagGpsIfd:
            if (auto offset = values.u32(valuePos)) {
                const std::int64_t target = static_cast<std::int32_t>(*offset) + tiffBase;
                if (tag == kTagGpsIfd)
                    walkNested(target, tiffBase, kDirGps, spanLength, depth + 1);
                else if (target != dirPos)
                    walkNested(target, tiffBase, kDirMain, spanLength, depth + 1);
            }
            break;
        case kTagMake:
            MakeText = cut(text, 32);
            break;
        case kTagModel:
            ModelText = cut(text, 40);
            break;
        case kTagDateTime:
            ModifyDatePos = pos32;
            DateText = cut(text, 20);
            break;
        case kTagDateTimeOriginal:
            TakenDatePos = pos32;
            DateText = cut(text, 20);
            break;
        case kTagDateTimeDigitized:
            DigitizedDatePos = pos32;
            break;
        case kTagExifVersion:
            VersionRaw.assign(
                raw.begin(),
                raw.begin() + std::min<std::ptrdiff_t>(6, static_cast<std::ptrdiff_t>(raw.size())));
            break;
        case kTagMakerNote: {
            MakerNotePos = pos32;
            // Decoded from a copy of its bytes, which counts against the file's limit.
            if (tooLong || !ChargeValueBytes(static_cast<std::int64_t>(raw.size()))) {
                MakerNoteRaw.clear();
                MakerDecoded = false;
                break;
            }
            MakerNoteRaw.assign(raw.begin(), raw.end());
            const bool bigEndian = BigEndian;
            try {
                MakerDecoded = RunMakerNoteReader(*this);
            } catch (const std::exception&) {
                MakerDecoded = false;
            }
            BigEndian = bigEndian;
            break;
        }
        case kTagFlash:
            FlashValue = roundToInt(NumberOf(raw, format));
            break;
        case kTagImageWidth:
        case kTagExifImageWidth:
            PixelWidth = roundToInt(NumberOf(raw, format));
            WidthValuePos = static_cast<std::int32_t>(e + 8);
            break;
        case kTagImageLength:
        case kTagExifImageLength:
            PixelHeight = roundToInt(NumberOf(raw, format));
            HeightValuePos = static_cast<std::int32_t>(e + 8);
            break;
        default:
            break;
        }

        if (lists && row.Number != 0) {
            try {
                if (deferredIndex < 0 && !shownAsSize) {
                    // Rendered already: listed as a deferred entry whose text is known, which
                    // copies no table row.
                    Deferred& d = defer(std::string::npos); // its line is in the listing
                    d.rendered = true;
                    d.text = std::move(text);
                }
                if (deferredIndex >= 0) {
                    addListItem(deferredIndex, -1, -1);
                } else {
                    tTagRow listed = row;
                    listed.Shown = std::move(text);
                    if (!shownAsSize)
                        listed.RawBytes.assign(raw.begin(), raw.end());
                    listed.RawLen = static_cast<std::int32_t>(listed.RawBytes.size());
                    listed.ValuePos = pos32;
                    listed.Format = static_cast<std::uint16_t>(format);
                    AppendTag(std::move(listed));
                }
            } catch (const std::exception&) {
            }
        }
    }
}

void TExifInfo::Derive35mm() {
    // Every name is looked up in one pass over the list.
    static constexpr std::string_view kNames[] = {
        "FocalLengthin35mmFilm", "FocalPlaneResolutionUnit", "ResolutionUnit",
        "FocalLength",           "FocalPlaneXResolution",    "FocalPlaneYResolution"};
    int at[std::size(kNames)];
    TagIndexesByName(kNames, at);
    if (at[0] >= 0)
        return;
    int unit = roundToInt(numberAt(at[1]));
    if (unit < 1)
        unit = roundToInt(numberAt(at[2]));
    const double factor = unit == 2 ? 25.4 : unit == 3 ? 10.0 : 0.0;
    const double focal = numberAt(at[3]);
    if (factor == 0 || focal == 0)
        return;
    double width = 0;
    double height = 0;
    const int xres = roundToInt(numberAt(at[4]));
    if (xres > 0)
        width = PixelWidth * factor / xres;
    const int yres = roundToInt(numberAt(at[5]));
    if (yres > 0)
        height = PixelHeight * factor / yres;
    if (!(width * height > 0))
        return;
    // Diagonal of a 36 x 24 mm frame over the sensor's diagonal.
    const double conversion = 43.26661531 / std::sqrt(width * width + height * height);
    const int index = TableIndexByName("FocalLengthIn35mmFilm");
    tTagRow row = MainTagTable()[static_cast<std::size_t>(index)];
    row.Shown = FormatFloat("%5.2f", focal * conversion);
    row.RawBytes.clear();
    row.RawLen = 0;
    row.Pattern = "%s mm";
    row.Format = kFormatSRational;
    AppendTag(tTagRow(row));
    appendTraceLine(index, row.Caption, row.Shown, 0, 0);
}

} // namespace kivo
