#include "widgets/text_width.h"

#include <algorithm>

#include <QTreeView>

#include "widgets/column_fit.h"

namespace kivo {

namespace {

// Texts that are not plain ASCII repeat in a list's status column; names rarely do.
constexpr qsizetype kMostShaped = 64;

} // namespace

QString WidestDateTimeText(const QFontMetrics& metrics) {
    QChar widest = u'0';
    for (char16_t d = u'1'; d <= u'9'; ++d)
        if (metrics.horizontalAdvance(QChar(d)) > metrics.horizontalAdvance(widest))
            widest = QChar(d);
    return QStringLiteral("0000.00.00 00:00:00").replace(u'0', widest);
}

ColumnWidener::ColumnWidener(const QFontMetrics& metrics, int padding)
    : fm_(metrics), exact_(metrics), padding_(padding) {
    advance_.fill(-1);
}

int ColumnWidener::Shaped(const QString& text) {
    if (const auto it = shaped_.constFind(text); it != shaped_.constEnd())
        return *it;
    const int w = fm_.horizontalAdvance(text);
    if (shaped_.size() >= kMostShaped)
        shaped_.clear();
    shaped_.insert(text, w);
    return w;
}

int ColumnWidener::Widen(int width, const QString& text) {
    // Each advance as the larger of its rounded and unrounded value, and a pixel for the
    // rounding of the shaped total.
    double bound = padding_ + 1;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < u' ' || u > u'~')
            return std::max(width, Shaped(text) + padding_);
        float& a = advance_[u - u' '];
        if (a < 0)
            a = static_cast<float>(
                std::max<qreal>(fm_.horizontalAdvance(c), exact_.horizontalAdvance(c)));
        bound += a;
    }
    if (bound <= width)
        return width;
    return std::max(width, fm_.horizontalAdvance(text) + padding_);
}

void WidenColumnForRows(QTreeView& list, int column, int first) {
    const QAbstractItemModel* model = list.model();
    ColumnWidener widener(list.fontMetrics(), kCellPadding);
    int width = list.columnWidth(column);
    for (int row = std::max(first, 0); row < model->rowCount(); ++row)
        width = widener.Widen(width, model->index(row, column).data().toString());
    if (width != list.columnWidth(column))
        list.setColumnWidth(column, width);
}

} // namespace kivo
