#pragma once
// Small routines the main window, the about box and the photo dialogs share.

#include <QMessageBox>
#include <QString>

class QComboBox;
class QWidget;

namespace kivo {

// w.left := r.left + r.width div 2 - w.width div 2 (outer sizes); same for top.
void CenterFormOver(QWidget& w, const QWidget& reference);

// The program's title: the caption of its main window and of its message boxes.
inline constexpr const char* kProgramTitle = "Kivomat";

enum class MsgKind { Warning, Error, Information, Confirmation, Custom };
// Caption of a message box: the program's title whatever the kind (the icon tells the kind;
// an English "Warning" has no place in a Czech window).
QString MessageBoxCaption(MsgKind kind);
// Beeps, shows the standard box centred over the active window, returns the pressed button.
QMessageBox::StandardButton ShowMessageBox(const QString& text, MsgKind kind,
                                           QMessageBox::StandardButtons buttons,
                                           int helpContext = 0);

QString PadLeft(const QString& s, QChar fill, int width);

// Index (0-based) of the first item equal to text (ASCII case ignored), or -1.
bool FindComboItem(const QString& text, const QComboBox& combo, int& index);
// 1-based position of the last non-empty item equal to the combo's text; focus to the
// combo when there is none.
bool ComboTextIsItem(QComboBox& combo, int& position);

// ASCII-only case-insensitive equality (A-Z folded, nothing else).
bool SameTextAscii(const QString& a, const QString& b);

} // namespace kivo
