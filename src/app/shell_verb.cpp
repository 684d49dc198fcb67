#include "app/shell_verb.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/exe_folder.h"
#include "platform/gui/classes_root.h"
#include "platform/gui/desktop_apps.h"

namespace kivo {

QString ShellVerbCommand(const QString& exeFolder) {
    return u'"' + exeFolder + QStringLiteral("/kivo\" \"%1\"");
}

void RegisterShellVerb(const QString& extension, ClassesRootKeys& classesRoot,
                       const QString& exeFolder,
                       const std::function<void(const QString&)>& showMessage) {
    const QString command = ShellVerbCommand(exeFolder);

    QString fileType;
    if (classesRoot.OpenKeyReadOnly(extension)) {
        fileType = classesRoot.ReadString(QString());
        classesRoot.CloseKey();
    }
    // An extension without a file type has nothing to attach a verb to.
    if (fileType.isEmpty())
        return;

    const QString verbKey = fileType + QStringLiteral("\\shell\\KIVO");
    if (classesRoot.OpenKeyReadOnly(verbKey)) {
        // Present already: left as it is, even when its command names another folder.
        classesRoot.CloseKey();
        return;
    }

    // A key that cannot be opened is reported and not written, so no value lands elsewhere.
    classesRoot.CreateKey(verbKey);
    if (classesRoot.OpenKey(verbKey, false)) {
        classesRoot.WriteString(QString(), kShellVerbCaption);
        classesRoot.CloseKey();
    } else {
        showMessage(QCoreApplication::translate("kivo::RegisterShellVerb", "Chyba 1"));
    }

    const QString commandKey = verbKey + QStringLiteral("\\command");
    classesRoot.CreateKey(commandKey);
    if (classesRoot.OpenKey(commandKey, false)) {
        classesRoot.WriteString(QString(), command);
        classesRoot.CloseKey();
    } else {
        showMessage(QCoreApplication::translate("kivo::RegisterShellVerb", "Chyba 2"));
    }
}

void RegisterShellVerb(const QString& extension) {
    // An installed program brings its own entry: a second one would show the program twice
    // under "Open With".
    if (!FindInstalledDesktopEntry(QString::fromLatin1(kInstalledDesktopEntry)).isEmpty())
        return;
    const QString dir = TClassesRoot::DefaultApplicationsDir();
    TClassesRoot classesRoot(dir);
    const QString exeFolder = QString::fromStdString(ExeFolder());
    RegisterShellVerb(extension, classesRoot, exeFolder, [](const QString& text) {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(QApplication::applicationDisplayName());
        box.setText(text);
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
    });
    // A program that moved (a rebuilt or unpacked copy elsewhere) takes its entry along.
    RefreshShellVerbCommand(extension, classesRoot, exeFolder);
    // File managers find the entry through the cache; the user's default viewer is never
    // touched (no mimeapps.list is written).
    WriteMimeInfoCache(dir);
}

void RefreshShellVerbCommand(const QString& extension, ClassesRootKeys& classesRoot,
                             const QString& exeFolder) {
    QString fileType;
    if (classesRoot.OpenKeyReadOnly(extension)) {
        fileType = classesRoot.ReadString(QString());
        classesRoot.CloseKey();
    }
    if (fileType.isEmpty())
        return;
    const QString commandKey = fileType + QStringLiteral("\\shell\\KIVO\\command");
    if (!classesRoot.OpenKeyReadOnly(commandKey))
        return;
    const QString command = ShellVerbCommand(exeFolder);
    if (classesRoot.ReadString(QString()) != TClassesRoot::CommandToExec(command))
        classesRoot.WriteString(QString(), command);
    classesRoot.CloseKey();
}

} // namespace kivo
