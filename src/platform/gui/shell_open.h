#pragma once
// Opening files and folders the way the desktop does, the viewers of the file list, the
// disk-ready test of volumes and the exists test of renames, with their messages.

#include <functional>

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QUrl;

namespace kivo {

// Result codes of ShellOpen: more than 32 means success.
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellNoAssociation = 31;
inline constexpr int kShellOk = 42;
// Show modes callers pass along (the desktop decides how windows appear).
inline constexpr int kShowNormal = 1;
inline constexpr int kShow = 5;

// How files are handed to the desktop; tests install their own (nullptr restores it).
class ShellLauncher {
public:
    virtual ~ShellLauncher() = default;
    // The desktop's default application for the URL.
    virtual bool OpenUrl(const QUrl& url) = 0;
    virtual bool StartDetached(const QString& program, const QStringList& arguments,
                               const QString& workingFolder) = 0;
};
void SetShellLauncher(ShellLauncher* launcher);

// Where the messages of this file go; tests install their own (nullptr = message boxes).
using ShellMessageHook = std::function<void(QMessageBox::Icon icon, const QString& text)>;
void SetShellMessageHook(ShellMessageHook hook);
// The message box of this layer (with the beep for warnings and errors), or the hook.
void ShellMessage(QMessageBox::Icon icon, const QString& text);

// Performs the verb on the file. "Open": a desktop entry (.desktop) is started with the
// parameters as its file; a program with parameters is started with them; anything else
// goes to its default application. "Find": our find window over the folder `file`.
// Relative files and parameters are taken in `folder`. On failure (32 or less) the box
// "ERROR - Can't <verb> file  <file>" has been shown.
int ShellOpen(const QString& verb, const QString& file, const QString& parameters,
              const QString& folder, int showMode);
QString ShellOpenErrorText(const QString& verb, const QString& file);

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
