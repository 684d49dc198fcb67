#pragma once
// Type names and icons of files, folders and volumes, as the desktop's MIME database and
// icon theme give them. Lookups are cached so that a folder of thousands of photographs
// asks the database once per kind of file, not once per file.

#include <QIcon>
#include <QString>

namespace kivo {

struct ShellFileType {
    QString mimeName; // "image/jpeg"
    QString typeName; // the MIME type's comment, "JPEG image"
};

// Type of a file judged by its name alone (the contents are not read).
ShellFileType ShellTypeOfFile(const QString& fileName);
// Type of a folder (inode/directory).
ShellFileType ShellTypeOfFolder();

// Icon of a MIME type, cached per type. Needs a GUI application.
QIcon ShellIconForMime(const QString& mimeName);
QIcon ShellFolderIcon(bool open = false);
QIcon ShellVolumeIcon(int volumeType);
QIcon ShellComputerIcon();
// Display name of the computer folder that holds the volumes.
QString ShellComputerName();

} // namespace kivo
