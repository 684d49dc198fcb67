#include "browser/file_list_listing.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

#include <QLocale>

#include "platform/file_system.h"
#include "platform/gui/locale_formats.h"
#include "platform/gui/shell_icons.h"
#include "platform/gui/volumes.h"

namespace kivo {
namespace {

QString FromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string ToUtf8(const QString& s) {
    return s.toUtf8().toStdString();
}

char16_t AsciiUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

int Sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

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

// Reads the parts of a date-time text laid out by a FormatDateTime pattern.
class ModifiedTextParser {
public:
    ModifiedTextParser(const QString& text, const FormatSettings& fs) : text_(text), fs_(fs) {}

    bool Parse(const QString& pattern, int depth = 0) {
        twelve_ = twelve_ || pattern.contains(QLatin1String("am/pm"), Qt::CaseInsensitive) ||
                  pattern.contains(QLatin1String("a/p"), Qt::CaseInsensitive);
        bool lastWasHour = false;
        qsizetype i = 0;
        const qsizetype n = pattern.size();
        auto run = [&](char16_t letter) {
            qsizetype k = 0;
            while (i + k < n && AsciiUpper(pattern[i + k].unicode()) == AsciiUpper(letter))
                ++k;
            return k;
        };
        while (i < n) {
            const QChar c = pattern[i];
            const char16_t lc = static_cast<char16_t>(c.toLower().unicode());
            if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                qsizetype end = pattern.indexOf(c, i + 1);
                if (end < 0)
                    end = n;
                if (!Literal(pattern.mid(i + 1, end - i - 1)))
                    return false;
                i = end < n ? end + 1 : n;
                continue;
            }
            if (pattern.mid(i, 5).compare(QLatin1String("am/pm"), Qt::CaseInsensitive) == 0) {
                if (!Marker(2))
                    return false;
                i += 5;
                continue;
            }
            if (pattern.mid(i, 3).compare(QLatin1String("a/p"), Qt::CaseInsensitive) == 0) {
                if (!Marker(1))
                    return false;
                i += 3;
                continue;
            }
            const qsizetype k = (lc >= u'a' && lc <= u'z') ? run(lc) : 1;
            bool ok = true;
            bool hour = false;
            switch (lc) {
            case u'y':
                ok = Number(k <= 2 ? 2 : 4, year_);
                twoDigitYear_ = k <= 2;
                break;
            case u'm':
                if (lastWasHour && k <= 2)
                    ok = Number(2, minute_);
                else if (k <= 2)
                    ok = Number(2, month_);
                else
                    ok = Word();
                break;
            case u'd':
                if (k <= 2)
                    ok = Number(2, day_);
                else if (k <= 4)
                    ok = Word();
                else
                    ok = depth < 2 && Parse(FromUtf8(fs_.ShortDateFormat), depth + 1);
                break;
            case u'h':
                ok = Number(2, hour_);
                hour = true;
                break;
            case u'n':
                ok = Number(2, minute_);
                break;
            case u's':
                ok = Number(2, second_);
                break;
            case u'z':
                ok = Number(3, msec_);
                break;
            case u't':
                ok = depth < 2 &&
                     Parse(FromUtf8(k == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat), depth + 1);
                break;
            case u'/':
                ok = Literal(QString(QLatin1Char(fs_.DateSeparator)));
                break;
            case u':':
                ok = Literal(QString(QLatin1Char(fs_.TimeSeparator)));
                break;
            default:
                ok = Literal(pattern.mid(i, k));
                break;
            }
            if (!ok)
                return false;
            lastWasHour = hour;
            i += k;
        }
        return true;
    }

    bool Result(TDateTime& out) const {
        if (pos_ != text_.size() || year_ < 0 || month_ < 0 || day_ < 0)
            return false;
        int year = year_;
        if (twoDigitYear_) {
            // Two-digit years fall into the hundred years that start fifty years ago.
            int nowYear = 0, m = 0, d = 0;
            DecodeDate(Now(), nowYear, m, d);
            const int base = nowYear - 50;
            year += base / 100 * 100;
            if (year < base)
                year += 100;
        }
        int hour = hour_ < 0 ? 0 : hour_;
        if (twelve_) {
            if (hour < 1 || hour > 12)
                return false;
            hour = (hour % 12) + (pm_ ? 12 : 0);
        }
        TDateTime date = 0, time = 0;
        if (!TryEncodeDate(year, month_, day_, date) ||
            !TryEncodeTime(hour, minute_ < 0 ? 0 : minute_, second_ < 0 ? 0 : second_,
                           msec_ < 0 ? 0 : msec_, time))
            return false;
        out = date + time;
        return true;
    }

private:
    bool Number(int maxDigits, int& value) {
        int digits = 0;
        int v = 0;
        while (pos_ < text_.size() && digits < maxDigits && text_[pos_].isDigit() &&
               text_[pos_].unicode() < 128) {
            v = v * 10 + (text_[pos_].unicode() - u'0');
            ++pos_;
            ++digits;
        }
        if (digits == 0)
            return false;
        value = v;
        return true;
    }
    bool Literal(const QString& s) {
        if (text_.mid(pos_, s.size()) != s)
            return false;
        pos_ += s.size();
        return true;
    }
    bool Word() {
        const qsizetype start = pos_;
        while (pos_ < text_.size() && text_[pos_].isLetter())
            ++pos_;
        return pos_ > start;
    }
    // AM/PM (two letters) or A/P (one).
    bool Marker(int letters) {
        const QString m = text_.mid(pos_, letters).toUpper();
        if (m.size() != letters || (m[0] != QLatin1Char('A') && m[0] != QLatin1Char('P')))
            return false;
        pm_ = m[0] == QLatin1Char('P');
        pos_ += letters;
        return true;
    }

    const QString& text_;
    const FormatSettings& fs_;
    qsizetype pos_ = 0;
    int year_ = -1, month_ = -1, day_ = -1, hour_ = -1, minute_ = -1, second_ = -1, msec_ = -1;
    bool twoDigitYear_ = false;
    bool twelve_ = false;
    bool pm_ = false;
};

// Groups digits with the thousands separator ("###,###,###").
QString GroupDigits(std::int64_t v, char separator) {
    const QString digits = QString::number(v);
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0 && separator != '\0')
            out += QLatin1Char(separator);
        out += digits[i];
    }
    return out;
}

} // namespace

QString DatePatternFor(TDtFormat format) {
    switch (format) {
    case TDtFormat::df_MMddyyyy:
        return QStringLiteral("MM/dd/yyyy");
    case TDtFormat::df_MMddyy:
        return QStringLiteral("MM/dd/yy");
    case TDtFormat::df_ddMMyyyy:
        return QStringLiteral("dd/MM/yyyy");
    case TDtFormat::df_ddMMyy_GB:
        return QStringLiteral("dd/MM/yy");
    case TDtFormat::df_ddMMyy_DE:
        return QStringLiteral("dd.MM.yy");
    case TDtFormat::df_ddMMyy_IT:
        return QStringLiteral("dd-MM-yy");
    case TDtFormat::df_yyyyMMdd:
        return QStringLiteral("yyyy.MM.dd");
    case TDtFormat::df_yyMMdd:
        return QStringLiteral("yy.MM.dd");
    case TDtFormat::df_Customize:
        break;
    }
    return FromUtf8(LocaleShortDateFormat());
}

QString TimePatternFor(TTmFormat format) {
    switch (format) {
    case TTmFormat::tfLongFormat:
        return FromUtf8(ProcessFormatSettings().LongTimeFormat);
    case TTmFormat::tfShortFormat:
        return FromUtf8(ProcessFormatSettings().ShortTimeFormat);
    case TTmFormat::tfCustomize:
        break;
    }
    // The user's time format up to its first "t", on a 12-hour clock.
    QString f = FromUtf8(LocaleLongTimeFormat());
    const qsizetype t = f.indexOf(QLatin1Char('t'));
    if (t >= 0)
        f.truncate(t);
    return f + QStringLiteral(" AM/PM");
}

FormatSettings ModifiedFormatSettings() {
    FormatSettings fs = ProcessFormatSettings();
    fs.DateSeparator = LocaleDateSeparator();
    return fs;
}

QString SizeText(std::uint64_t bytes, const QString& kind) {
    if (kind.compare(kKindDir, Qt::CaseInsensitive) == 0)
        return QStringLiteral(" ");
    const std::uint64_t counted = (bytes >= 1 && bytes <= 1023) ? 1024 : bytes;
    return QString::number(counted / 1024) + QStringLiteral(" KB");
}

QString VolumeSpaceText(std::int64_t kiloBytes) {
    if (kiloBytes < 1)
        return QStringLiteral("0 Mb");
    const std::int64_t v = kiloBytes / 1000;
    return (v == 0 ? QString() : GroupDigits(v, ProcessFormatSettings().ThousandSeparator)) +
           QStringLiteral(" Mb");
}

QString VolumeTypeText(int type) {
    switch (type) {
    case vtUnknown:
        return QStringLiteral("Unknown");
    case vtNoRoot:
        return QStringLiteral("Not exist");
    case vtRemovable:
        return QStringLiteral("Removable Disk");
    case vtFixed:
        return QStringLiteral("Fixed Disk");
    case vtRemote:
        return QStringLiteral("Network Disk");
    case vtCdRom:
        return QStringLiteral("CD-ROM Disk");
    case vtRamDisk:
        return QStringLiteral("RAM Disk");
    default:
        return {};
    }
}

std::int64_t SizeKeyOf(const QString& sizeText) {
    if (sizeText == QLatin1String(" "))
        return 0;
    // The characters before the " KB" suffix: up to two positions before the first "K".
    const qsizetype k = sizeText.indexOf(QLatin1Char('K'));
    const QString number =
        (k < 0 ? sizeText : sizeText.left(std::max<qsizetype>(0, k - 1))).trimmed();
    bool ok = false;
    const qlonglong v = number.toLongLong(&ok);
    return ok ? v : -1;
}

bool ParseModifiedText(const QString& text, const QString& datePattern, const QString& timePattern,
                       TDateTime& out) {
    const FormatSettings fs = ModifiedFormatSettings();
    ModifiedTextParser parser(text, fs);
    return parser.Parse(datePattern + QLatin1Char(' ') + timePattern) && parser.Result(out);
}

int CompareNames(const QString& a, const QString& b) {
    const QLocale locale;
    return Sign(locale.toUpper(a).compare(locale.toUpper(b), Qt::CaseSensitive));
}

int CompareTextAscii(const QString& a, const QString& b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = AsciiUpper(a[i].unicode());
        const char16_t y = AsciiUpper(b[i].unicode());
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

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

void FileListing::BuildDriveColumns() {
    columns_ = {
        {QStringLiteral("Name"), 160, Qt::AlignLeft, -1},
        {QStringLiteral("Type"), 110, Qt::AlignLeft, siSize},
        {QStringLiteral("Disk Size"), 90, Qt::AlignRight, siType},
        {QStringLiteral("Free Space"), 90, Qt::AlignRight, siModified},
        {QStringLiteral("Attributes"), 40, Qt::AlignLeft, siAttr},
    };
}

void FileListing::Refresh() {
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
    if (showFolders_)
        ListPattern(QStringLiteral("*.*"), filter | faDirectory);
    QString mask = TrimBlanks(mask_);
    if (mask.isEmpty())
        mask = QStringLiteral("*.*");
    for (const QString& piece : mask.split(QLatin1Char(';')))
        ListPattern(piece, filter);
    enumerated_.clear();
    ApplySort();
}

bool FileListing::ListPattern(const QString& pattern, unsigned filter) {
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
    bool added = false;
    for (const DirEntry& e : entries) {
        if (e.isDir() != wantDirs)
            continue;
        if ((e.attr & faReadOnly) && !(filter & faReadOnly))
            continue;
        if ((e.attr & faHidden) && !(filter & faHidden))
            continue;
        if ((e.attr & faSysFile) && !(filter & faSysFile))
            continue;
        if (e.name == ".")
            continue;
        const bool parent = e.name == "..";
        const QString name = FromUtf8(e.name);
        FileListItem item;
        const QString& kind = e.isDir() ? kKindDir : kKindFile;
        if (parent) {
            item.caption = kParentCaption;
        } else if (hideFileExt_) {
            const qsizetype dot = name.indexOf(QLatin1Char('.'));
            item.caption = dot < 0 ? name : name.left(dot);
        } else {
            item.caption = name;
        }
        const ShellFileType type = e.isDir() ? folderType : ShellTypeOfFile(name);
        item.iconKey = type.mimeName;
        item.subItems[siSize] = SizeText(e.size, kind);
        item.subItems[siType] = parent ? QStringLiteral(" ") : type.typeName;
        item.subItems[siModified] =
            FromUtf8(FormatDateTime(modPattern, UnixToLocalDateTime(e.mtime), fs));
        item.subItems[siAttr] = FromUtf8(AttributeLetters(e.attr));
        item.subItems[siPath] = directory_ + name;
        item.subItems[siKind] = kind;
        items_.push_back(std::move(item));
        added = true;
    }
    return added;
}

void FileListing::ListVolumes() {
    sortable_ = false;
    for (const VolumeInfo& v : MountedVolumes()) {
        std::int64_t total = 0, free = 0;
        // Removable and optical volumes are never touched: they may have no medium.
        if (v.type != vtRemovable && v.type != vtCdRom && !VolumeSpaceKb(v.root, total, free))
            continue; // a volume that cannot be asked is left out
        FileListItem item;
        item.caption = QStringLiteral(" (") + v.root + QStringLiteral(")  ") + v.name;
        item.iconKey = QStringLiteral("volume:") + QString::number(v.type);
        item.subItems[siSize] = VolumeTypeText(v.type);
        item.subItems[siType] = VolumeSpaceText(total);
        item.subItems[siModified] = VolumeSpaceText(free);
        item.subItems[siPath] = FromUtf8(IncludeTrailingSlash(ToUtf8(v.root)));
        item.subItems[siKind] = kKindDrive;
        items_.push_back(std::move(item));
    }
}

std::vector<int> FileListing::SortByColumn(int column) {
    if (!sortable_)
        return {};
    if (column == SortColumn) {
        SortDescending = !SortDescending;
    } else {
        SortColumn = column;
        SortDescending = true;
    }
    return ApplySort();
}

namespace {

// What the comparison looks at, computed once per item and sort.
struct SortKey {
    bool parent = false;
    bool dir = false;
    QString text;          // upper-cased name, or the Type/Attr text
    std::int64_t size = 0; // Size
    double modified = 0;   // Modified; NaN when the text cannot be read
};

SortKey MakeKey(const FileListItem& item, int column, const QString& datePattern,
                const QString& timePattern, const QLocale& locale) {
    SortKey k;
    k.parent = item.isParent();
    k.dir = item.kind() == kKindDir;
    switch (column) {
    case 0:
        k.text = locale.toUpper(item.caption);
        break;
    case 1:
        k.size = SizeKeyOf(item.subItems[siSize]);
        break;
    case 3: {
        TDateTime v = 0;
        k.modified = ParseModifiedText(item.subItems[siModified], datePattern, timePattern, v)
                         ? v
                         : std::nan("");
        break;
    }
    case 2:
        k.text = item.subItems[siType];
        break;
    case 4:
        k.text = item.subItems[siAttr];
        break;
    default:
        break;
    }
    return k;
}

int CompareKeys(const SortKey& a, const SortKey& b, int column, bool descending) {
    const bool parentPair = a.parent || b.parent;
    int r = 0;
    if (a.dir && !b.dir) {
        r = -1;
    } else if (b.dir && !a.dir) {
        r = 1;
    } else {
        switch (column) {
        case 0:
            r = Sign(a.text.compare(b.text, Qt::CaseSensitive));
            break;
        case 1:
            r = a.size > b.size ? 1 : (a.size < b.size ? -1 : 0);
            break;
        case 3: {
            // Unreadable texts go before readable ones and are equal among themselves.
            const bool na = std::isnan(a.modified), nb = std::isnan(b.modified);
            if (na || nb) {
                r = na == nb ? 0 : (na ? -1 : 1);
            } else {
                const double d = a.modified - b.modified;
                r = std::fabs(d) < 0.5 / 100000.0 ? 0 : (d > 0 ? 1 : -1);
            }
            break;
        }
        case 2:
        case 4:
            r = CompareTextAscii(a.text, b.text);
            break;
        default:
            r = 0;
            break;
        }
    }
    if (descending && !parentPair)
        r = -r;
    return r;
}

} // namespace

int FileListing::Compare(const FileListItem& a, const FileListItem& b) const {
    const QLocale locale;
    return CompareKeys(MakeKey(a, SortColumn, datePattern_, timePattern_, locale),
                       MakeKey(b, SortColumn, datePattern_, timePattern_, locale), SortColumn,
                       SortDescending);
}

std::vector<int> FileListing::ApplySort() {
    const int n = static_cast<int>(items_.size());
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    if (n < 2)
        return order;
    const QLocale locale;
    std::vector<SortKey> keys;
    keys.reserve(items_.size());
    for (const FileListItem& item : items_)
        keys.push_back(MakeKey(item, SortColumn, datePattern_, timePattern_, locale));
    // A merge sort: it stays within bounds even where the parent entry's rules make the
    // comparison inconsistent.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return CompareKeys(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)],
                           SortColumn, SortDescending) < 0;
    });
    std::vector<FileListItem> sorted;
    sorted.reserve(items_.size());
    for (int old : order)
        sorted.push_back(std::move(items_[static_cast<std::size_t>(old)]));
    items_ = std::move(sorted);
    return order;
}

} // namespace kivo
