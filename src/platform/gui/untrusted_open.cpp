#include "platform/gui/untrusted_open.h"

#include <cstring>
#include <utility>

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>

#include "platform/gui/desktop_apps.h"
#include "platform/gui/path_text.h"
#include "platform/regular_file.h"

namespace kivo {

namespace {

OpenQuestionHook& QuestionHook() {
    static OpenQuestionHook hook;
    return hook;
}

bool IsScriptMime(const QMimeType& type) {
    for (const char* name : {"application/x-shellscript", "application/x-executable",
                             "application/x-ms-dos-executable", "application/x-msdownload",
                             "application/x-perl", "application/x-ruby", "text/x-python",
                             "text/x-python3", "application/x-csh", "text/x-tcl"})
        if (type.inherits(QString::fromLatin1(name)))
            return true;
    return false;
}

} // namespace

UntrustedKind ClassifyForOpening(const std::string& path) {
    RegularFile file = OpenRegularFile(path);
    if (!file)
        return UntrustedKind::None;
    const QString name = PathText(path);
    const QMimeType byName = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (name.endsWith(QStringLiteral(".desktop"), Qt::CaseInsensitive) ||
        byName.inherits(QStringLiteral("application/x-desktop")))
        return UntrustedKind::DesktopEntry;
    char head[4] = {};
    const ssize_t got = ::pread(file.fd.get(), head, sizeof head, 0);
    const bool shebang = got >= 2 && head[0] == '#' && head[1] == '!';
    const bool elf = got == 4 && std::memcmp(head,
                                             "\x7f"
                                             "ELF",
                                             4) == 0;
    // The execute bit alone proves nothing: cards with FAT file systems set it on every photo.
    if ((file.info.st_mode & 0111) != 0 && (shebang || elf))
        return UntrustedKind::Executable;
    if (shebang || IsScriptMime(byName))
        return UntrustedKind::Script;
    return UntrustedKind::None;
}

void SetOpenQuestionHook(OpenQuestionHook hook) {
    QuestionHook() = std::move(hook);
}

OpenChoice AskBeforeOpening(const QString& file, UntrustedKind kind) {
    if (QuestionHook())
        return QuestionHook()(file, kind);
    const QString what =
        kind == UntrustedKind::DesktopEntry
            ? QCoreApplication::translate("kivo::AskBeforeOpening",
                                          "„%1“ je spouštěč aplikace (soubor .desktop).")
        : kind == UntrustedKind::Executable
            ? QCoreApplication::translate("kivo::AskBeforeOpening", "„%1“ je spustitelný program.")
            : QCoreApplication::translate("kivo::AskBeforeOpening", "„%1“ je skript.");
    QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(),
                    what.arg(QFileInfo(file).fileName()), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setInformativeText(QCoreApplication::translate(
        "kivo::AskBeforeOpening", "Soubor z neznámého zdroje může poškodit vaše data. "
                                  "Chcete ho spustit, nebo jen zobrazit jeho obsah?"));
    QPushButton* run = box.addButton(
        QCoreApplication::translate("kivo::AskBeforeOpening", "&Spustit"), QMessageBox::AcceptRole);
    QPushButton* show =
        box.addButton(QCoreApplication::translate("kivo::AskBeforeOpening", "&Zobrazit"),
                      QMessageBox::ActionRole);
    QPushButton* cancel = box.addButton(
        QCoreApplication::translate("kivo::AskBeforeOpening", "Z&rušit"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == run)
        return OpenChoice::Run;
    if (box.clickedButton() == show)
        return OpenChoice::Show;
    return OpenChoice::Cancel;
}

bool IsInstalledDesktopEntry(const QString& path) {
    const QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty())
        return false;
    for (const QString& dir : DesktopApplicationDirs()) {
        const QString folder = QFileInfo(dir).canonicalFilePath();
        if (!folder.isEmpty() && real.startsWith(folder + u'/'))
            return true;
    }
    return false;
}

} // namespace kivo
