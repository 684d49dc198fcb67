#pragma once
// The context-menu verb on JPEG files that opens the program on the clicked file's folder.

#include <functional>

#include <QString>

namespace kivo {

class ClassesRootKeys;

inline const QString kShellVerbCaption = QStringLiteral("přejmenovat - aplikace Kivo");

// The verb's command line: the program `kivo` in exeFolder, then the clicked file.
QString ShellVerbCommand(const QString& exeFolder);

// Registers the verb "KIVO" for the file type of `extension` unless that type already has
// it. "Chyba 1" / "Chyba 2" go to showMessage when a created key cannot be opened; errors of
// the layer (ERegistryException) are raised to the caller.
void RegisterShellVerb(const QString& extension, ClassesRootKeys& classesRoot,
                       const QString& exeFolder,
                       const std::function<void(const QString&)>& showMessage);
// The same on the user's desktop entries, with ExeFolder and a plain message box, unless an
// installed desktop entry (kInstalledDesktopEntry) exists; then a command naming another
// folder is brought up to date and the applications folder's mimeinfo.cache rewritten.
void RegisterShellVerb(const QString& extension);

// The desktop entry an installed program brings.
inline constexpr const char* kInstalledDesktopEntry = "kivomat.desktop";

// Rewrites the verb's command of `extension`'s file type when it names another program.
void RefreshShellVerbCommand(const QString& extension, ClassesRootKeys& classesRoot,
                             const QString& exeFolder);

} // namespace kivo
