#pragma once
// IPTC records of a JPEG file's APP13 segment (Photoshop image resources): parsing the
// datasets into a record list and editing that list by name.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exif/tag_table.h"

namespace kivo {

class TPhotoData;

// One IPTC dataset the program knows: record:dataset, key, caption, maximum length.
struct IptcTableRow {
    std::uint16_t record;
    std::uint16_t dataset;
    std::string_view key;
    std::string_view caption;
    std::int32_t maxLength;
};

inline constexpr int kIptcTagRows = 49;

// The 49 rows as tag rows: Aux = record, Number = dataset, RawLen = maximum length.
const std::vector<tTagRow>& IptcTagTable();
// Index of the table row with that key (case-insensitive, first match) or -1.
int IptcTableIndexByName(std::string_view name);

// Record fields: Aux = IPTC record number, Number = dataset number, Key = name, Caption =
// readable caption, Shown = the dataset's text, RawLen = the dataset's maximum length.
class TIptcInfo {
public:
    explicit TIptcInfo(TPhotoData* owner);
    virtual ~TIptcInfo() = default;
    TIptcInfo(const TIptcInfo&) = delete;
    TIptcInfo& operator=(const TIptcInfo&) = delete;

    TPhotoData* Owner = nullptr; // not owned

    const std::vector<tTagRow>& Records() const { return records_; }
    int RecordCount() const { return static_cast<int>(records_.size()); }
    int RecordCapacity() const { return capacity_; }
    void Clear();

    // Slot 1: index of the record with that key (case-insensitive) or -1.
    virtual int IndexByName(std::string_view name);
    // Slot 2: removes the record; the later ones move up.
    virtual void RemoveByName(std::string_view name);
    // Slot 3: absent: the table row of that key with Shown = value is added (-1 when the
    // table has no such key); present: Shown = value unless value is empty.
    virtual int SetByName(std::string_view name, std::string_view value);
    // Slot 4: absent: as slot 3; present: value appended after a "," unless it is empty.
    virtual int AddByName(std::string_view name, std::string_view value);
    // Slot 5: multi-valued datasets (record 2, datasets 20 and 25) collect their values
    // (slot 4), every other dataset keeps one value (slot 3).
    virtual int SetOrAddByTableName(std::string_view name, std::string_view value);
    // Slot 6: the record's Shown, or fallback when absent.
    virtual std::string TextByName(std::string_view name, std::string_view fallback);
    // Slot 7: clears the list, reads the file's APP13 segment, parses it; true when records
    // were found. The file is read by a reader of its own, so the owner and this object
    // stay as they are.
    virtual bool ReadFile(const std::string& path);

    // Parses the datasets of an APP13 segment (as stored: length bytes, then the payload);
    // returns the number of records.
    int ParseIptcSegment(std::span<const std::uint8_t> bytes);
    // Reads the dataset whose record byte is at 1-based position p and moves p past its data
    // and the next dataset's 0x1C marker. Records 2 and 8 come from the table (an empty
    // record for a SKIP row, a "Custom_<n>" record when there is no row); other records are
    // empty. p ends past the bytes when the dataset does not fit or no marker follows.
    static tTagRow ReadIptcDataset(std::span<const std::uint8_t> bytes, std::int64_t& p);

private:
    int addRecord(const tTagRow& row);

    std::vector<tTagRow> records_;
    int capacity_ = 0;
};

} // namespace kivo
