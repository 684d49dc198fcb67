#pragma once
// The file list's key table as a plain function: which action a key-down runs in a given
// state, whether the key belongs to the table (kept from the view's own handling) and
// whether it is passed on to the list's ordinary key-down event.

#include <QtCore/qnamespace.h>

namespace kivo {

enum class ListKeyAction {
    None,
    SelectAll,
    CopySelection,
    CutSelection,
    PasteClipboard,
    OpenSelectedItem,
    ViewSelectedFile,
    CreateNewFolder,
    GoUpOneLevel,
    CloseDropDown,
    DeleteSelectedItems,
    StartRename,
    FindInFolder,
    ToggleDropDown,
    RefreshListing,
};

struct ListKeyState {
    bool hasItems = false;
    bool hasSelection = false;
    bool clipboardEmpty = true;
    bool drives = false;
    bool editing = false;
    bool comboLinked = false;
};

struct ListKeyResult {
    ListKeyAction action = ListKeyAction::None;
    bool inTable = false; // the view's own handling does not see the key
    bool passOn = true;   // the ordinary key-down event is raised
};

ListKeyResult ListKeyTable(int key, Qt::KeyboardModifiers modifiers, const ListKeyState& state);

} // namespace kivo
