// Listing one folder: the settings that decide what is listed, the file columns, and one
// item per entry that passes the mask and the attribute filter. The volumes are listed in
// file_list_volumes.cpp, the texts and the sort are in file_list_texts.cpp and
// file_list_sort.cpp.

#include "browser/file_list_listing.h"

#include <algorithm>
#include <optional>

#include "browser/file_list_names.h"
#include "browser/file_list_text_helpers.h"
#include "platform/file_system.h"
#include "platform/gui/shell_icons.h"

namespace kivo {

using list_text::FromUtf8;
using list_text::ToUtf8;

namespace {

// Trim as the mask wants it: blanks and control characters at both ends.
QString TrimBlanks(const QString& s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

// The type of the names of one listing: a camera's folder is all ".JPG", so the lookup
// is made again only when the complete suffix changes (the type follows from it alone).
class TypeBySuffix {
public:
    const ShellFileType& Of(const QString& name) {
        const qsizetype dot = name.indexOf(QLatin1Char('.'), 1);
        if (dot < 0) {
            known_ = false;
            type_ = ShellTypeOfFile(name);
        } else if (!known_ || QStringView(name).mid(dot) != suffix_) {
            type_ = ShellTypeOfFile(name);
            suffix_ = name.mid(dot);
            known_ = true;
        }
        return type_;
    }

private:
    bool known_ = false;
    QString suffix_;
    ShellFileType type_;
};

// The attribute letters, made once per distinct set of attributes.
class AttrTexts {
public:
    const QString& Of(unsigned attr) {
        if (!known_ || attr != attr_) {
            attr_ = attr;
            text_ = FromUtf8(AttributeLetters(attr));
            known_ = true;
        }
        return text_;
    }

private:
    bool known_ = false;
    unsigned attr_ = 0;
    QString text_;
};

// Size texts of one listing: photographs of one camera fall on the same whole kilobytes
// again and again, and a text made once is shared by all of them.
class SizeTexts {
public:
    const QString& Of(std::uint64_t bytes, const QString& kind) {
        if (kind == kKindDir)
            return dirText_.isNull() ? (dirText_ = SizeText(bytes, kind)) : dirText_;
        Slot& slot = slots_[(bytes / 1024) % kSlots];
        const bool small = bytes >= 1 && bytes <= 1023; // counted as a whole kilobyte
        if (slot.text.isNull() || slot.bytes / 1024 != bytes / 1024 || slot.small != small) {
            slot.text = SizeText(bytes, kind);
            slot.bytes = bytes;
            slot.small = small;
        }
        return slot.text;
    }

private:
    static constexpr std::size_t kSlots = 256;
    struct Slot {
        std::uint64_t bytes = 0;
        bool small = false;
        QString text;
    };
    std::array<Slot, kSlots> slots_;
    QString dirText_;
};

} // namespace

// --- FileListing ------------------------------------------------------------------------

FileListing::FileListing()
    : datePattern_(DatePatternFor(dateFormat_)), timePattern_(TimePatternFor(timeFormat_)) {
    // The five file columns exist before anything is listed, so that their widths can be
    // set while the list still stands on "Drives".
    BuildFileColumns();
}

bool FileListing::IsDrives() const {
    return directory_.compare(kDrivesFolder, Qt::CaseInsensitive) == 0;
}

bool FileListing::SetDirectory(const QString& value) {
    if (value.compare(directory_, Qt::CaseInsensitive) == 0)
        return false;
    if (value.compare(kDrivesFolder, Qt::CaseInsensitive) == 0) {
        directory_ = value;
        return true;
    }
    if (value.isEmpty())
        return false;
    // A relative folder is taken from the current directory now: once it becomes the
    // current directory itself, the relative text would name something else.
    std::string path = ToUtf8(value);
    if (path.front() != '/')
        path = IncludeTrailingSlash(GetCurrentDir()) + path;
    if (!DirectoryExists(path))
        return false;
    const std::string withSlash = IncludeTrailingSlash(path);
    SetCurrentDir(withSlash);
    directory_ = FromUtf8(withSlash);
    return true;
}

bool FileListing::SetMask(const QString& mask) {
    if (mask == mask_)
        return false;
    mask_ = mask;
    return true;
}

bool FileListing::SetFileType(TFileType type) {
    if (type == fileType_)
        return false;
    fileType_ = type;
    return true;
}

bool FileListing::SetShowFolders(bool show) {
    if (show == showFolders_)
        return false;
    showFolders_ = show;
    return true;
}

void FileListing::SetDateFormat(TDtFormat format) {
    dateFormat_ = format;
    datePattern_ = DatePatternFor(format);
}

void FileListing::SetTimeFormat(TTmFormat format) {
    timeFormat_ = format;
    timePattern_ = TimePatternFor(format);
}

void FileListing::BuildFileColumns() {
    columns_ = {
        {QStringLiteral("Name"), ColWidths[0], Qt::AlignLeft, -1},
        {QStringLiteral("Size"), ColWidths[1], Qt::AlignRight, siSize},
        {QStringLiteral("Type"), ColWidths[2], Qt::AlignLeft, siType},
        {QStringLiteral("Modified"), ColWidths[3], Qt::AlignLeft, siModified},
        {QStringLiteral("Attr"), ColWidths[4], Qt::AlignLeft, siAttr},
    };
}

void FileListing::Refresh() {
    RefreshFolder(false);
}

void FileListing::RefreshKeepingUnchanged() {
    RefreshFolder(true);
}

QString FileListing::TextsKey() const {
    const FormatSettings fs = ModifiedFormatSettings();
    return directory_ + QChar(0) + datePattern_ + QChar(0) + timePattern_ + QChar(0) +
           FromUtf8(fs.ShortDateFormat + '|' + fs.LongTimeFormat + '|' + fs.ShortTimeFormat + '|' +
                    fs.DateSeparator + fs.TimeSeparator) +
           (hideFileExt_ ? u'h' : u'-');
}

// The rows of the listing a refresh keeps texts from, looked up by name; each is moved
// out once, and `matched` tells for each new item which of them has its name.
struct FileListing::Kept {
    explicit Kept(std::vector<FileListItem> before)
        : rows(std::move(before)), names(rows), movedTo(rows.size(), -1) {}
    std::vector<FileListItem> rows;
    ListedNames names;
    std::vector<int> movedTo;
    std::vector<int> matched;
};

void FileListing::RefreshFolder(bool keepUnchanged) {
    rowsBefore_.clear();
    const QString textsKey = IsDrives() ? QString() : TextsKey();
    std::optional<Kept> kept;
    if (keepUnchanged && !textsKey.isEmpty() && textsKey == listedTextsKey_)
        kept.emplace(std::move(items_));
    listedTextsKey_ = textsKey;
    items_.clear();
    if (IsDrives()) {
        BuildDriveColumns();
        ListVolumes();
        return; // not sortable: the sort state stays as it was
    }
    BuildFileColumns();
    unsigned filter = 0;
    if (fileType_ & ftReadOnly)
        filter |= faReadOnly;
    if (fileType_ & ftHidden)
        filter |= faHidden;
    if (fileType_ & ftSystem)
        filter |= faSysFile;
    if (fileType_ & ftArchive)
        filter |= faArchive;
    if (fileType_ & ftNormal)
        filter |= faNormal;
    sortable_ = true;
    enumerated_.clear();
    Kept* keep = kept ? &*kept : nullptr;
    if (showFolders_)
        ListPattern(QStringLiteral("*.*"), filter | faDirectory, keep);
    QString mask = TrimBlanks(mask_);
    if (mask.isEmpty())
        mask = QStringLiteral("*.*");
    for (const QString& piece : mask.split(QLatin1Char(';')))
        ListPattern(piece, filter, keep);
    enumerated_.clear();
    const std::vector<int> order = ApplySort();
    if (!keep)
        return;
    // The n-th row of a name (listed twice by two patterns) is the n-th row it had before.
    std::vector<bool> taken(keep->rows.size(), false);
    rowsBefore_.resize(items_.size(), -1);
    for (std::size_t r = 0; r < items_.size(); ++r) {
        int before = keep->matched[static_cast<std::size_t>(order[r])];
        while (before >= 0 && taken[static_cast<std::size_t>(before)])
            before = keep->names.Next(before);
        if (before >= 0)
            taken[static_cast<std::size_t>(before)] = true;
        rowsBefore_[r] = before;
    }
}

bool FileListing::ListPattern(const QString& pattern, unsigned filter, Kept* kept) {
    sortable_ = true;
    // One refresh may ask for the same pattern twice (folders, then the mask "*.*");
    // the folder is read once.
    const std::string pat = ToUtf8(pattern);
    auto it = enumerated_.find(pat);
    if (it == enumerated_.end())
        it = enumerated_.emplace(pat, EnumerateFolder(ToUtf8(directory_), pat)).first;
    const std::vector<DirEntry>& entries = it->second;

    const FormatSettings fs = ModifiedFormatSettings();
    const std::string modPattern = ToUtf8(datePattern_ + QLatin1Char(' ') + timePattern_);
    const bool wantDirs = (filter & faDirectory) != 0;
    const ShellFileType folderType = ShellTypeOfFolder();
    TypeBySuffix fileTypes;
    AttrTexts attrTexts;
    SizeTexts sizeTexts;
    const auto listed = [&](const DirEntry& e) {
        if (e.isDir() != wantDirs)
            return false;
        if ((e.attr & faReadOnly) && !(filter & faReadOnly))
            return false;
        if ((e.attr & faHidden) && !(filter & faHidden))
            return false;
        if ((e.attr & faSysFile) && !(filter & faSysFile))
            return false;
        return e.name != ".";
    };
    // Room for exactly what this pattern adds: the folders' pass must not take room for the
    // files, which would make the files' pass move everything once more.
    const auto adding =
        static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(), listed));
    items_.reserve(items_.size() + adding);
    if (kept)
        kept->matched.reserve(kept->matched.size() + adding);
    const QString kParentType = QStringLiteral(" ");
    std::string modified;
    bool added = false;
    for (const DirEntry& e : entries) {
        if (!listed(e))
            continue;
        if (kept) {
            const int before = kept->names.Find(e.name);
            kept->matched.push_back(before);
            if (before >= 0) {
                const auto b = static_cast<std::size_t>(before);
                int& movedTo = kept->movedTo[b];
                const FileListItem& old =
                    movedTo < 0 ? kept->rows[b] : items_[static_cast<std::size_t>(movedTo)];
                if (old.listedSize == e.size && old.listedMtime == e.mtime &&
                    old.listedAttr == e.attr) {
                    if (movedTo < 0) {
                        movedTo = static_cast<int>(items_.size());
                        items_.push_back(std::move(kept->rows[b]));
                        kept->rows[b].name = items_.back().name; // the table looks names up
                    } else {
                        items_.push_back(old);
                    }
                    added = true;
                    continue;
                }
            }
        }
        const bool parent = e.name == "..";
        const QString name = FromUtf8(e.name);
        const QString& kind = e.isDir() ? kKindDir : kKindFile;
        QString caption;
        if (parent) {
            caption = kParentCaption;
        } else if (hideFileExt_) {
            const qsizetype dot = name.indexOf(QLatin1Char('.'));
            caption = DisplayText(dot < 0 ? name : name.left(dot));
        } else {
            caption = DisplayText(name);
        }
        const ShellFileType& type = e.isDir() ? folderType : fileTypes.Of(name);
        modified.clear();
        AppendFormatDateTime(modified, modPattern, UnixToLocalDateTime(e.mtime), fs);
        // Built in one piece: most of its texts are shared, copying them is a count.
        FileListItem item{std::move(caption),
                          name,
                          {sizeTexts.Of(e.size, kind), parent ? kParentType : type.typeName,
                           FromUtf8(modified), attrTexts.Of(e.attr), directory_ + name, kind},
                          type.mimeName,
                          e.size,
                          static_cast<std::int64_t>(e.mtime),
                          e.attr};
        items_.push_back(std::move(item));
        added = true;
    }
    return added;
}

} // namespace kivo
