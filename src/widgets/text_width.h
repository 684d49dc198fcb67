#pragma once
// Widening a list's column for many texts, such as the file names of a long list, without
// shaping each of them: a printable ASCII text is taken as wide as the sum of its
// characters' advances, which its shaped width does not exceed as a rule (kerning and
// ligatures narrow Latin text), and is shaped only when that sum does not fit. Any other
// text is shaped; the widths of the last few such texts are kept.

#include <array>

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHash>
#include <QString>

class QTreeView;

namespace kivo {

// A date-time text in the fixed layout "yyyy.MM.DD hh:nn:ss" written with the font's widest
// digit: no date-time text is wider.
QString WidestDateTimeText(const QFontMetrics& metrics);

class ColumnWidener {
public:
    // `padding`: the pixels beside a cell's text.
    ColumnWidener(const QFontMetrics& metrics, int padding);

    // `width`, or the width `text` needs when that is more.
    int Widen(int width, const QString& text);

private:
    int Shaped(const QString& text);

    QFontMetrics fm_;
    QFontMetricsF exact_;
    int padding_;
    std::array<float, 95> advance_; // of ' '..'~', -1 until asked
    QHash<QString, int> shaped_;    // widths of texts that are not plain ASCII
};

// Widens `column` of `list` for the texts its model holds from row `first` on, with
// kCellPadding beside them; a column only grows.
void WidenColumnForRows(QTreeView& list, int column, int first = 0);

} // namespace kivo
