#pragma once
// Handing files to the desktop: the launcher, the messages of the shell layer and the work
// of the "Open" verb. ShellOpen and the find window both build on it.

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

// Where the messages of the shell layer go; tests install their own (nullptr = message
// boxes).
using ShellMessageHook = std::function<void(QMessageBox::Icon icon, const QString& text)>;
void SetShellMessageHook(ShellMessageHook hook);
// The message box of this layer (with the beep for warnings and errors), or the hook.
void ShellMessage(QMessageBox::Icon icon, const QString& text);

QString ShellOpenErrorText(const QString& verb, const QString& file);

// A relative path taken in `folder`; an empty or absolute path, or an empty folder, leaves
// it as it is.
QString InFolder(const QString& path, const QString& folder);

// Starts a program detached from this process (as QProcess::startDetached does), with every
// argument passed as its bytes: QProcess would pass a name that is not UTF-8 lossily. False
// when the program could not be started.
bool StartDetachedWithBytes(const QString& program, const QStringList& arguments,
                            const QString& workingFolder);

// The work of ShellOpen's "Open" verb (see there), without its error box: returns the code
// ShellOpen returns.
int LaunchFile(const QString& file, const QString& parameters, const QString& folder);

} // namespace kivo
