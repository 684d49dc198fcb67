#include "platform/gui/shell_open.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QUrl>

#include "platform/file_system.h"
#include "platform/gui/desktop_apps.h"
#include "platform/gui/find_window.h"

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

QString InFolder(const QString& path, const QString& folder) {
    if (path.isEmpty() || QDir::isAbsolutePath(path) || folder.isEmpty())
        return path;
    return QDir(folder).filePath(path);
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

int ShellOpen(const QString& verb, const QString& file, const QString& parameters,
              const QString& folder, int showMode) {
    Q_UNUSED(showMode); // the desktop decides how the application's windows appear
    int code = kShellNoAssociation;
    if (verb.compare(QStringLiteral("Open"), Qt::CaseInsensitive) == 0) {
        const QString target = InFolder(file, folder);
        const QFileInfo info(target);
        if (file.isEmpty() || !info.exists()) {
            code = kShellFileNotFound;
        } else if (!parameters.isEmpty() && target.endsWith(QStringLiteral(".desktop"))) {
            const auto cmd = DesktopEntryCommand(
                target, QFileInfo(InFolder(parameters, folder)).absoluteFilePath());
            if (cmd && Launcher().StartDetached(cmd->program, cmd->arguments, folder))
                code = kShellOk;
        } else if (!parameters.isEmpty() && info.isFile() && info.isExecutable()) {
            if (Launcher().StartDetached(info.absoluteFilePath(), {parameters}, folder))
                code = kShellOk;
        } else if (Launcher().OpenUrl(QUrl::fromLocalFile(info.absoluteFilePath()))) {
            code = kShellOk;
        }
    } else if (verb.compare(QStringLiteral("Find"), Qt::CaseInsensitive) == 0) {
        const QString target = InFolder(file, folder);
        if (!file.isEmpty() && QFileInfo(target).isDir()) {
            auto* w = new TFindWindow(QDir::cleanPath(QFileInfo(target).absoluteFilePath()),
                                      QApplication::activeWindow());
            w->show();
            w->PatternEdit()->setFocus();
            code = kShellOk;
        } else {
            code = kShellFileNotFound;
        }
    }
    if (code <= 32)
        ShellMessage(QMessageBox::Critical, ShellOpenErrorText(verb, file));
    return code;
}

bool OpenWithViewer(const QString& fileName, const QString& folder) {
    const auto dot = fileName.lastIndexOf(u'.');
    const QString mime = ViewerMimeForExtension(dot < 0 ? QString() : fileName.mid(dot));
    if (mime.isEmpty())
        return false;
    const QString entry = DefaultDesktopEntryFor(mime);
    if (entry.isEmpty())
        ShellMessage(QMessageBox::Critical, ShellOpenErrorText(QStringLiteral("Open"), fileName));
    else
        ShellOpen(QStringLiteral("Open"), entry, fileName, folder, kShow);
    return true;
}

QString NoDiskText(const QString& root) {
    // The old text broke the line with a carriage return; a line feed does it here.
    return QStringLiteral("There is no disk in Drive ") + root + u'\n' +
           QStringLiteral("or Drive ") + root + QStringLiteral(": is not ready");
}

bool DiskReady(const QString& root, bool showMessage) {
    if (!QDir::isAbsolutePath(root)) {
        if (showMessage)
            ShellMessage(QMessageBox::Critical, QStringLiteral("Not a valid Drive ID"));
    } else {
        struct statvfs sv {};
        if (::statvfs(QFile::encodeName(root).constData(), &sv) == 0)
            return true;
    }
    if (showMessage)
        ShellMessage(QMessageBox::Warning, NoDiskText(root));
    return false;
}

QString AlreadyExistsText(const QString& path) {
    const std::string p = ExcludeTrailingSlash(QFile::encodeName(path).toStdString());
    return u'"' + QFile::decodeName(ExtractFileName(p).c_str()) +
           QStringLiteral("\" already exists !");
}

bool TargetExists(const QString& path) {
    const std::string p = ExcludeTrailingSlash(QFile::encodeName(path).toStdString());
    struct stat st {};
    if (p.empty() || ::lstat(p.c_str(), &st) != 0)
        return false;
    ShellMessage(QMessageBox::Critical, AlreadyExistsText(path));
    return true;
}

} // namespace kivo
