#pragma once
// Sizing report-style lists and their windows from what they show, so that no column text
// is cut with the platform's font: a column is as wide as its design width or its widest
// text, and a window at least as wide as its list's columns (as far as the screen allows).

#include <QString>

class QTreeView;
class QWidget;

namespace kivo {

// Pixels beside a cell's text (focus frame and padding on both sides).
inline constexpr int kCellPadding = 16;

// The width a column needs for a text it will hold (a date-time of fixed layout): the text
// plus kCellPadding, or `least`, whichever is more.
int ColumnWidthForText(const QTreeView& list, const QString& text, int least);

// What the list needs to show all columns side by side: their widths, the frame and a
// vertical scroll bar.
int ListWidthForColumns(const QTreeView& list);

// Widens `window` (whose layout holds `list` at full width) so that `list` shows all its columns,
// never beyond the available width of the window's screen; a window already wider keeps its width.
// Returns the new width.
int WidenWindowForList(QWidget& window, const QTreeView& list);

} // namespace kivo
