#include "platform/gui/shell_launch.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "platform/file_system.h"
#include "platform/gui/desktop_apps.h"
#include "platform/gui/path_text.h"

namespace kivo {

namespace {

class DesktopLauncher : public ShellLauncher {
public:
    bool OpenUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }
    bool StartDetached(const QString& program, const QStringList& arguments,
                       const QString& workingFolder) override {
        return QProcess::startDetached(program, arguments, workingFolder);
    }
};

ShellLauncher*& LauncherSlot() {
    static ShellLauncher* launcher = nullptr;
    return launcher;
}

ShellLauncher& Launcher() {
    static DesktopLauncher desktop;
    return LauncherSlot() ? *LauncherSlot() : desktop;
}

ShellMessageHook& Hook() {
    static ShellMessageHook hook;
    return hook;
}

} // namespace

void SetShellLauncher(ShellLauncher* launcher) {
    LauncherSlot() = launcher;
}

void SetShellMessageHook(ShellMessageHook hook) {
    Hook() = std::move(hook);
}

void ShellMessage(QMessageBox::Icon icon, const QString& text) {
    if (Hook()) {
        Hook()(icon, text);
        return;
    }
    if (icon == QMessageBox::Warning || icon == QMessageBox::Critical)
        QApplication::beep();
    QMessageBox box(icon, QApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

QString ShellOpenErrorText(const QString& verb, const QString& file) {
    return QStringLiteral("ERROR - Can't ") + verb + QStringLiteral(" file  ") + file;
}

QString InFolder(const QString& path, const QString& folder) {
    if (path.isEmpty() || QDir::isAbsolutePath(path) || folder.isEmpty())
        return path;
    return folder.endsWith(u'/') ? folder + path : folder + u'/' + path;
}

int LaunchFile(const QString& file, const QString& parameters, const QString& folder) {
    const QString target = InFolder(file, folder);
    const QFileInfo info(target);
    // Existence and the URL go by the name's bytes: QFileInfo loses those that are not UTF-8.
    const std::string bytes = PathBytes(target);
    if (file.isEmpty() || !PathExists(bytes))
        return kShellFileNotFound;
    if (!parameters.isEmpty() && target.endsWith(QStringLiteral(".desktop"))) {
        const auto cmd =
            DesktopEntryCommand(target, QFileInfo(InFolder(parameters, folder)).absoluteFilePath());
        if (cmd && Launcher().StartDetached(cmd->program, cmd->arguments, folder))
            return kShellOk;
    } else if (!parameters.isEmpty() && info.isFile() && info.isExecutable()) {
        if (Launcher().StartDetached(info.absoluteFilePath(), {parameters}, folder))
            return kShellOk;
    } else if (Launcher().OpenUrl(FileUrl(
                   bytes.front() == '/' ? bytes : IncludeTrailingSlash(GetCurrentDir()) + bytes))) {
        return kShellOk;
    }
    return kShellNoAssociation;
}

} // namespace kivo
