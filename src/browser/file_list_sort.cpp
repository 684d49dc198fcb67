// The comparison rules of the file list and its sort: names with the locale's upper case,
// Type and Attr texts by ASCII case, sizes and dates by their values; folders and files
// kept apart, and a pair with the parent entry never reversed.

#include <algorithm>
#include <cmath>
#include <numeric>

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
