#include "platform/gui/classes_root.h"

#include <optional>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QStandardPaths>

namespace kivo {

namespace {

const QString kGroup = QStringLiteral("[Desktop Entry]");

// Escapes of a desktop entry's string values.
QString EscapeValue(const QString& v) {
    QString out;
    for (int i = 0; i < v.size(); ++i) {
        const QChar c = v[i];
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u' ' && i == 0)
            out += QStringLiteral("\\s");
        else
            out += c;
    }
    return out;
}

QString UnescapeValue(const QString& v) {
    QString out;
    for (int i = 0; i < v.size(); ++i) {
        if (v[i] != u'\\' || i + 1 == v.size()) {
            out += v[i];
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
            out += QString(u'\\') + n; // list separators and unknown escapes stay as written
    }
    return out;
}

// The lines of one desktop entry file; only the [Desktop Entry] group is interpreted, every
// other line is kept as it was.
class DesktopEntry {
public:
    bool load(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        lines_ = QString::fromUtf8(f.readAll()).split(u'\n');
        if (!lines_.isEmpty() && lines_.last().isEmpty())
            lines_.removeLast();
        return true;
    }
    bool save(const QString& path) const {
        QSaveFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        const QByteArray bytes = (lines_.join(u'\n') + u'\n').toUtf8();
        if (f.write(bytes) != bytes.size())
            return false;
        return f.commit();
    }
    std::optional<QString> get(const QString& key) const {
        const auto [from, to] = group();
        for (int i = from; i < to; ++i) {
            const int eq = lines_[i].indexOf(u'=');
            if (eq > 0 && lines_[i].left(eq).trimmed() == key)
                return UnescapeValue(lines_[i].mid(eq + 1).trimmed());
        }
        return std::nullopt;
    }
    void set(const QString& key, const QString& value) {
        auto [from, to] = group();
        if (from < 0) {
            lines_.prepend(kGroup);
            from = 1;
            to = 1;
            while (to < lines_.size() && !lines_[to].startsWith(u'['))
                ++to;
        }
        const QString line = key + u'=' + EscapeValue(value);
        for (int i = from; i < to; ++i) {
            const int eq = lines_[i].indexOf(u'=');
            if (eq > 0 && lines_[i].left(eq).trimmed() == key) {
                lines_[i] = line;
                return;
            }
        }
        // After the group's last key, before any blank lines that end it.
        int at = to;
        while (at > from && lines_[at - 1].trimmed().isEmpty())
            --at;
        lines_.insert(at, line);
    }
    QStringList mimeTypes() const {
        QStringList out;
        for (const QString& t : get(QStringLiteral("MimeType")).value_or(QString()).split(u';'))
            if (!t.trimmed().isEmpty())
                out << t.trimmed();
        return out;
    }

private:
    // [first key line, end) of the [Desktop Entry] group; from = -1 without one.
    std::pair<int, int> group() const {
        for (int i = 0; i < lines_.size(); ++i) {
            if (lines_[i].trimmed() != kGroup)
                continue;
            int end = i + 1;
            while (end < lines_.size() && !lines_[end].trimmed().startsWith(u'['))
                ++end;
            return {i + 1, end};
        }
        return {-1, -1};
    }

    QStringList lines_;
};

bool ListsMimeType(const QStringList& types, const QString& mime) {
    for (const QString& t : types)
        if (t.compare(mime, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

ERegistryException::ERegistryException(const QString& text)
    : std::runtime_error(text.toStdString()) {}

TClassesRoot::TClassesRoot(QString applicationsDir) : dir_(std::move(applicationsDir)) {}

QString TClassesRoot::DefaultApplicationsDir() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/applications");
}

QString TClassesRoot::EntryPath(const QString& verb) const {
    return dir_ + QStringLiteral("/kivo-") + verb.toLower() + QStringLiteral(".desktop");
}

TClassesRoot::Key TClassesRoot::Parse(const QString& key) {
    Key k;
    k.path = key;
    QString p = key;
    while (p.startsWith(u'\\'))
        p.remove(0, 1);
    while (p.endsWith(u'\\'))
        p.chop(1);
    const QStringList parts = p.split(u'\\');
    if (parts.size() == 1 && p.startsWith(u'.') && p.size() > 1) {
        k.kind = Kind::Extension;
        k.extension = p;
        return k;
    }
    // A file type here is a MIME type, "media/subtype".
    const bool typeOk = !parts.isEmpty() && parts[0].count(u'/') == 1 &&
                        !parts[0].startsWith(u'/') && !parts[0].endsWith(u'/');
    if (!typeOk || parts.size() < 3 ||
        parts[1].compare(QStringLiteral("shell"), Qt::CaseInsensitive) != 0)
        return k;
    // Verb names become file names: keep them to plain characters.
    const QString& verb = parts[2];
    if (verb.isEmpty())
        return k;
    for (QChar c : verb)
        if (!(c.isLetterOrNumber() || c == u'-' || c == u'_'))
            return k;
    if (parts.size() == 3)
        k.kind = Kind::Verb;
    else if (parts.size() == 4 &&
             parts[3].compare(QStringLiteral("command"), Qt::CaseInsensitive) == 0)
        k.kind = Kind::Command;
    else
        return k;
    k.mimeType = parts[0];
    k.verb = verb;
    return k;
}

bool TClassesRoot::Exists(const Key& key) const {
    switch (key.kind) {
    case Kind::Extension:
        return !QMimeDatabase().mimeTypesForFileName(QStringLiteral("x") + key.extension).isEmpty();
    case Kind::Verb:
    case Kind::Command: {
        DesktopEntry e;
        return e.load(EntryPath(key.verb)) && ListsMimeType(e.mimeTypes(), key.mimeType);
    }
    case Kind::None:
        break;
    }
    return false;
}

bool TClassesRoot::OpenKeyReadOnly(const QString& key) {
    return OpenKey(key, false);
}

bool TClassesRoot::OpenKey(const QString& key, bool canCreate) {
    CloseKey();
    Key k = Parse(key);
    if (!Exists(k)) {
        if (!canCreate)
            return false;
        try {
            CreateKey(key);
        } catch (const ERegistryException&) {
            return false;
        }
        if (!Exists(k))
            return false;
    }
    current_ = std::move(k);
    return true;
}

void TClassesRoot::CreateKey(const QString& key) {
    const Key k = Parse(key);
    const ERegistryException failed(QStringLiteral("Failed to create key %1").arg(key));
    if (k.kind == Kind::Extension && Exists(k))
        return;
    if (k.kind != Kind::Verb && k.kind != Kind::Command)
        throw failed;
    if (!QDir().mkpath(dir_))
        throw failed;
    const QString path = EntryPath(k.verb);
    DesktopEntry e;
    if (QFileInfo::exists(path) && !e.load(path))
        throw failed;
    QStringList types = e.mimeTypes();
    if (ListsMimeType(types, k.mimeType))
        return;
    types << k.mimeType;
    if (!e.get(QStringLiteral("Type")))
        e.set(QStringLiteral("Type"), QStringLiteral("Application"));
    if (!e.get(QStringLiteral("Name")))
        e.set(QStringLiteral("Name"), k.verb);
    // Offered for the file types only, never in the application menu.
    e.set(QStringLiteral("NoDisplay"), QStringLiteral("true"));
    e.set(QStringLiteral("MimeType"), types.join(u';') + u';');
    if (!e.save(path))
        throw failed;
}

QString TClassesRoot::ReadString(const QString& name) {
    if (!name.isEmpty())
        return {};
    switch (current_.kind) {
    case Kind::Extension: {
        const auto types =
            QMimeDatabase().mimeTypesForFileName(QStringLiteral("x") + current_.extension);
        return types.isEmpty() ? QString() : types.first().name();
    }
    case Kind::Verb:
    case Kind::Command: {
        DesktopEntry e;
        if (!e.load(EntryPath(current_.verb)))
            return {};
        return e.get(current_.kind == Kind::Verb ? QStringLiteral("Name") : QStringLiteral("Exec"))
            .value_or(QString());
    }
    case Kind::None:
        break;
    }
    return {};
}

void TClassesRoot::WriteString(const QString& name, const QString& value) {
    const ERegistryException failed(QStringLiteral("Failed to set data for '%1'").arg(name));
    if (!name.isEmpty() || (current_.kind != Kind::Verb && current_.kind != Kind::Command))
        throw failed;
    const QString path = EntryPath(current_.verb);
    DesktopEntry e;
    if (!e.load(path))
        throw failed;
    if (current_.kind == Kind::Verb)
        e.set(QStringLiteral("Name"), value);
    else
        e.set(QStringLiteral("Exec"), CommandToExec(value));
    if (!e.save(path))
        throw failed;
}

void TClassesRoot::CloseKey() {
    current_ = Key{};
}

QString TClassesRoot::CommandToExec(const QString& command) {
    // Split the command line: blanks separate arguments, double quotes group them.
    QStringList args;
    QString cur;
    bool inQuotes = false, have = false;
    for (QChar c : command) {
        if (c == u'"') {
            inQuotes = !inQuotes;
            have = true;
        } else if ((c == u' ' || c == u'\t') && !inQuotes) {
            if (have)
                args << cur;
            cur.clear();
            have = false;
        } else {
            cur += c;
            have = true;
        }
    }
    if (have)
        args << cur;

    // Exec quoting: every argument in double quotes with ", `, $ and \ escaped, a literal %
    // doubled; the clicked file is the field code %f.
    QStringList out;
    for (const QString& a : args) {
        if (a == QStringLiteral("%1")) {
            out << QStringLiteral("%f");
            continue;
        }
        QString q = QStringLiteral("\"");
        for (QChar c : a) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                q += u'\\';
            if (c == u'%')
                q += u'%';
            q += c;
        }
        q += u'"';
        out << q;
    }
    return out.join(u' ');
}

} // namespace kivo
