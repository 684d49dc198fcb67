#include "platform/gui/desktop_apps.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSaveFile>
#include <QSet>
#include <QTextStream>
#include <QUrl>

#include "platform/gui/path_text.h"

namespace kivo {

namespace {

QString EnvOr(const char* name, const QString& fallback) {
    const QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? fallback : v;
}

QStringList EnvList(const char* name, const QString& fallback) {
    return EnvOr(name, fallback).split(u':', Qt::SkipEmptyParts);
}

QStringList ConfigDirs() {
    QStringList dirs{EnvOr("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"))};
    dirs += EnvList("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    return dirs;
}

QStringList DataDirs() {
    QStringList dirs{EnvOr("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"))};
    dirs += EnvList("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    return dirs;
}

QStringList ApplicationDirs() {
    QStringList out;
    for (const auto& d : DataDirs())
        out << d + QStringLiteral("/applications");
    return out;
}

// mimeapps.list files from the most to the least important.
QStringList MimeAppsLists() {
    QStringList desktops;
    for (const auto& d :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        desktops << d.toLower();
    QStringList files;
    auto addDir = [&](const QString& dir) {
        for (const auto& d : desktops)
            files << dir + u'/' + d + QStringLiteral("-mimeapps.list");
        files << dir + QStringLiteral("/mimeapps.list");
    };
    for (const auto& d : ConfigDirs())
        addDir(d);
    for (const auto& d : ApplicationDirs())
        addDir(d);
    return files;
}

// group -> key -> value of a key file; keys with a locale suffix are left out.
using KeyFile = QHash<QString, QHash<QString, QString>>;

KeyFile ReadKeyFile(const QString& path) {
    KeyFile groups;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return groups;
    QTextStream in(&f);
    QString group;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const auto eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        if (key.contains(u'['))
            continue;
        if (!groups[group].contains(key))
            groups[group].insert(key, line.mid(eq + 1).trimmed());
    }
    return groups;
}

QStringList ListValue(const QString& v) {
    return v.split(u';', Qt::SkipEmptyParts);
}

// \s \n \t \r \\ of the string type.
QString UnescapeString(const QString& v) {
    QString out;
    out.reserve(v.size());
    for (qsizetype i = 0; i < v.size(); ++i) {
        const QChar c = v[i];
        if (c != u'\\' || i + 1 >= v.size()) {
            out += c;
            continue;
        }
        const QChar n = v[++i];
        if (n == u's')
            out += u' ';
        else if (n == u'n')
            out += u'\n';
        else if (n == u't')
            out += u'\t';
        else if (n == u'r')
            out += u'\r';
        else if (n == u'\\')
            out += u'\\';
        else
            out += QString(u'\\') + n; // left for the Exec quoting rules
    }
    return out;
}

QString FindDesktopFile(const QString& id) {
    return FindInstalledDesktopEntry(id);
}

} // namespace

QStringList DesktopApplicationDirs() {
    return ApplicationDirs();
}

QString FindInstalledDesktopEntry(const QString& id) {
    for (const auto& dir : ApplicationDirs()) {
        QString rel = id;
        if (QFileInfo::exists(dir + u'/' + rel))
            return dir + u'/' + rel;
        // "kde-foo.desktop" may live in "kde/foo.desktop".
        for (qsizetype p = rel.indexOf(u'-'); p >= 0; p = rel.indexOf(u'-', p + 1)) {
            rel[p] = u'/';
            if (QFileInfo::exists(dir + u'/' + rel))
                return dir + u'/' + rel;
        }
    }
    return {};
}

namespace {

bool Usable(const QString& desktopFile) {
    if (desktopFile.isEmpty())
        return false;
    const auto entry = ReadKeyFile(desktopFile).value(QStringLiteral("Desktop Entry"));
    return !entry.isEmpty() && entry.value(QStringLiteral("Hidden")) != QStringLiteral("true") &&
           !entry.value(QStringLiteral("Exec")).isEmpty();
}

} // namespace

QString ViewerMimeForExtension(const QString& extension) {
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        for (const char* e :
             {".C", ".CPP", ".DPK", ".DPR", ".H", ".INF", ".INI", ".PAS", ".PRG", ".TXT"})
            t.insert(QString::fromLatin1(e), QStringLiteral("text/plain"));
        for (const char* e : {".DOC", ".RTF", ".WRI"})
            t.insert(QString::fromLatin1(e), QStringLiteral("application/rtf"));
        for (const char* e : {".BMP", ".GIF", ".JPG"})
            t.insert(QString::fromLatin1(e), QStringLiteral("image/bmp"));
        return t;
    }();
    return table.value(extension.toUpper());
}

QString DefaultDesktopEntryFor(const QString& mimeType) {
    const QStringList lists = MimeAppsLists();
    for (const auto& list : lists) {
        const auto defaults = ReadKeyFile(list).value(QStringLiteral("Default Applications"));
        for (const auto& id : ListValue(defaults.value(mimeType))) {
            const QString path = FindDesktopFile(id);
            if (Usable(path))
                return path;
        }
    }
    QSet<QString> removed;
    for (const auto& list : lists) {
        const auto file = ReadKeyFile(list);
        for (const auto& id :
             ListValue(file.value(QStringLiteral("Added Associations")).value(mimeType))) {
            if (removed.contains(id))
                continue;
            const QString path = FindDesktopFile(id);
            if (Usable(path))
                return path;
        }
        for (const auto& id :
             ListValue(file.value(QStringLiteral("Removed Associations")).value(mimeType)))
            removed.insert(id);
    }
    QSet<QString> seen;
    for (const auto& dir : ApplicationDirs()) {
        QStringList found;
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        found.sort();
        for (const auto& path : found) {
            const QString id = QDir(dir).relativeFilePath(path).replace(u'/', u'-');
            if (seen.contains(id))
                continue; // an entry of a more important folder hides this one
            seen.insert(id);
            if (removed.contains(id))
                continue;
            const auto entry = ReadKeyFile(path).value(QStringLiteral("Desktop Entry"));
            if (ListValue(entry.value(QStringLiteral("MimeType"))).contains(mimeType) &&
                Usable(path))
                return path;
        }
    }
    return {};
}

std::optional<QStringList> SplitExecLine(const QString& exec) {
    QStringList args;
    QString cur;
    bool inQuote = false;
    bool have = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuote) {
            if (c == u'"') {
                inQuote = false;
            } else if (c == u'\\' && i + 1 < exec.size()) {
                cur += exec[++i];
            } else {
                cur += c;
            }
        } else if (c == u'"') {
            inQuote = true;
            have = true;
        } else if (c == u' ' || c == u'\t') {
            if (have || !cur.isEmpty())
                args << cur;
            cur.clear();
            have = false;
        } else {
            cur += c;
        }
    }
    if (inQuote)
        return std::nullopt;
    if (have || !cur.isEmpty())
        args << cur;
    return args;
}

std::optional<DesktopCommand> DesktopEntryCommand(const QString& desktopFile,
                                                  const QString& filePath) {
    const auto entry = ReadKeyFile(desktopFile).value(QStringLiteral("Desktop Entry"));
    if (entry.isEmpty() || entry.value(QStringLiteral("Hidden")) == QStringLiteral("true"))
        return std::nullopt;
    const QString exec = UnescapeString(entry.value(QStringLiteral("Exec")));
    const auto parts = SplitExecLine(exec);
    if (!parts || parts->isEmpty())
        return std::nullopt;
    const QString url = FileUrl(PathBytes(filePath)).toString(QUrl::FullyEncoded);
    bool fileUsed = false;
    QStringList out;
    for (const auto& part : *parts) {
        if (part == QStringLiteral("%i")) {
            const QString icon = entry.value(QStringLiteral("Icon"));
            if (!icon.isEmpty())
                out << QStringLiteral("--icon") << icon;
            continue;
        }
        QString arg;
        bool dropped = false;
        for (qsizetype i = 0; i < part.size(); ++i) {
            if (part[i] != u'%' || i + 1 >= part.size()) {
                arg += part[i];
                continue;
            }
            const QChar code = part[++i];
            switch (code.unicode()) {
            case u'f':
            case u'F':
                arg += filePath;
                fileUsed = true;
                break;
            case u'u':
            case u'U':
                arg += url;
                fileUsed = true;
                break;
            case u'c':
                arg += entry.value(QStringLiteral("Name"));
                break;
            case u'k':
                arg += desktopFile;
                break;
            case u'%':
                arg += u'%';
                break;
            default: // deprecated and unknown codes go away
                dropped = true;
                break;
            }
        }
        if (dropped && arg.isEmpty())
            continue;
        out << arg;
    }
    if (out.isEmpty())
        return std::nullopt;
    if (!fileUsed)
        out << filePath;
    DesktopCommand cmd;
    cmd.program = out.takeFirst();
    cmd.arguments = out;
    return cmd;
}

bool WriteMimeInfoCache(const QString& applicationsDir) {
    // MIME type -> desktop file ids; a file in a subfolder "kde/foo.desktop" is "kde-foo.desktop".
    QMap<QString, QStringList> byType;
    const QDir root(applicationsDir);
    QDirIterator it(applicationsDir, {QStringLiteral("*.desktop")}, QDir::Files,
                    QDirIterator::Subdirectories);
    QStringList files;
    while (it.hasNext())
        files << it.next();
    files.sort();
    for (const QString& path : files) {
        const auto entry = ReadKeyFile(path).value(QStringLiteral("Desktop Entry"));
        if (entry.value(QStringLiteral("Hidden")) == QStringLiteral("true"))
            continue;
        const QString id = root.relativeFilePath(path).replace(u'/', u'-');
        for (const QString& type : ListValue(entry.value(QStringLiteral("MimeType")))) {
            QStringList& ids = byType[type.trimmed()];
            if (!type.trimmed().isEmpty() && !ids.contains(id))
                ids << id;
        }
    }
    QByteArray text = "[MIME Cache]\n";
    for (auto i = byType.cbegin(); i != byType.cend(); ++i)
        if (!i.key().isEmpty())
            text += (i.key() + u'=' + i.value().join(u';') + u';' + u'\n').toUtf8();
    QSaveFile out(applicationsDir + QStringLiteral("/mimeinfo.cache"));
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
        return false;
    return out.commit();
}

} // namespace kivo
