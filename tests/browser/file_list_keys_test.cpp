// The file list's key table: action, condition, and what reaches the ordinary key-down event.

#include <gtest/gtest.h>

#include "browser/file_list_keys.h"

namespace kivo {
namespace {

enum StateBits : unsigned {
    kItems = 1,
    kSelection = 2,
    kClipboard = 4, // clipboard not empty
    kDrives = 8,
    kEditing = 16,
    kCombo = 32,
};

ListKeyState StateOf(unsigned bits) {
    ListKeyState s;
    s.hasItems = bits & kItems;
    s.hasSelection = bits & kSelection;
    s.clipboardEmpty = !(bits & kClipboard);
    s.drives = bits & kDrives;
    s.editing = bits & kEditing;
    s.comboLinked = bits & kCombo;
    return s;
}

struct KeyCase {
    const char* name;
    int key;
    Qt::KeyboardModifiers mods;
    unsigned state;
    ListKeyAction action;
    bool inTable;
    bool passOn;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
    *os << c.name;
}

class KeyTableTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyTableTest, Row) {
    const KeyCase& c = GetParam();
    const ListKeyResult r = ListKeyTable(c.key, c.mods, StateOf(c.state));
    EXPECT_EQ(r.action, c.action);
    EXPECT_EQ(r.inTable, c.inTable);
    EXPECT_EQ(r.passOn, c.passOn);
}

constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto NoMod = Qt::NoModifier;
const unsigned kAll = kItems | kSelection | kClipboard | kCombo;
using A = ListKeyAction;

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyTableTest,
    ::testing::Values(
        KeyCase{"CtrlA", Qt::Key_A, Ctrl, kItems, A::SelectAll, true, true},
        KeyCase{"CtrlA_empty", Qt::Key_A, Ctrl, 0, A::None, true, true},
        KeyCase{"CtrlC", Qt::Key_C, Ctrl, kAll, A::CopySelection, true, true},
        KeyCase{"CtrlC_noSelection", Qt::Key_C, Ctrl, kItems, A::None, true, true},
        KeyCase{"CtrlX", Qt::Key_X, Ctrl, kAll, A::CutSelection, true, true},
        KeyCase{"CtrlV", Qt::Key_V, Ctrl, kClipboard, A::PasteClipboard, true, true},
        KeyCase{"CtrlV_emptyClipboard", Qt::Key_V, Ctrl, kItems | kSelection, A::None, true, true},
        KeyCase{"CtrlO", Qt::Key_O, Ctrl, kAll, A::OpenSelectedItem, true, true},
        KeyCase{"CtrlF", Qt::Key_F, Ctrl, kAll, A::ViewSelectedFile, true, true},
        KeyCase{"CtrlN", Qt::Key_N, Ctrl, 0, A::CreateNewFolder, true, true},
        KeyCase{"CtrlN_drives", Qt::Key_N, Ctrl, kAll | kDrives, A::None, true, true},
        // Letters act with Ctrl alone; Ctrl+Shift or a plain letter does nothing.
        KeyCase{"CtrlShiftC", Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier, kAll, A::None,
                false, true},
        KeyCase{"PlainA", Qt::Key_A, NoMod, kAll, A::None, false, true},
        // Letters act even while editing (the editor usually has the keys anyway).
        KeyCase{"CtrlA_editing", Qt::Key_A, Ctrl, kItems | kEditing, A::SelectAll, true, true},
        KeyCase{"Backspace", Qt::Key_Backspace, NoMod, 0, A::GoUpOneLevel, true, true},
        KeyCase{"Enter", Qt::Key_Return, NoMod, kSelection, A::OpenSelectedItem, true, true},
        KeyCase{"KeypadEnter", Qt::Key_Enter, Qt::KeypadModifier, kSelection, A::OpenSelectedItem,
                true, true},
        KeyCase{"Enter_noSelection", Qt::Key_Return, NoMod, kItems, A::None, true, true},
        KeyCase{"Esc_combo", Qt::Key_Escape, NoMod, kCombo, A::CloseDropDown, true, true},
        KeyCase{"Esc_noCombo", Qt::Key_Escape, NoMod, kAll & ~kCombo, A::None, true, false},
        KeyCase{"Delete", Qt::Key_Delete, NoMod, kSelection, A::DeleteSelectedItems, true, true},
        KeyCase{"Delete_noSelection", Qt::Key_Delete, NoMod, kItems, A::None, true, true},
        KeyCase{"F2", Qt::Key_F2, NoMod, kSelection, A::StartRename, true, true},
        KeyCase{"F3", Qt::Key_F3, NoMod, 0, A::FindInFolder, true, true},
        KeyCase{"F4_combo", Qt::Key_F4, NoMod, kCombo, A::ToggleDropDown, true, true},
        KeyCase{"F4_noCombo", Qt::Key_F4, NoMod, 0, A::None, true, false},
        KeyCase{"F5", Qt::Key_F5, NoMod, kDrives, A::RefreshListing, true, true},
        // Other keys need no modifier and no in-place edit.
        KeyCase{"ShiftDelete", Qt::Key_Delete, Qt::ShiftModifier, kAll, A::None, false, true},
        KeyCase{"F5_editing", Qt::Key_F5, NoMod, kEditing, A::None, false, true},
        KeyCase{"Backspace_editing", Qt::Key_Backspace, NoMod, kEditing, A::None, false, true},
        KeyCase{"ArrowDown", Qt::Key_Down, NoMod, kAll, A::None, false, true}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace kivo
