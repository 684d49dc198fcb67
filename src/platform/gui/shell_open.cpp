#include "platform/gui/shell_open.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>

#include "platform/file_system.h"
#include "platform/gui/desktop_apps.h"
#include "platform/gui/find_window.h"
#include "platform/gui/path_text.h"

namespace kivo {

int ShellOpen(const QString& verb, const QString& file, const QString& parameters,
              const QString& folder, int showMode) {
    Q_UNUSED(showMode); // the desktop decides how the application's windows appear
    int code = kShellNoAssociation;
    if (verb.compare(QStringLiteral("Open"), Qt::CaseInsensitive) == 0) {
        code = LaunchFile(file, parameters, folder);
    } else if (verb.compare(QStringLiteral("Find"), Qt::CaseInsensitive) == 0) {
        const QString target = InFolder(file, folder);
        const std::string targetBytes = PathBytes(target);
        if (!file.isEmpty() && DirectoryExists(targetBytes)) {
            const std::string absolute = targetBytes.front() == '/'
                                             ? targetBytes
                                             : IncludeTrailingSlash(GetCurrentDir()) + targetBytes;
            auto* w = new TFindWindow(PathText(ExcludeTrailingSlash(absolute)),
                                      QApplication::activeWindow());
            w->show();
            w->PatternEdit()->setFocus();
            code = kShellOk;
        } else {
            code = kShellFileNotFound;
        }
    }
    if (code <= 32)
        ShellMessage(QMessageBox::Critical, ShellOpenErrorText(verb, DisplayText(file)));
    return code;
}

bool OpenWithViewer(const QString& fileName, const QString& folder) {
    const auto dot = fileName.lastIndexOf(u'.');
    const QString mime = ViewerMimeForExtension(dot < 0 ? QString() : fileName.mid(dot));
    if (mime.isEmpty())
        return false;
    const QString entry = DefaultDesktopEntryFor(mime);
    if (entry.isEmpty())
        ShellMessage(QMessageBox::Critical,
                     ShellOpenErrorText(QStringLiteral("Open"), DisplayText(fileName)));
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
        if (::statvfs(PathBytes(root).c_str(), &sv) == 0)
            return true;
    }
    if (showMessage)
        ShellMessage(QMessageBox::Warning, NoDiskText(root));
    return false;
}

QString AlreadyExistsText(const QString& path) {
    const std::string p = ExcludeTrailingSlash(PathBytes(path));
    return u'"' + DisplayText(ExtractFileName(p)) + QStringLiteral("\" already exists !");
}

bool TargetExists(const QString& path) {
    const std::string p = ExcludeTrailingSlash(PathBytes(path));
    struct stat st {};
    if (p.empty() || ::lstat(p.c_str(), &st) != 0)
        return false;
    ShellMessage(QMessageBox::Critical, AlreadyExistsText(path));
    return true;
}

} // namespace kivo
