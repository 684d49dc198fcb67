#pragma once
// The desktop's default applications, found through the XDG MIME associations
// (mimeapps.list files and the MimeType keys of desktop entries), and the command line a
// desktop entry's Exec key gives for one file.

#include <optional>

#include <QString>
#include <QStringList>

namespace kivo {

// Viewer MIME type for an extension (".TXT", any case): text/plain, application/rtf or
// image/bmp after the old viewer table; empty when the extension has no viewer.
QString ViewerMimeForExtension(const QString& extension);

// Path of the desktop entry of the default application for a MIME type, empty when none
// is installed. Looks at [Default Applications], then [Added Associations] (minus
// [Removed Associations]), then every installed entry's MimeType, in XDG order.
QString DefaultDesktopEntryFor(const QString& mimeType);

struct DesktopCommand {
    QString program;
    QStringList arguments;
};

// The command of a desktop entry for one local file (absolute path): field codes
// expanded, quoting undone; the file is appended when Exec names no file code. nullopt
// when the entry cannot be read, is hidden or has no Exec.
std::optional<DesktopCommand> DesktopEntryCommand(const QString& desktopFile,
                                                  const QString& filePath);

// The applications folders of $XDG_DATA_HOME and $XDG_DATA_DIRS, in that order.
QStringList DesktopApplicationDirs();

// Path of the desktop entry `id` ("kivomat.desktop") in the applications folders of
// $XDG_DATA_HOME and $XDG_DATA_DIRS, in that order; empty when there is none.
QString FindInstalledDesktopEntry(const QString& id);

// Rewrites applicationsDir/mimeinfo.cache from the desktop entries below that folder, as
// update-desktop-database does: "[MIME Cache]", then one line per MIME type listing the
// ids of the entries (not Hidden) whose MimeType names it. False when it cannot be written.
bool WriteMimeInfoCache(const QString& applicationsDir);

// Splits an Exec value after the quoting rules of desktop entries.
std::optional<QStringList> SplitExecLine(const QString& exec);

} // namespace kivo
