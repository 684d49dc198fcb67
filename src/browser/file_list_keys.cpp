#include "browser/file_list_keys.h"

namespace kivo {

ListKeyResult ListKeyTable(int key, Qt::KeyboardModifiers modifiers, const ListKeyState& s) {
    const Qt::KeyboardModifiers mods =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    ListKeyResult r;
    r.inTable = true;
    auto when = [](bool condition, ListKeyAction action) {
        return condition ? action : ListKeyAction::None;
    };
    // Letter keys act only with Ctrl alone.
    if (mods == Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_A:
            r.action = when(s.hasItems, ListKeyAction::SelectAll);
            return r;
        case Qt::Key_C:
            r.action = when(s.hasSelection, ListKeyAction::CopySelection);
            return r;
        case Qt::Key_X:
            r.action = when(s.hasSelection, ListKeyAction::CutSelection);
            return r;
        case Qt::Key_V:
            r.action = when(!s.clipboardEmpty, ListKeyAction::PasteClipboard);
            return r;
        case Qt::Key_O:
            r.action = when(s.hasSelection, ListKeyAction::OpenSelectedItem);
            return r;
        case Qt::Key_F:
            r.action = when(s.hasSelection, ListKeyAction::ViewSelectedFile);
            return r;
        case Qt::Key_N:
            r.action = when(!s.drives, ListKeyAction::CreateNewFolder);
            return r;
        default:
            break;
        }
    }
    // The other keys act only without modifiers and outside an in-place edit.
    if (mods == Qt::NoModifier && !s.editing) {
        switch (key) {
        case Qt::Key_Backspace:
            r.action = ListKeyAction::GoUpOneLevel;
            return r;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            r.action = when(s.hasSelection, ListKeyAction::OpenSelectedItem);
            return r;
        case Qt::Key_Escape:
            r.action = when(s.comboLinked, ListKeyAction::CloseDropDown);
            r.passOn = s.comboLinked;
            return r;
        case Qt::Key_Delete:
            r.action = when(s.hasSelection, ListKeyAction::DeleteSelectedItems);
            return r;
        case Qt::Key_F2:
            r.action = when(s.hasSelection, ListKeyAction::StartRename);
            return r;
        case Qt::Key_F3:
            r.action = ListKeyAction::FindInFolder;
            return r;
        case Qt::Key_F4:
            r.action = when(s.comboLinked, ListKeyAction::ToggleDropDown);
            r.passOn = s.comboLinked;
            return r;
        case Qt::Key_F5:
            r.action = ListKeyAction::RefreshListing;
            return r;
        default:
            break;
        }
    }
    r.inTable = false;
    return r;
}

} // namespace kivo
