// The listing and the tag list with their deferred rendering, the lookups by name and the
// date stamps.

#include "exif/exif_info.h"

#include <algorithm>

#include "exif/exif_types.h"
#include "exif/render.h"

namespace kivo {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

} // namespace

bool TExifInfo::DeferRendering = true;

TExifInfo::TExifInfo(TPhotoData* owner, int buildMode) : Owner(owner), BuildMode(buildMode) {
    CompleteTagCaptions();
    if (owner)
        TiffSource = OwnerTiffSource(*owner);
    // Room for a camera file's entries at once instead of growing step by step.
    if (BuildRenders(buildMode) || BuildLists(buildMode)) {
        deferred_.reserve(64);
        items_.reserve(128);
    }
    if (BuildRenders(buildMode))
        traceText_.reserve(1024);
}

TExifInfo::~TExifInfo() = default;

namespace {

// Empties v; storage of more than a mebibyte (a rare, large file) is given back.
template <class T> void clearKeepingSmall(T& v) {
    if (v.capacity() * sizeof(v[0]) > std::size_t{1} << 20)
        T().swap(v);
    else
        v.clear();
}

} // namespace

void TExifInfo::Reset(TPhotoData* owner, int buildMode) {
    Owner = owner;
    BuildMode = buildMode;
    TiffSource = owner ? OwnerTiffSource(*owner) : false;
    BigEndian = false;
    ClearBuffer();
    ModifyDatePos = 0;
    TakenDatePos = 0;
    DigitizedDatePos = 0;
    StampEntries.clear();
    MakeText.clear();
    ModelText.clear();
    DateText.clear();
    VersionRaw.clear();
    PixelWidth = 0;
    PixelHeight = 0;
    WidthValuePos = 0;
    HeightValuePos = 0;
    FlashValue = 0;
    clearKeepingSmall(MakerNoteRaw);
    MakerNotePos = 0;
    MakerDecoded = false;
    UserCommentPos = 0;
    UserCommentLen = 0;
    Work = ReadWork();
    clearKeepingSmall(traceText_);
    traceDone_ = 0;
    clearKeepingSmall(deferred_);
    clearKeepingSmall(rows_);
    clearKeepingSmall(items_);
    clearKeepingSmall(tags_);
    tagCount_ = 0;
    tagCapacity_ = 0;
    userCommentText_.clear();
    clearKeepingSmall(makerTrace_);
    makerTraceDone_ = 0;
    clearKeepingSmall(makerDeferred_);
    clearKeepingSmall(makerBytes_);
    visitedDirs_.clear();
}

const std::string& TExifInfo::TraceText() {
    materializeTrace();
    return traceText_;
}

void TExifInfo::ClearTraceText() {
    traceText_.clear();
    traceDone_ = deferred_.size(); // their lines are gone with the text
}

void TExifInfo::AppendTraceText(std::string_view text) {
    traceText_ += text;
}

const std::vector<tTagRow>& TExifInfo::Tags() {
    materializeTags();
    return tags_;
}

const std::string& TExifInfo::UserCommentText() {
    return userCommentText_;
}

const std::string& TExifInfo::MakerTrace() {
    if (makerTraceDone_ >= makerDeferred_.size())
        return makerTrace_;
    static const std::string kUnknown = "Unknown";
    std::string out;
    std::size_t from = 0;
    for (std::size_t i = makerTraceDone_; i < makerDeferred_.size(); ++i) {
        MakerDeferred& m = makerDeferred_[i];
        out.append(makerTrace_, from, m.traceAt - from);
        from = m.traceAt;
        out += "\r\n";
        out += m.row ? m.row->Caption : kUnknown;
        out += " = ";
        out += makerText(m);
    }
    out.append(makerTrace_, from, std::string::npos);
    makerTrace_ = std::move(out);
    makerTraceDone_ = makerDeferred_.size();
    return makerTrace_;
}

void TExifInfo::DeferMakerEntry(const tTagRow* row, int format, std::span<const std::uint8_t> raw,
                                bool bigEndian) {
    MakerDeferred m;
    m.row = row;
    m.format = format;
    m.bigEndian = bigEndian;
    m.rawAt = makerBytes_.size();
    m.rawLen = raw.size();
    m.traceAt = makerTrace_.size();
    makerBytes_.insert(makerBytes_.end(), raw.begin(), raw.end());
    makerDeferred_.push_back(std::move(m));
    if (row && row->Number != 0)
        addListItem(-1, -1, static_cast<int>(makerDeferred_.size()) - 1);
}

std::string TExifInfo::RenderMakerText(std::span<const std::uint8_t> raw, int format,
                                       const tTagRow* row, bool bigEndian) {
    auto quoted = [](std::span<const std::uint8_t> bytes) {
        std::string s = "\"";
        s.append(bytes.begin(), bytes.end());
        s += '"';
        return s;
    };
    if (format == kFormatAscii) {
        const auto zero = std::find(raw.begin(), raw.end(), std::uint8_t{0});
        return quoted(raw.first(static_cast<std::size_t>(zero - raw.begin())));
    }
    if (format == kFormatUndefined)
        return quoted(raw);
    try {
        return kivo::RenderNumber(raw, format, row ? row->Choices : std::string_view(),
                                  row ? row->Pattern : std::string_view(), bigEndian);
    } catch (const std::exception&) {
        return quoted(raw);
    }
}

std::span<const std::uint8_t> TExifInfo::makerRaw(const MakerDeferred& m) const {
    return std::span<const std::uint8_t>(makerBytes_).subspan(m.rawAt, m.rawLen);
}

const std::string& TExifInfo::makerText(MakerDeferred& m) {
    if (!m.rendered) {
        try {
            m.text = Printable(RenderMakerText(makerRaw(m), m.format, m.row, m.bigEndian));
        } catch (const std::exception&) {
            m.text.clear();
        }
        m.rendered = true;
    }
    return m.text;
}

const std::string& TExifInfo::itemKey(const ListItem& item) const {
    if (item.deferred >= 0)
        return deferredRow(deferred_[static_cast<std::size_t>(item.deferred)]).Key;
    if (item.maker >= 0)
        return makerDeferred_[static_cast<std::size_t>(item.maker)].row->Key;
    return rows_[static_cast<std::size_t>(item.row)].Key;
}

const tTagRow& TExifInfo::deferredRow(const Deferred& d) const {
    return d.row ? *d.row : RowFor(d.tag, d.dirKind);
}

std::span<const std::uint8_t> TExifInfo::deferredRaw(const Deferred& d) const {
    return ExifCursor(d.bigEndian).take(d.valuePos, static_cast<std::int64_t>(d.rawLen));
}

const std::string& TExifInfo::deferredText(Deferred& d) {
    if (!d.rendered) {
        // Only entries whose rendering cannot fail are deferred; the guard keeps the
        // accessors from throwing all the same.
        try {
            d.text = renderText(d.tag, d.format, d.byteCount, d.valuePos, deferredRaw(d), d.dirKind,
                                d.bigEndian);
        } catch (const std::exception&) {
            d.text.clear();
        }
        d.rendered = true;
    }
    return d.text;
}

void TExifInfo::materializeTrace() {
    if (traceDone_ >= deferred_.size())
        return;
    std::string out;
    std::size_t from = 0;
    for (std::size_t i = traceDone_; i < deferred_.size(); ++i) {
        Deferred& d = deferred_[i];
        if (d.traceAt == std::string::npos)
            continue;
        out.append(traceText_, from, d.traceAt - from);
        from = d.traceAt;
        out += "\r\n";
        out += deferredRow(d).Caption;
        out += " = ";
        out += deferredText(d);
    }
    out.append(traceText_, from, std::string::npos);
    traceText_ = std::move(out);
    traceDone_ = deferred_.size();
}

void TExifInfo::materializeTags() {
    tags_.reserve(items_.size());
    while (tags_.size() < items_.size()) {
        const ListItem& item = items_[tags_.size()];
        if (item.maker >= 0) {
            MakerDeferred& m = makerDeferred_[static_cast<std::size_t>(item.maker)];
            tTagRow row = *m.row;
            const auto raw = makerRaw(m);
            row.Shown = makerText(m);
            row.RawBytes.assign(raw.begin(), raw.end());
            row.RawLen = static_cast<std::int32_t>(raw.size());
            row.Format = static_cast<std::uint16_t>(m.format);
            row.Kind = 1;
            tags_.push_back(std::move(row));
            continue;
        }
        if (item.deferred < 0) {
            tags_.push_back(rows_[static_cast<std::size_t>(item.row)]);
            continue;
        }
        Deferred& d = deferred_[static_cast<std::size_t>(item.deferred)];
        tTagRow row = deferredRow(d);
        const auto raw = deferredRaw(d);
        row.Shown = BuildRenders(BuildMode) ? deferredText(d) : std::string();
        row.RawBytes.assign(raw.begin(), raw.end());
        row.RawLen = static_cast<std::int32_t>(raw.size());
        row.ValuePos = d.valuePos;
        row.Format = static_cast<std::uint16_t>(d.format);
        tags_.push_back(std::move(row));
    }
}

std::uint64_t TExifInfo::KeyHead(std::string_view key) {
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < 8 && i < key.size(); ++i) {
        const char c = key[i];
        const char lower = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
        head |= std::uint64_t{static_cast<unsigned char>(lower)} << (8 * i);
    }
    return head;
}

void TExifInfo::addListItem(int deferred, int row, int maker) {
    ListItem item;
    item.deferred = deferred;
    item.row = row;
    item.maker = maker;
    const std::string& key = itemKey(item);
    item.keySize = key.size();
    item.keyHead = KeyHead(key);
    // The capacity is counted as the list's owner expects; the rows are built only when
    // the list is read.
    if (tagCount_ >= tagCapacity_ - 1)
        tagCapacity_ += 25;
    items_.push_back(item);
    ++tagCount_;
}

std::span<const std::uint8_t> TExifInfo::ExifBytes() const {
    if (Owner) {
        if (const auto bytes = OwnerExifBytes(*Owner))
            return *bytes;
    }
    return Buffer;
}

const ByteExtents* TExifInfo::extents() const {
    return Owner ? OwnerExtents(*Owner) : nullptr;
}

ByteCursor TExifInfo::ExifCursor(bool bigEndian) const {
    return ByteCursor(ExifBytes(), bigEndian, extents());
}

ByteCursor TExifInfo::walkCursor() const {
    return ByteCursor(Buffer, BigEndian, extents());
}

bool TExifInfo::fetch(std::int64_t pos, std::int64_t n) {
    return Owner && OwnerFetch(*Owner, pos, n);
}

bool TExifInfo::ChargeEntry() {
    if (Work.entries >= kMaxEntriesPerFile) {
        Work.entriesExhausted = true;
        return false;
    }
    ++Work.entries;
    return true;
}

bool TExifInfo::ChargeValueBytes(std::int64_t n) {
    if (n < 0 || n > kMaxFileValueBytes - Work.valueBytes)
        return false;
    Work.valueBytes += n;
    return true;
}

std::string TExifInfo::CappedValueText(std::int64_t byteCount) {
    return "(" + std::to_string(byteCount) + " bytes)";
}

std::int32_t TExifInfo::BytesToInt(std::span<const std::uint8_t> bytes) const {
    return kivo::BytesToInt(bytes, BigEndian);
}

double TExifInfo::NumberOf(std::span<const std::uint8_t> raw, int format) const {
    return kivo::NumberOf(raw, format, BigEndian);
}

std::string TExifInfo::RenderNumber(std::span<const std::uint8_t> raw, int format,
                                    std::string_view choices, std::string_view pattern) const {
    return kivo::RenderNumber(raw, format, choices, pattern, BigEndian);
}

int TExifInfo::AppendTag(const tTagRow& row) {
    return AppendTag(tTagRow(row));
}

int TExifInfo::AppendTag(tTagRow&& row) {
    if (row.Number != 0) {
        rows_.push_back(std::move(row));
        addListItem(-1, static_cast<int>(rows_.size()) - 1, -1);
    }
    return tagCount_ - 1;
}

int TExifInfo::TagIndexByName(std::string_view name) {
    // Keys are known without rendering anything.
    const std::uint64_t head = KeyHead(name);
    for (int i = 0; i < tagCount_; ++i) {
        const ListItem& item = items_[static_cast<std::size_t>(i)];
        if (item.keySize != name.size() || item.keyHead != head)
            continue;
        if (sameName(itemKey(item), name))
            return i;
    }
    return -1;
}

void TExifInfo::TagIndexesByName(std::span<const std::string_view> names,
                                 std::span<int> indexes) const {
    std::size_t left = names.size();
    std::uint64_t sizes = 0; // bit n: a name of n characters is looked for
    constexpr std::size_t kHeads = 16;
    std::uint64_t heads[kHeads];
    for (std::size_t k = 0; k < names.size(); ++k) {
        indexes[k] = -1;
        if (names[k].size() < 64)
            sizes |= std::uint64_t{1} << names[k].size();
        if (k < kHeads)
            heads[k] = KeyHead(names[k]);
    }
    for (int i = 0; i < tagCount_ && left > 0; ++i) {
        const ListItem& item = items_[static_cast<std::size_t>(i)];
        if (item.keySize < 64 && !((sizes >> item.keySize) & 1))
            continue; // no name of that length is looked for
        for (std::size_t k = 0; k < names.size(); ++k) {
            if (indexes[k] < 0 && item.keySize == names[k].size() &&
                (k >= kHeads || item.keyHead == heads[k]) && sameName(itemKey(item), names[k])) {
                indexes[k] = i;
                --left;
            }
        }
    }
}

std::string TExifInfo::TagTextByName(std::string_view name) {
    return TagTextAt(TagIndexByName(name));
}

std::string TExifInfo::TagTextAt(int i) {
    // The one row's text, as Tags() would give it, without rendering the others.
    if (i < 0 || i >= tagCount_)
        return {};
    if (static_cast<std::size_t>(i) < tags_.size())
        return tags_[static_cast<std::size_t>(i)].Shown;
    const ListItem& item = items_[static_cast<std::size_t>(i)];
    if (item.maker >= 0)
        return makerText(makerDeferred_[static_cast<std::size_t>(item.maker)]);
    if (item.deferred < 0)
        return rows_[static_cast<std::size_t>(item.row)].Shown;
    return BuildRenders(BuildMode)
               ? deferredText(deferred_[static_cast<std::size_t>(item.deferred)])
               : std::string();
}

double TExifInfo::NumberByName(std::string_view name) {
    return numberAt(TagIndexByName(name));
}

double TExifInfo::numberAt(int i) const {
    if (i < 0)
        return 0;
    const ListItem& item = items_[static_cast<std::size_t>(i)];
    if (item.deferred >= 0) {
        const Deferred& d = deferred_[static_cast<std::size_t>(item.deferred)];
        return NumberOf(deferredRaw(d), d.format);
    }
    if (item.maker >= 0) {
        const MakerDeferred& m = makerDeferred_[static_cast<std::size_t>(item.maker)];
        return NumberOf(makerRaw(m), m.format);
    }
    const tTagRow& row = rows_[static_cast<std::size_t>(item.row)];
    return NumberOf(row.RawBytes, row.Format);
}

TDateTime TExifInfo::DateAt(std::int32_t pos) const {
    const auto chars = ExifCursor(BigEndian).take(pos, 19);
    if (chars.size() < 19)
        return 0; // the stamp runs past the end of the bytes
    return ParseExifDate(
        std::string_view(reinterpret_cast<const char*>(chars.data()), chars.size()));
}

TDateTime TExifInfo::ParseExifDate(std::string_view text) {
    // YYYY:MM:DD HH:MM:SS; the separators are not examined.
    auto field = [&](std::size_t first, std::size_t len, int& out) {
        if (first >= text.size())
            return false;
        std::string_view s = text.substr(first, len);
        while (!s.empty() && s.front() == ' ')
            s.remove_prefix(1);
        if (s.empty())
            return false;
        int v = 0;
        for (char c : s) {
            if (c < '0' || c > '9')
                return false;
            v = v * 10 + (c - '0');
        }
        out = v;
        return true;
    };
    int year, month, day, hour, minute, second;
    if (!field(0, 4, year) || !field(5, 2, month) || !field(8, 2, day))
        return 0;
    TDateTime date = 0;
    if (!TryEncodeDate(year, month, day, date))
        return 0;
    if (!field(11, 2, hour) || !field(14, 2, minute) || !field(17, 2, second))
        return 0;
    TDateTime time = 0;
    if (!TryEncodeTime(hour, minute, second, 0, time))
        return 0;
    return ComposeDateTime(date, time);
}

} // namespace kivo
