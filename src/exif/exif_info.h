#pragma once
// The EXIF/TIFF directory reader of one file: walks the directories, records where the
// date stamps are, captures a few camera facts and builds the rendered listing and the
// tag list.

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exif/byte_order_reader.h"
#include "exif/exif_types.h"
#include "exif/read_limits.h"
#include "exif/tag_table.h"
#include "platform/datetime.h"

namespace kivo {

class TPhotoData;

// The facts of its owner the reader uses, defined with TPhotoData (photo_data.cpp) so that
// the reader does not depend on the owner's declaration.
// The bytes of the owner's EXIF segment (or of the TIFF file); none while it has no slot.
std::optional<std::span<const std::uint8_t>> OwnerExifBytes(const TPhotoData& owner);
bool OwnerTiffSource(const TPhotoData& owner);
void SetOwnerStatusText(TPhotoData& owner, std::string_view text);
// The parts of a TIFF-structured file read beyond its first bytes; none for a JPEG.
const ByteExtents* OwnerExtents(const TPhotoData& owner);
// Reads the n bytes from EXIF position pos where they lie in the file, when the owner is
// reading a TIFF-structured file and its limits allow; true when something was read.
bool OwnerFetch(TPhotoData& owner, std::int64_t pos, std::int64_t n);

class TExifInfo : public TByteOrderReader {
public:
    TExifInfo(TPhotoData* owner, int buildMode);
    ~TExifInfo() override;
    // Back to the state of a new reader of owner, keeping the storage it has grown (the
    // owner reads file after file with one reader).
    void Reset(TPhotoData* owner, int buildMode);
    TExifInfo(const TExifInfo&) = delete;
    TExifInfo& operator=(const TExifInfo&) = delete;

    TPhotoData* Owner = nullptr; // not owned
    int BuildMode = 0;
    bool TiffSource = false;

    // 1-based positions of the stamps' values in the EXIF bytes; 0 until met.
    std::int32_t ModifyDatePos = 0;    // DateTime 0x0132
    std::int32_t TakenDatePos = 0;     // DateTimeOriginal 0x9003
    std::int32_t DigitizedDatePos = 0; // DateTimeDigitized 0x9004

    // Every DateTime, DateTimeOriginal, DateTimeDigitized and OffsetTime* entry met, as its
    // directory describes it, in the order walked: what a rewrite of the stamps checks.
    struct StampEntry {
        int tag = 0;
        int format = 0;
        std::uint32_t count = 0;
        std::int64_t valuePos = 0; // where the value lies by the entry; maybe outside the bytes
    };
    std::vector<StampEntry> StampEntries;

    std::string MakeText;                 // at most 32 characters
    std::string ModelText;                // at most 40
    std::string DateText;                 // at most 20
    std::vector<std::uint8_t> VersionRaw; // at most 6 bytes

    int PixelWidth = 0;
    int PixelHeight = 0;
    std::int32_t WidthValuePos = 0;
    std::int32_t HeightValuePos = 0;
    int FlashValue = 0;

    // Input to and result of the maker-note reader (see hooks.h).
    std::vector<std::uint8_t> MakerNoteRaw;
    std::int32_t MakerNotePos = 0;
    bool MakerDecoded = false;
    // The listing of the decoded maker note, complete: lines whose rendering was deferred
    // are rendered when it is read.
    const std::string& MakerTrace();
    // The maker-note walk appends its lines here, in the order walked.
    std::string& MakerTraceOut() { return makerTrace_; }
    // Appends a maker-note entry whose text is rendered only when it is read: its listing
    // line (caption = shown text; "Unknown" without a row) and, for a row with a number, a
    // row of the tag list. Only for rows without a renderer of their own, whose text cannot
    // fail to come out.
    void DeferMakerEntry(const tTagRow* row, int format, std::span<const std::uint8_t> raw,
                         bool bigEndian);
    // The text of a maker-note value before it is made printable or given to the row's
    // renderer: quoted bytes, or the number rendered with the row's choices and pattern.
    static std::string RenderMakerText(std::span<const std::uint8_t> raw, int format,
                                       const tTagRow* row, bool bigEndian);

    std::int32_t UserCommentPos = 0;
    std::int32_t UserCommentLen = 0;

    // What this file's read has cost (read_limits.h bounds it).
    ReadWork Work;
    // Counts one examined entry; false once kMaxEntriesPerFile entries were examined.
    bool ChargeEntry();
    // Counts n value bytes to render or copy; false (nothing counted) when they would
    // exceed kMaxFileValueBytes.
    bool ChargeValueBytes(std::int64_t n);
    // "(N bytes)": the text of a value that is not rendered.
    static std::string CappedValueText(std::int64_t byteCount);

    // The listing and the tag list. Rendering may be deferred until they are read; these
    // accessors return them complete. Turning deferral off gives the same results, slower.
    static bool DeferRendering;
    const std::string& TraceText();
    void ClearTraceText();
    void AppendTraceText(std::string_view text);
    const std::vector<tTagRow>& Tags(); // TagCount() rows
    int TagCount() const { return tagCount_; }
    int TagCapacity() const { return tagCapacity_; }
    const std::string& UserCommentText();

    // Adds a row to the tag list (rows with Number 0 are not added); returns TagCount - 1.
    int AppendTag(const tTagRow& row);
    int AppendTag(tTagRow&& row);

    // Both compare names without regard to letter case and take the first match.
    virtual int TagIndexByName(std::string_view name);
    virtual std::string TagTextByName(std::string_view name);
    // TagIndexByName of each name into indexes (as many), in one pass over the list.
    void TagIndexesByName(std::span<const std::string_view> names, std::span<int> indexes) const;
    // The shown text of row i of the list, as Tags() would give it; "" for no such row.
    std::string TagTextAt(int i);
    // NumberOf of the listed row's raw bytes, 0 when the name is not listed.
    double NumberByName(std::string_view name);

    // Walks one directory at dirPos; position = TIFF offset + tiffBase.
    void WalkDirectory(std::int64_t dirPos, std::int64_t tiffBase, int dirKind,
                       std::int64_t spanLength);
    // Adds the 35-mm equivalent focal length when the camera did not store it.
    void Derive35mm();

    // The stamp whose 19 characters start at pos in the EXIF bytes; 0 when it does not
    // convert.
    TDateTime DateAt(std::int32_t pos) const;
    static TDateTime ParseExifDate(std::string_view text);

    // The bytes of the owner's EXIF segment (or of the TIFF file) that positions refer to;
    // this object's own buffer when it has no owner.
    std::span<const std::uint8_t> ExifBytes() const;
    // Those bytes and the parts read beyond them, in a byte order.
    ByteCursor ExifCursor(bool bigEndian) const;

    // Rendering with this object's current byte order.
    std::int32_t BytesToInt(std::span<const std::uint8_t> bytes) const;
    double NumberOf(std::span<const std::uint8_t> raw, int format) const;
    std::string RenderNumber(std::span<const std::uint8_t> raw, int format,
                             std::string_view choices, std::string_view pattern) const;
    // Renders one directory entry and appends its line to the listing; returns the text.
    std::string RenderEntry(int tag, int format, std::uint32_t count, std::int64_t byteCount,
                            std::int32_t valuePos, std::span<const std::uint8_t> raw, int dirKind);

private:
    // An entry whose text is rendered only when the listing or the tag list is read. Only
    // entries whose rendering cannot fail and whose text no capture needs are deferred, so
    // every result is the same as if it had been rendered during the walk.
    struct Deferred {
        const tTagRow* row = nullptr; // RowFor(tag, dirKind): the tables never change
        int tag = 0;
        int format = 0;
        int dirKind = 0;
        bool bigEndian = false;
        std::int64_t byteCount = 0;
        std::int32_t valuePos = 0;
        std::size_t rawLen = 0;
        std::size_t traceAt = 0; // where its line goes in traceText_; npos when none
        bool rendered = false;
        std::string text;
    };
    // A maker-note entry of DeferMakerEntry; its value bytes are kept in makerBytes_, as
    // the maker note's own bytes may be replaced by a later one.
    struct MakerDeferred {
        const tTagRow* row = nullptr; // the maker table's row; null for an unknown tag
        int format = 0;
        bool bigEndian = false;
        std::size_t rawAt = 0;
        std::size_t rawLen = 0;
        std::size_t traceAt = 0; // where its line goes in makerTrace_
        bool rendered = false;
        std::string text;
    };
    // One row of the tag list: a deferred walk entry, a deferred maker-note entry or a
    // complete row.
    struct ListItem {
        int deferred = -1;       // index into deferred_, else
        int row = -1;            // into rows_, else
        int maker = -1;          // into makerDeferred_
        std::size_t keySize = 0; // of the row's Key: most look-ups by name stop here
        std::uint64_t keyHead = 0; // KeyHead of the Key: most of the others stop here
    };

    void walk(std::int64_t dirPos, std::int64_t tiffBase, int dirKind, std::int64_t spanLength,
              int depth);
    const ByteExtents* extents() const;
    ByteCursor walkCursor() const; // this object's buffer, the owner's extents
    bool fetch(std::int64_t pos, std::int64_t n);
    void walkNested(std::int64_t dirPos, std::int64_t tiffBase, int dirKind,
                    std::int64_t spanLength, int depth);
    void setOwnerStatus(const char* text);
    std::string renderText(int tag, int format, std::int64_t byteCount, std::int32_t valuePos,
                           std::span<const std::uint8_t> raw, int dirKind, bool bigEndian);
    void appendTraceLine(int tag, const std::string& caption, const std::string& text,
                         std::int64_t byteCount, std::int32_t valuePos);
    const std::string& deferredText(Deferred& d);
    // Lists one item: the index of a deferred entry, a complete row or a maker-note entry
    // (the other two -1). Taken as three numbers, not as a ListItem built by the caller.
    void addListItem(int deferred, int row, int maker);
    // The first eight characters of a key in lower case, packed: keys that differ there
    // are told apart without reading them.
    static std::uint64_t KeyHead(std::string_view key);
    const tTagRow& deferredRow(const Deferred& d) const;
    std::span<const std::uint8_t> deferredRaw(const Deferred& d) const;
    void materializeTrace();
    void materializeTags();
    const std::string& makerText(MakerDeferred& m);
    std::span<const std::uint8_t> makerRaw(const MakerDeferred& m) const;
    const std::string& itemKey(const ListItem& item) const;
    double numberAt(int i) const;

    std::string traceText_;
    std::size_t traceDone_ = 0; // deferred entries before this are in traceText_
    std::vector<Deferred> deferred_;
    std::vector<tTagRow> rows_; // complete rows added by AppendTag
    std::vector<ListItem> items_;
    std::vector<tTagRow> tags_; // the materialized list, items_[0..tags_.size())
    int tagCount_ = 0;
    int tagCapacity_ = 0;
    std::string userCommentText_;
    std::string makerTrace_;
    std::size_t makerTraceDone_ = 0; // deferred maker entries before this are in makerTrace_
    std::vector<MakerDeferred> makerDeferred_;
    std::vector<std::uint8_t> makerBytes_;
    std::set<std::int64_t> visitedDirs_; // directories being or already walked
};

} // namespace kivo
