#pragma once
// Files that would run rather than show when handed to the desktop: programs, scripts and
// desktop entries. A photo folder from a card or a download may hold such files, so the
// user is asked first, as file managers do.

#include <functional>
#include <string>

#include <QString>

namespace kivo {

enum class UntrustedKind { None, Executable, Script, DesktopEntry };

// What opening the file would do. Executable: the execute bit and a program's or script's
// first bytes ("\x7fELF", "#!"); Script: a script by its first bytes or its name's MIME
// type; DesktopEntry: a ".desktop" name or the desktop-entry MIME type. Only regular files
// are read (a bounded read of their first bytes); anything else is None.
UntrustedKind ClassifyForOpening(const std::string& path);

enum class OpenChoice { Run, Show, Cancel };

// Asks "Spustit" / "Zobrazit" / "Zrušit" for `file`; tests install their own (nullptr
// restores the message box).
using OpenQuestionHook = std::function<OpenChoice(const QString& file, UntrustedKind kind)>;
void SetOpenQuestionHook(OpenQuestionHook hook);
OpenChoice AskBeforeOpening(const QString& file, UntrustedKind kind);

// Whether a desktop entry lies in one of the applications folders of the desktop (its
// real path, links resolved), the only place from which an entry is ever run.
bool IsInstalledDesktopEntry(const QString& path);

} // namespace kivo
