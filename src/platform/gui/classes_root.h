#pragma once
// The classes-root layer: file associations seen as keys with default string values, kept in
// freedesktop desktop entries so that file managers offer our verbs under "Open With".
//
//   key                      here
//   ".jpg"                   the extension's MIME type from the MIME database (read only)
//   "image/jpeg\shell\V"     exists when $XDG_DATA_HOME/applications/kivo-<v>.desktop lists
//                            image/jpeg in MimeType; its default value is the entry's Name
//   "...\shell\V\command"    the same entry; its default value is the entry's Exec, written
//                            from a command line whose "%1" becomes %f

#include <stdexcept>
#include <string>

#include <QString>
#include <QStringList>

namespace kivo {

// A key that cannot be created or a value that cannot be written.
class ERegistryException : public std::runtime_error {
public:
    explicit ERegistryException(const QString& text);
};

// The registry operations the verb registration needs, on the classes root.
class ClassesRootKeys {
public:
    virtual ~ClassesRootKeys() = default;
    // Opens an existing key; never creates one.
    virtual bool OpenKeyReadOnly(const QString& key) = 0;
    virtual bool OpenKey(const QString& key, bool canCreate) = 0;
    // Creates the key with all missing parents; raises "Failed to create key <key>".
    virtual void CreateKey(const QString& key) = 0;
    // A value of the open key; name "" is the default value. Absent reads as empty.
    virtual QString ReadString(const QString& name) = 0;
    // Raises "Failed to set data for '<name>'".
    virtual void WriteString(const QString& name, const QString& value) = 0;
    virtual void CloseKey() = 0;
};

class TClassesRoot : public ClassesRootKeys {
public:
    // `applicationsDir`: where the desktop entries live.
    explicit TClassesRoot(QString applicationsDir = DefaultApplicationsDir());
    // $XDG_DATA_HOME/applications, or ~/.local/share/applications.
    static QString DefaultApplicationsDir();

    bool OpenKeyReadOnly(const QString& key) override;
    bool OpenKey(const QString& key, bool canCreate) override;
    void CreateKey(const QString& key) override;
    QString ReadString(const QString& name) override;
    void WriteString(const QString& name, const QString& value) override;
    void CloseKey() override;

    // The desktop entry that holds a verb.
    QString EntryPath(const QString& verb) const;
    // A command line (program and arguments, double quotes around arguments with blanks,
    // "%1" for the file) as a desktop entry's Exec value.
    static QString CommandToExec(const QString& command);

private:
    enum class Kind { None, Extension, Verb, Command };
    struct Key {
        Kind kind = Kind::None;
        QString path;     // as given
        QString mimeType; // Verb, Command
        QString verb;     // Verb, Command
        QString extension;
    };
    static Key Parse(const QString& key);
    bool Exists(const Key& key) const;

    QString dir_;
    Key current_;
};

} // namespace kivo
