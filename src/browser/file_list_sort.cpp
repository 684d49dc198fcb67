// The comparison rules of the file list and its sort: names with the locale's upper case,
// Type and Attr texts by ASCII case, sizes and dates by their values; folders and files
// kept apart, and a pair with the parent entry never reversed.

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <string>
#include <type_traits>

#include <QLocale>

#include "browser/file_list_listing.h"
#include "browser/file_list_text_helpers.h"

namespace kivo {

using list_text::AsciiUpper;
using list_text::Sign;

int CompareNames(const QString& a, const QString& b) {
    const QLocale locale;
    return Sign(locale.toUpper(a).compare(locale.toUpper(b), Qt::CaseSensitive));
}

namespace {

int CompareAscii(QStringView a, QStringView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = AsciiUpper(a[i].unicode());
        const char16_t y = AsciiUpper(b[i].unicode());
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace

int CompareTextAscii(const QString& a, const QString& b) {
    return CompareAscii(a, b);
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
    rowsBefore_.clear();
    return ApplySort();
}

namespace {

// What the comparison looks at, computed once per item and sort.
struct SortKey {
    bool parent = false;
    bool dir = false;
    QStringView text;      // upper-cased name (in the sort's names), or the Type/Attr text
    qsizetype nameAt = -1; // where the upper-cased name lies in the sort's names
    qsizetype nameSize = 0;
    std::int64_t size = 0; // Size
    double modified = 0;   // Modified; NaN when the text cannot be read
};

// What the keys of one sort share: the locale, and the reader of the Modified texts.
class KeyMaker {
public:
    KeyMaker(int column, const QString& datePattern, const QString& timePattern)
        : column_(column), asciiUpperIsLocale_(AsciiUpperIsLocale(locale_)) {
        if (column == 3)
            modified_.emplace(datePattern, timePattern);
    }

    // Upper-cased names go into `names`, one after the other: the keys of a sort take room
    // once, not once each. Their texts are pointed at by Seal, once `names` is complete.
    SortKey operator()(const FileListItem& item, std::u16string& names) const {
        SortKey k;
        k.parent = item.isParent();
        k.dir = item.kind() == kKindDir;
        switch (column_) {
        case 0:
            k.nameAt = static_cast<qsizetype>(names.size());
            if (asciiUpperIsLocale_ && IsAscii(item.caption)) {
                for (const QChar c : item.caption)
                    names.push_back(AsciiUpper(c.unicode()));
            } else {
                const QString upper = locale_.toUpper(item.caption);
                names.append(reinterpret_cast<const char16_t*>(upper.utf16()),
                             static_cast<std::size_t>(upper.size()));
            }
            k.nameSize = static_cast<qsizetype>(names.size()) - k.nameAt;
            break;
        case 1:
            k.size = SizeKeyOf(item.subItems[siSize]);
            break;
        case 3: {
            TDateTime v = 0;
            k.modified = modified_->Read(item.subItems[siModified], v) ? v : std::nan("");
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

private:
    // Only Turkish and Azerbaijani upper-case an ASCII letter to something else ("i").
    static bool AsciiUpperIsLocale(const QLocale& locale) {
        return locale.language() != QLocale::Turkish && locale.language() != QLocale::Azerbaijani;
    }
    static bool IsAscii(const QString& s) {
        for (const QChar c : s)
            if (c.unicode() >= 0x80)
                return false;
        return true;
    }

    int column_;
    QLocale locale_;
    bool asciiUpperIsLocale_;
    std::optional<ModifiedTextReader> modified_;
};

// Points the keys' names into the complete `names`.
void Seal(std::vector<SortKey>& keys, const std::u16string& names) {
    for (SortKey& k : keys)
        if (k.nameAt >= 0)
            k.text = QStringView(names.data() + k.nameAt, k.nameSize);
}

// The comparison of one column, a template so that a sort compares without asking which.
template <int Column> int CompareKeysBy(const SortKey& a, const SortKey& b, bool descending) {
    const bool parentPair = a.parent || b.parent;
    int r = 0;
    if (a.dir && !b.dir) {
        r = -1;
    } else if (b.dir && !a.dir) {
        r = 1;
    } else if constexpr (Column == 0) {
        r = Sign(a.text.compare(b.text, Qt::CaseSensitive));
    } else if constexpr (Column == 1) {
        r = a.size > b.size ? 1 : (a.size < b.size ? -1 : 0);
    } else if constexpr (Column == 3) {
        // Unreadable texts go before readable ones and are equal among themselves.
        const bool na = std::isnan(a.modified), nb = std::isnan(b.modified);
        if (na || nb) {
            r = na == nb ? 0 : (na ? -1 : 1);
        } else {
            const double d = a.modified - b.modified;
            r = std::fabs(d) < 0.5 / 100000.0 ? 0 : (d > 0 ? 1 : -1);
        }
    } else if constexpr (Column == 2 || Column == 4) {
        r = CompareAscii(a.text, b.text);
    }
    if (descending && !parentPair)
        r = -r;
    return r;
}

// Calls f with the column as a constant (columns without a comparison compare equal).
template <typename F> void WithComparison(int column, F&& f) {
    switch (column) {
    case 0:
        return f(std::integral_constant<int, 0>{});
    case 1:
        return f(std::integral_constant<int, 1>{});
    case 2:
        return f(std::integral_constant<int, 2>{});
    case 3:
        return f(std::integral_constant<int, 3>{});
    case 4:
        return f(std::integral_constant<int, 4>{});
    default:
        return f(std::integral_constant<int, -1>{});
    }
}

// Puts items[order[i]] at i, one cycle of the permutation at a time, without a second array.
void Permute(std::vector<FileListItem>& items, const std::vector<int>& order) {
    std::vector<bool> done(items.size(), false);
    for (std::size_t start = 0; start < items.size(); ++start) {
        if (done[start])
            continue;
        done[start] = true;
        std::size_t to = start;
        auto from = static_cast<std::size_t>(order[start]);
        if (from == start)
            continue;
        FileListItem first = std::move(items[start]);
        while (from != start) {
            items[to] = std::move(items[from]);
            done[from] = true;
            to = from;
            from = static_cast<std::size_t>(order[from]);
        }
        items[to] = std::move(first);
    }
}

} // namespace

int FileListing::Compare(const FileListItem& a, const FileListItem& b) const {
    const KeyMaker key(SortColumn, datePattern_, timePattern_);
    std::u16string names;
    std::vector<SortKey> keys{key(a, names), key(b, names)};
    Seal(keys, names);
    int r = 0;
    WithComparison(SortColumn, [&](auto column) {
        r = CompareKeysBy<decltype(column)::value>(keys[0], keys[1], SortDescending);
    });
    return r;
}

std::vector<int> FileListing::ApplySort() {
    const int n = static_cast<int>(items_.size());
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    if (n < 2)
        return order;
    const KeyMaker key(SortColumn, datePattern_, timePattern_);
    std::vector<SortKey> keys;
    keys.reserve(items_.size());
    std::u16string names;
    if (SortColumn == 0) {
        std::size_t room = 0;
        for (const FileListItem& item : items_)
            room += static_cast<std::size_t>(item.caption.size());
        names.reserve(room);
    }
    for (const FileListItem& item : items_)
        keys.push_back(key(item, names));
    Seal(keys, names);
    // A merge sort: it stays within bounds even where the parent entry's rules make the
    // comparison inconsistent.
    WithComparison(SortColumn, [&](auto column) {
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return CompareKeysBy<decltype(column)::value>(keys[static_cast<std::size_t>(a)],
                                                          keys[static_cast<std::size_t>(b)],
                                                          SortDescending) < 0;
        });
    });
    Permute(items_, order);
    return order;
}

} // namespace kivo
