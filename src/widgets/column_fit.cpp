#include "widgets/column_fit.h"

#include <algorithm>

#include <QGuiApplication>
#include <QHeaderView>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>

namespace kivo {

int ColumnWidthForText(const QTreeView& list, const QString& text, int least) {
    return std::max(least, list.fontMetrics().horizontalAdvance(text) + kCellPadding);
}

int ListWidthForColumns(const QTreeView& list) {
    int width = 2 * list.frameWidth();
    for (int c = 0; c < list.header()->count(); ++c)
        if (!list.isColumnHidden(c))
            width += list.columnWidth(c);
    return width + list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list);
}

int WidenWindowForList(QWidget& window, const QTreeView& list) {
    // Beside the list in the window: the margins of the window's layout.
    int besides = 0;
    if (const QLayout* layout = window.layout()) {
        const QMargins m = layout->contentsMargins();
        besides = m.left() + m.right();
    }
    int needed = ListWidthForColumns(list) + besides;
    if (const QScreen* screen =
            window.screen() ? window.screen() : QGuiApplication::primaryScreen())
        needed = std::min(needed, screen->availableGeometry().width());
    if (window.width() < needed)
        window.resize(needed, window.height());
    return window.width();
}

} // namespace kivo
