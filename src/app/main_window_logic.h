#pragma once
// The main window's rules that need no widget: the initial folder from the command line,
// the new-folder names and the destination of a drop.

#include <functional>
#include <optional>
#include <string>

#include <QtGlobal>

namespace kivo {

// Source texts of the main window's translations (context kivo::TFHlavni).
inline constexpr const char* kNewFolderName = QT_TRANSLATE_NOOP("kivo::TFHlavni", "Nová složka");
inline constexpr const char* kMoveFolderQuestion =
    QT_TRANSLATE_NOOP("kivo::TFHlavni", "Opravdu přesunou celý adresář\r\n%1 ?");

// The folder part of the first argument: everything up to and including its last "/"
// ("/Foto/x.jpg" -> "/Foto/", "/Foto" -> "/"). A relative argument is taken from
// `currentDir` first.
std::string CommandLineFolder(const std::string& argument, const std::string& currentDir);

// The start folder itself when it is an existing folder, else its nearest existing
// parent; "Drives" for "Drives" (any case), a relative path and when nothing exists.
std::string ExistingStartFolder(const std::string& folder,
                                const std::function<bool(const std::string&)>& isFolder);

// Creates base/name, or base/"name 1", "… 2", … when the name is taken.
// The path created, or nothing when a folder cannot be created for another reason
// (no such base folder, no access, read-only medium).
// `create` makes one candidate folder (CreateDir unless given): true when it was made.
std::optional<std::string>
CreateNumberedFolder(const std::string& base, const std::string& name = kNewFolderName,
                     const std::function<bool(const std::string& candidate)>& create = {});

// Where a drop on the item `target` of the listed folder `folder` (no trailing "/") moves
// things: its parent for the parent entry, else folder/target.
std::string DropDestination(const std::string& folder, const std::string& target);

// folder + "/" + name, with "/" not doubled at the root.
std::string JoinPath(const std::string& folder, const std::string& name);

// The question before a whole folder is moved: `question` with its "%1" replaced by the path.
std::string MoveFolderQuestion(const std::string& path,
                               const std::string& question = kMoveFolderQuestion);

} // namespace kivo
