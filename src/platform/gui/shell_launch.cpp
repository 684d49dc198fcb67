#include "platform/gui/shell_launch.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "platform/file_system.h"
#include "platform/gui/desktop_apps.h"
#include "platform/gui/path_text.h"
#include "platform/gui/untrusted_open.h"

namespace kivo {

namespace {

class DesktopLauncher : public ShellLauncher {
public:
    bool OpenUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }
    bool StartDetached(const QString& program, const QStringList& arguments,
                       const QString& workingFolder) override {
        const bool raw = HasRawBytes(program) || HasRawBytes(workingFolder) ||
                         std::any_of(arguments.begin(), arguments.end(),
                                     [](const QString& a) { return HasRawBytes(a); });
        if (raw)
            return StartDetachedWithBytes(program, arguments, workingFolder);
        return QProcess::startDetached(program, arguments, workingFolder);
    }
};

// The absolute form of a path, by its bytes.
std::string Absolute(const QString& path) {
    const std::string bytes = PathBytes(path);
    return !bytes.empty() && bytes.front() == '/' ? bytes
                                                  : IncludeTrailingSlash(GetCurrentDir()) + bytes;
}

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

bool StartDetachedWithBytes(const QString& program, const QStringList& arguments,
                            const QString& workingFolder) {
    std::vector<std::string> bytes{PathBytes(program)};
    for (const QString& a : arguments)
        bytes.push_back(PathBytes(a));
    const std::string folder = PathBytes(workingFolder);
    std::vector<char*> argv;
    for (std::string& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    // The grandchild reports a failed exec through the pipe; a successful one closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        // Only async-signal-safe calls from here on: the parent has other threads.
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        int error = 0;
        if (!folder.empty() && ::chdir(folder.c_str()) != 0)
            error = errno;
        else
            ::execvp(argv[0], argv.data());
        if (error == 0)
            error = errno;
        (void)!::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    bool started = false;
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        int error = 0;
        ssize_t n;
        while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
        }
        started = WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
    }
    ::close(report[0]);
    return started;
}

namespace {

// A program, script or desktop entry runs only after the user's yes; "Zobrazit" shows it in
// the text viewer, never in whatever the desktop would run it with.
int LaunchUntrusted(const QString& target, UntrustedKind kind, const QString& folder) {
    const QString absolute = PathText(Absolute(target));
    switch (AskBeforeOpening(absolute, kind)) {
    case OpenChoice::Cancel:
        return kShellOk;
    case OpenChoice::Show: {
        const QString viewer = DefaultDesktopEntryFor(QStringLiteral("text/plain"));
        const auto cmd = viewer.isEmpty() ? std::nullopt : DesktopEntryCommand(viewer, absolute);
        return cmd && Launcher().StartDetached(cmd->program, cmd->arguments, folder)
                   ? kShellOk
                   : kShellNoAssociation;
    }
    case OpenChoice::Run:
        break;
    }
    if (kind == UntrustedKind::DesktopEntry) {
        if (!IsInstalledDesktopEntry(absolute)) {
            ShellMessage(
                QMessageBox::Warning,
                QCoreApplication::translate("kivo::LaunchFile",
                                            "Spouštěč „%1“ není nainstalován ve složce aplikací, "
                                            "proto se nespustí.")
                    .arg(QFileInfo(absolute).fileName()));
            return kShellOk;
        }
        auto cmd = DesktopEntryCommand(absolute, QString());
        if (!cmd)
            return kShellNoAssociation;
        cmd->arguments.removeAll(QString());
        return Launcher().StartDetached(cmd->program, cmd->arguments, folder) ? kShellOk
                                                                              : kShellNoAssociation;
    }
    if (kind == UntrustedKind::Executable)
        return Launcher().StartDetached(absolute, {}, folder) ? kShellOk : kShellNoAssociation;
    return Launcher().OpenUrl(FileUrl(Absolute(target))) ? kShellOk : kShellNoAssociation;
}

} // namespace

int LaunchFile(const QString& file, const QString& parameters, const QString& folder) {
    const QString target = InFolder(file, folder);
    const QFileInfo info(target);
    // Existence and the URL go by the name's bytes: QFileInfo loses those that are not UTF-8.
    const std::string bytes = PathBytes(target);
    if (file.isEmpty() || !PathExists(bytes))
        return kShellFileNotFound;
    if (parameters.isEmpty()) {
        if (const UntrustedKind kind = ClassifyForOpening(bytes); kind != UntrustedKind::None)
            return LaunchUntrusted(target, kind, folder);
    }
    if (!parameters.isEmpty() && target.endsWith(QStringLiteral(".desktop"))) {
        const auto cmd =
            DesktopEntryCommand(target, PathText(Absolute(InFolder(parameters, folder))));
        if (cmd && Launcher().StartDetached(cmd->program, cmd->arguments, folder))
            return kShellOk;
    } else if (!parameters.isEmpty() && info.isFile() && info.isExecutable()) {
        if (Launcher().StartDetached(info.absoluteFilePath(), {parameters}, folder))
            return kShellOk;
    } else if (Launcher().OpenUrl(FileUrl(Absolute(target)))) {
        return kShellOk;
    }
    return kShellNoAssociation;
}

} // namespace kivo
