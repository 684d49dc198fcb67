// IPTC records: the dataset table, the APP13 parser and the editing operations.

#include "exif/iptc.h"

#include <algorithm>

#include "exif/photo_data.h"
#include "exif/read_limits.h"

namespace kivo {

namespace {

constexpr IptcTableRow kIptcRows[] = {
    {2, 0, "SKIP", "Record Version", 64},
    {2, 3, "ObjectType", "Object Type Ref", 67},
    {2, 4, "ObjectAttr", "Object Attribute Ref", 67},
    {2, 5, "ObjectName", "Object name", 64},
    {2, 7, "EditStatus", "Edit Status", 64},
    {2, 8, "EditorialUpdate", "Editorial Update", 2},
    {2, 10, "Urgency", "Urgency", 1},
    {2, 12, "SubRef", "Subject Reference", 236},
    {2, 15, "Category", "Category", 3},
    {2, 20, "SuppCategory", "Supplemental category", 32},
    {2, 22, "FixtureID", "Fixture ID", 32},
    {2, 25, "Keywords", "Keywords", 64},
    {2, 26, "ContentLocCode", "Content Location Code", 3},
    {2, 27, "ContentLocName", "Content Location Name", 64},
    {2, 30, "ReleaseDate", "Release Date", 8},
    {2, 35, "ReleaseTime", "Release Time", 11},
    {2, 37, "ExpireDate", "Expiration Date", 8},
    {2, 38, "ExpireTime", "Expiration Time", 11},
    {2, 40, "SpecialInstru", "Special Instructions", 256},
    {2, 42, "ActionAdvised", "Action Advised", 2},
    {2, 45, "RefService", "Reference Service", 10},
    {2, 47, "RefDate", "Reference Date", 8},
    {2, 50, "RefNumber", "Reference Number", 8},
    {2, 55, "DateCreated", "Date created", 8},
    {2, 60, "TimeCreated", "Time created", 11},
    {2, 62, "DigitizeDate", "Digital Creation Date", 8},
    {2, 63, "DigitizeTime", "Digital Creation Time", 11},
    {2, 65, "OriginatingProgram", "Originating Program", 32},
    {2, 70, "ProgramVersion", "Program version", 10},
    {2, 75, "ObjectCycle", "Object Cycle", 1},
    {2, 80, "ByLine", "ByLine", 32},
    {2, 85, "ByLineTitle", "ByLine Title", 32},
    {2, 90, "City", "City", 32},
    {2, 92, "SubLocation", "Sublocation", 32},
    {2, 95, "State", "Province/State", 32},
    {2, 100, "LocationCode", "Country/Primary Location Code", 3},
    {2, 101, "LocationName", "Country/Primary Location Name", 64},
    {2, 103, "TransmissionRef", "Original Transmission Reference", 32},
    {2, 105, "ImageHeadline", "Image headline", 256},
    {2, 110, "ImageCredit", "Image credit", 32},
    {2, 115, "Source", "Source", 32},
    {2, 116, "Copyright", "Copyright Notice", 128},
    {2, 118, "Contact", "Contact", 128},
    {2, 120, "ImageCaption", "Image caption", 2000},
    {2, 122, "ImageCaptionWriter", "Image caption writer", 32},
    {2, 130, "ImageType", "Image type", 2},
    {2, 131, "Orientation", "Image Orientation", 1},
    {2, 135, "LangID", "Language ID", 3},
    {8, 10, "Subfile", "Subfile", 2},
};
static_assert(std::size(kIptcRows) == kIptcTagRows);

constexpr std::uint8_t kTagMarker = 0x1C;
constexpr std::string_view kPhotoshopSignature = "Photoshop 3.0";
// Where the datasets are searched from when the signature is absent (1-based).
constexpr std::int64_t kDefaultStart = 13;
constexpr std::int32_t kCustomMaxLength = 64;

bool sameName(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

bool isMultiValued(const tTagRow& row) {
    return row.Aux == 2 && (row.Number == 20 || row.Number == 25);
}

std::uint8_t byteAt(std::span<const std::uint8_t> bytes, std::int64_t pos) {
    return bytes[static_cast<std::size_t>(pos - 1)];
}

bool inside(std::span<const std::uint8_t> bytes, std::int64_t pos) {
    return pos >= 1 && pos <= static_cast<std::int64_t>(bytes.size());
}

} // namespace

const std::vector<tTagRow>& IptcTagTable() {
    static const std::vector<tTagRow> rows = [] {
        std::vector<tTagRow> out;
        for (const IptcTableRow& r : kIptcRows) {
            tTagRow row;
            row.Aux = r.record;
            row.Number = r.dataset;
            row.Key = std::string(r.key);
            row.Caption = std::string(r.caption);
            row.RawLen = r.maxLength;
            out.push_back(std::move(row));
        }
        return out;
    }();
    return rows;
}

int IptcTableIndexByName(std::string_view name) {
    const std::vector<tTagRow>& table = IptcTagTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (sameName(table[i].Key, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

TIptcInfo::TIptcInfo(TPhotoData* owner) : Owner(owner) {}

void TIptcInfo::Clear() {
    records_.clear();
    capacity_ = 0;
}

int TIptcInfo::addRecord(const tTagRow& row) {
    if (row.Number == 0) {
        return -1;
    }
    // The list grows in steps of 25 before it fills.
    if (RecordCount() >= capacity_ - 1) {
        capacity_ += 25;
        records_.reserve(static_cast<std::size_t>(capacity_));
    }
    records_.push_back(row);
    return RecordCount() - 1;
}

int TIptcInfo::IndexByName(std::string_view name) {
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (sameName(records_[i].Key, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TIptcInfo::RemoveByName(std::string_view name) {
    const int i = IndexByName(name);
    if (i >= 0) {
        records_.erase(records_.begin() + i);
    }
}

int TIptcInfo::SetByName(std::string_view name, std::string_view value) {
    const int i = IndexByName(name);
    if (i >= 0) {
        if (!value.empty()) {
            records_[static_cast<std::size_t>(i)].Shown = std::string(value);
        }
        return i;
    }
    const int t = IptcTableIndexByName(name);
    if (t < 0) {
        return -1;
    }
    tTagRow row = IptcTagTable()[static_cast<std::size_t>(t)];
    row.Shown = std::string(value);
    return addRecord(row);
}

int TIptcInfo::AddByName(std::string_view name, std::string_view value) {
    const int i = IndexByName(name);
    if (i < 0) {
        return SetByName(name, value);
    }
    if (!value.empty()) {
        std::string& shown = records_[static_cast<std::size_t>(i)].Shown;
        shown += ',';
        shown += value;
    }
    return i;
}

int TIptcInfo::SetOrAddByTableName(std::string_view name, std::string_view value) {
    const int i = IndexByName(name);
    if (i >= 0 && isMultiValued(records_[static_cast<std::size_t>(i)])) {
        return AddByName(name, value);
    }
    return SetByName(name, value);
}

std::string TIptcInfo::TextByName(std::string_view name, std::string_view fallback) {
    const int i = IndexByName(name);
    return i >= 0 ? records_[static_cast<std::size_t>(i)].Shown : std::string(fallback);
}

bool TIptcInfo::ReadFile(const std::string& path) {
    Clear();
    // A reader of its own: the owner's ClearState would destroy the owner's TIptcInfo, which
    // may be this very object.
    TPhotoData reader(0);
    reader.ReadImageFile(path);
    if (reader.IptcSlot != nullptr) {
        ParseIptcSegment(reader.IptcBytes());
    }
    return RecordCount() > 0;
}

// An APP13 segment as stored:
//   1-2   segment length
//   3..   "Photoshop 3.0\0", then image resources ("8BIM", id, name, size, data); the IPTC
//         resource holds datasets: 0x1C, record, dataset, 16-bit big-endian length, data.
int TIptcInfo::ParseIptcSegment(std::span<const std::uint8_t> bytes) {
    Clear();
    const auto length = static_cast<std::int64_t>(bytes.size());
    std::int64_t p = kDefaultStart;
    const auto sig = std::search(
        bytes.begin(), bytes.end(), kPhotoshopSignature.begin(), kPhotoshopSignature.end(),
        [](std::uint8_t b, char c) { return b == static_cast<std::uint8_t>(c); });
    if (sig != bytes.end()) {
        p = (sig - bytes.begin()) + 1 + static_cast<std::int64_t>(kPhotoshopSignature.size());
    }
    // The first dataset marker of record 2 or 8.
    bool found = false;
    for (std::int64_t q = std::max<std::int64_t>(p, 1); q + 1 <= length; ++q) {
        const std::uint8_t record = byteAt(bytes, q + 1);
        if (byteAt(bytes, q) == kTagMarker && (record == 2 || record == 8)) {
            p = q + 1;
            found = true;
            break;
        }
    }
    if (!found) {
        return 0;
    }
    // The records of datasets 2:20 and 2:25, which collect their values (AddByName): kept
    // at hand so that a segment of many datasets is parsed in linear time. No other
    // dataset gives a record of their names.
    int merged[2] = {-1, -1};
    while (p < length - 2 && RecordCount() < kMaxIptcRecords) {
        const tTagRow row = ReadIptcDataset(bytes, p);
        if (row.Aux == 2 && (row.Number == 20 || row.Number == 25)) {
            int& at = merged[row.Number == 20 ? 0 : 1];
            if (at < 0) {
                at = SetByName(row.Key, row.Shown);
            } else if (!row.Shown.empty()) {
                std::string& shown = records_[static_cast<std::size_t>(at)].Shown;
                shown += ',';
                shown += row.Shown;
            }
        } else {
            addRecord(row);
        }
    }
    return RecordCount();
}

tTagRow TIptcInfo::ReadIptcDataset(std::span<const std::uint8_t> bytes, std::int64_t& p) {
    const auto length = static_cast<std::int64_t>(bytes.size());
    tTagRow row;
    if (!inside(bytes, p) || !inside(bytes, p + 3)) {
        p = length + 1;
        return row;
    }
    const std::uint8_t record = byteAt(bytes, p);
    const std::uint8_t dataset = byteAt(bytes, p + 1);
    const std::int64_t size =
        (static_cast<std::int64_t>(byteAt(bytes, p + 2)) << 8) | byteAt(bytes, p + 3);
    const std::int64_t dataPos = p + 4;
    // A dataset cut short by the end of the segment keeps the bytes that are there.
    const std::int64_t available = std::max<std::int64_t>(0, length - (dataPos - 1));
    const std::int64_t taken = std::min(size, available);
    const auto first = bytes.begin() + (dataPos - 1 <= length ? dataPos - 1 : length);
    const std::string data(first, first + taken);

    if (record == 2 || record == 8) {
        const std::vector<tTagRow>& table = IptcTagTable();
        const auto it = std::find_if(table.begin(), table.end(), [&](const tTagRow& r) {
            return r.Aux == record && r.Number == dataset;
        });
        if (it == table.end()) {
            row.Key = "Custom_" + std::to_string(dataset);
            row.Caption = row.Key;
            row.Number = dataset;
            row.Aux = record;
            row.Shown = data;
            row.RawLen = kCustomMaxLength;
        } else if (!sameName(it->Key, "SKIP")) {
            row = *it;
            row.Shown = data;
        }
    }

    // Past the data and the next dataset's marker; without a marker the datasets have ended
    // (what follows is another image resource or padding).
    const std::int64_t next = dataPos + size;
    if (size > taken || !inside(bytes, next) || byteAt(bytes, next) != kTagMarker) {
        p = length + 1;
    } else {
        p = next + 1;
    }
    return row;
}

} // namespace kivo
