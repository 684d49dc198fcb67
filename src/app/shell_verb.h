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
// The same on the user's desktop entries, with ExeFolder and a plain message box.
void RegisterShellVerb(const QString& extension);

} // namespace kivo
