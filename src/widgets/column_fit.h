#pragma once
// Sizing report-style lists and their windows from what they show, so that no column text
// is cut with the platform's font: a column is as wide as its design width or its widest
// text, and a window at least as wide as its list's columns (as far as the screen allows).

#include <QList>
#include <QString>

class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace kivo {

// Pixels beside a cell's text (focus frame and padding on both sides).
inline constexpr int kCellPadding = 16;

// The width column `column` needs: its header's size hint, or the widest text of its
// items plus kCellPadding, or `least`, whichever is most.
int ColumnWidthFor(const QTreeWidget& list, int column, int least);
// The same for a text that the column will hold (a date-time of fixed layout).
int ColumnWidthForText(const QTreeView& list, const QString& text, int least);

// Makes every column at least as wide as ColumnWidthFor with its present width as `least`
// (columns only grow).
void WidenColumnsToContents(QTreeWidget& list);
// The same for rows just added: only their texts are measured.
void WidenColumnsForItems(QTreeWidget& list, const QList<QTreeWidgetItem*>& items);

// What the list needs to show all columns side by side: their widths, the frame and a
// vertical scroll bar.
int ListWidthForColumns(const QTreeView& list);

// Widens `window` (whose layout holds `list` at full width) so that `list` shows all its columns,
// never beyond the available width of the window's screen; a window already wider keeps its width.
// Returns the new width.
int WidenWindowForList(QWidget& window, const QTreeView& list);

} // namespace kivo
