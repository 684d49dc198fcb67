#pragma once
// The file list without any widget: the entries of one folder (or of the "Drives"
// pseudo-folder) with their six sub-items, the listing rules, the sort state and the
// comparison. TFileListView shows it; tests and benchmarks drive it directly.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <QString>
#include <QtCore/qnamespace.h>

#include "platform/datetime.h"
#include "platform/file_system.h"

namespace kivo {

// Attribute members of the list's FileType set (a bit mask of these values).
enum TFileAttr : unsigned {
    ftReadOnly = 1u << 0,
    ftHidden = 1u << 1,
    ftSystem = 1u << 2,
    ftArchive = 1u << 3,
    ftNormal = 1u << 4,
};
using TFileType = unsigned;
inline constexpr TFileType kDefaultFileType = ftReadOnly | ftHidden | ftSystem | ftArchive;

enum class TDtFormat {
    df_MMddyyyy,
    df_MMddyy,
    df_ddMMyyyy,
    df_ddMMyy_GB,
    df_ddMMyy_DE,
    df_ddMMyy_IT,
    df_yyyyMMdd,
    df_yyMMdd,
    df_Customize,
};

enum class TTmFormat {
    tfLongFormat,
    tfShortFormat,
    tfCustomize,
};

// Indexes of an item's sub-items.
enum SubItemIndex : int {
    siSize = 0,     // size text | drive type text
    siType = 1,     // type name | total size text
    siModified = 2, // modification text | free space text
    siAttr = 3,     // attribute letters | empty
    siPath = 4,     // full path | volume root
    siKind = 5,     // "dir", "file" | "drv"
};

inline const QString kParentCaption = QStringLiteral(" ^ Parent");
inline const QString kDrivesFolder = QStringLiteral("Drives");
inline const QString kKindDir = QStringLiteral("dir");
inline const QString kKindFile = QStringLiteral("file");
inline const QString kKindDrive = QStringLiteral("drv");
// The size columns of a volume that gave no answer in time (a dead network mount).
inline const QString kVolumeUnavailable = QStringLiteral("unavailable");

struct FileListItem {
    // The text shown. A name that is not UTF-8 shows U+FFFD in it: never build a path from
    // the caption, take `name` or fullPath().
    QString caption;
    // The entry's own name, losslessly as PathText (".." for the parent entry, empty for a
    // volume); with HideFileExt it keeps the extension the caption leaves out.
    QString name;
    std::array<QString, 6> subItems;
    // Which cached icon the item shows: a MIME type name, or "volume:" + root.
    QString iconKey;
    // The entry as it was read: a re-listing that finds it unchanged keeps its texts.
    std::uint64_t listedSize = 0;
    std::int64_t listedMtime = 0;
    unsigned listedAttr = 0;

    const QString& kind() const { return subItems[siKind]; }
    const QString& fullPath() const { return subItems[siPath]; }
    bool isParent() const { return caption == kParentCaption; }
};

struct FileListColumn {
    QString caption;
    int width = 0;
    Qt::Alignment alignment = Qt::AlignLeft;
    int subItem = -1; // -1 = the caption
};

// Pattern strings of the two format enumerations (computed when assigned).
QString DatePatternFor(TDtFormat format);
QString TimePatternFor(TTmFormat format);

// Texts of the listing rules, exposed for tests.
QString SizeText(std::uint64_t bytes, const QString& kind);
QString VolumeSpaceText(std::int64_t kiloBytes);
QString VolumeTypeText(int type);
// The number a Size text stands for (" " = 0); -1 when the text cannot be read.
std::int64_t SizeKeyOf(const QString& sizeText);
// Reads a text made with `datePattern + " " + timePattern` back into a date-time;
// false when the text does not follow the patterns.
bool ParseModifiedText(const QString& text, const QString& datePattern, const QString& timePattern,
                       TDateTime& out);
// The same for many texts of one pattern: the pattern is taken apart once, with the
// settings of the moment.
class ModifiedTextReader {
public:
    ModifiedTextReader(const QString& datePattern, const QString& timePattern);
    bool Read(QStringView text, TDateTime& out) const;

    // One part of the text: a number of at most `digits` digits, a word, a literal text, an
    // AM/PM marker of `digits` letters, or a part that can never be read.
    struct Step {
        enum Op : std::uint8_t { Number, Word, Literal, Marker, Never };
        enum Field : std::uint8_t { Year, Month, Day, Hour, Minute, Second, Msec, kFields };
        Op op;
        std::uint8_t field;
        std::uint8_t digits;
        bool twoDigitYear;
        QString literal;
    };

private:
    std::vector<Step> steps_;
    bool twelve_ = false;
    int nowYear_ = 0;
};
// The settings the Modified column is formatted with: the process's, with the locale's
// date separator.
FormatSettings ModifiedFormatSettings();
// While it lives, ModifiedFormatSettings gives these settings on this thread: a listing made
// off the GUI thread uses the ones taken on it, never the process-wide ones the GUI writes.
class PinnedModifiedSettings {
public:
    explicit PinnedModifiedSettings(const FormatSettings& settings);
    ~PinnedModifiedSettings();
    PinnedModifiedSettings(const PinnedModifiedSettings&) = delete;
    PinnedModifiedSettings& operator=(const PinnedModifiedSettings&) = delete;

private:
    FormatSettings settings_;
    const FormatSettings* previous_;
};
// Upper-case with the locale's rules, compared code by code.
int CompareNames(const QString& a, const QString& b);
// Case-insensitive for ASCII letters only.
int CompareTextAscii(const QString& a, const QString& b);

class FileListing {
public:
    FileListing();

    // Directory as stored: a folder with a trailing "/", or "Drives" in any case.
    const QString& Directory() const { return directory_; }
    // Applies the rules of setting the folder (a real folder also becomes the process's
    // current directory); returns true when it changed and the caller is to re-list.
    bool SetDirectory(const QString& value);
    bool IsDrives() const;

    const QString& Mask() const { return mask_; }
    bool SetMask(const QString& mask); // true when different (caller re-lists)
    TFileType FileType() const { return fileType_; }
    bool SetFileType(TFileType type);
    bool ShowFolders() const { return showFolders_; }
    bool SetShowFolders(bool show);
    bool HideFileExt() const { return hideFileExt_; }
    void SetHideFileExt(bool hide) { hideFileExt_ = hide; }

    TDtFormat DateFormat() const { return dateFormat_; }
    void SetDateFormat(TDtFormat format);
    TTmFormat TimeFormat() const { return timeFormat_; }
    void SetTimeFormat(TTmFormat format);
    const QString& DatePattern() const { return datePattern_; }
    const QString& TimePattern() const { return timePattern_; }

    // Widths used whenever the five file columns are rebuilt: Name, Size, Type, Mod, Attr.
    std::array<int, 5> ColWidths{165, 75, 95, 125, 40};

    // Re-lists the current folder (or the volumes) and re-applies the sort.
    void Refresh();
    // The same, but an entry whose size, time and attributes are what the last listing of
    // this folder read keeps the texts made then (a watched folder's many re-listings).
    void RefreshKeepingUnchanged();
    // After RefreshKeepingUnchanged: for each item, the row its entry had before (-1 for a
    // new one), so that whoever shows the rows need not match them up again. Empty after
    // any other listing.
    const std::vector<int>& RowsBefore() const { return rowsBefore_; }
    const std::vector<FileListItem>& Items() const { return items_; }
    std::vector<FileListItem>& Items() { return items_; }
    const std::vector<FileListColumn>& Columns() const { return columns_; }
    bool Sortable() const { return sortable_; }

    int SortColumn = 0;
    bool SortDescending = true;
    // Column-click semantics; returns the permutation applied (new row -> old row),
    // empty when nothing was sorted (drive view).
    std::vector<int> SortByColumn(int column);
    // The comparison: negative puts a first.
    int Compare(const FileListItem& a, const FileListItem& b) const;

private:
    struct Kept;
    void RefreshFolder(bool keepUnchanged);
    bool ListPattern(const QString& pattern, unsigned filter, Kept* kept);
    // What an item's texts depend on besides the entry itself.
    QString TextsKey() const;
    void ListVolumes();
    void BuildFileColumns();
    void BuildDriveColumns();
    std::vector<int> ApplySort();

    QString directory_ = kDrivesFolder;
    QString mask_ = QStringLiteral("*.*");
    TFileType fileType_ = kDefaultFileType;
    bool showFolders_ = true;
    bool hideFileExt_ = false;
    TDtFormat dateFormat_ = TDtFormat::df_Customize;
    TTmFormat timeFormat_ = TTmFormat::tfShortFormat;
    QString datePattern_;
    QString timePattern_;
    bool sortable_ = false;
    std::vector<FileListItem> items_;
    std::vector<FileListColumn> columns_;
    // Enumerations of the refresh under way, by pattern.
    std::map<std::string, std::vector<DirEntry>> enumerated_;
    // What the last listing's texts depend on.
    QString listedTextsKey_;
    std::vector<int> rowsBefore_;
};

} // namespace kivo
