#include "widgets/column_fit.h"

#include <algorithm>

#include <QGuiApplication>
#include <QHeaderView>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>

namespace kivo {

int ColumnWidthForText(const QTreeView& list, const QString& text, int least) {
    return std::max(least, list.fontMetrics().horizontalAdvance(text) + kCellPadding);
}

int ColumnWidthFor(const QTreeWidget& list, int column, int least) {
    int width = std::max(least, list.header()->sectionSizeHint(column));
    const QFontMetrics fm = list.fontMetrics();
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list.topLevelItem(i);
        width = std::max(width, fm.horizontalAdvance(item->text(column)) + kCellPadding);
    }
    return width;
}

void WidenColumnsToContents(QTreeWidget& list) {
    for (int c = 0; c < list.columnCount(); ++c) {
        const int width = ColumnWidthFor(list, c, list.columnWidth(c));
        if (width != list.columnWidth(c))
            list.setColumnWidth(c, width);
    }
}

void WidenColumnsForItems(QTreeWidget& list, const QList<QTreeWidgetItem*>& items) {
    const QFontMetrics fm = list.fontMetrics();
    for (int c = 0; c < list.columnCount(); ++c) {
        int width = list.columnWidth(c);
        for (const QTreeWidgetItem* item : items)
            width = std::max(width, fm.horizontalAdvance(item->text(c)) + kCellPadding);
        if (width != list.columnWidth(c))
            list.setColumnWidth(c, width);
    }
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
