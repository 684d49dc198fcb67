#pragma once
// Opening files and folders the way the desktop does, the viewers of the file list, the
// disk-ready test of volumes and the exists test of renames, with their messages.

#include <QString>

#include "platform/gui/shell_launch.h"

namespace kivo {

// Performs the verb on the file. "Open": a desktop entry (.desktop) is started with the
// parameters as its file; a program with parameters is started with them; anything else
// goes to its default application. "Find": our find window over the folder `file`.
// Relative files and parameters are taken in `folder`. On failure (32 or less) the box
// "ERROR - Can't <verb> file  <file>" has been shown.
int ShellOpen(const QString& verb, const QString& file, const QString& parameters,
              const QString& folder, int showMode);

// Opens the entry `fileName` in `folder` with the default application for the viewer
// of its extension (ViewerMimeForExtension). False, without a message, when the extension
// has no viewer; a viewer that is not installed or does not start gives ShellOpen's box.
bool OpenWithViewer(const QString& fileName, const QString& folder);

// Whether the volume with this root has a usable medium. With showMessage the warning
// "There is no disk in Drive ..." is shown (after the beep) when it has not; a root that
// is not an absolute path first shows "Not a valid Drive ID".
bool DiskReady(const QString& root, bool showMessage);
QString NoDiskText(const QString& root);

// The exists test of rename: when anything (of any kind) stands at `path`, the error box
// "\"name\" already exists !" is shown and the answer is true.
bool TargetExists(const QString& path);
QString AlreadyExistsText(const QString& path);

} // namespace kivo
