#pragma once
// The main window's format combo (CBTyp): its items, the start-up value and the mapping of
// its text to the format index. The index lives on the combo as its "tag" property.
//
// Main window usage:
//   SetupFormatCombo(*CBTyp, ReadStoredFormatIndex(SettingsPath()));   // creation step
//   ConnectFormatCombo(*CBTyp);   // CBTypExit on every text change and on focus loss
//   ... FormatIndexOf(*CBTyp) when the rename dialog opens.

#include <QObject>

class QComboBox;

namespace kivo {

inline constexpr const char* kFormatIndexProperty = "tag";

// Editable, the seven format items, the index stored as the tag and the text of the item
// at that index (an index outside the items gives an empty text; the tag keeps it).
void SetupFormatCombo(QComboBox& combo, int storedIndex);

// Looks the combo's text up among its items (FindComboItem: ASCII case ignored), stores
// the position as the tag and returns it. Text that is none of the items gives -1 and
// the focus goes back to the combo.
int CBTypExit(QComboBox& combo);

// The tag; -1 when none was ever stored.
int FormatIndexOf(const QComboBox& combo);

// Runs CBTypExit on every change of the text and whenever the combo loses the focus.
void ConnectFormatCombo(QComboBox& combo);

} // namespace kivo
