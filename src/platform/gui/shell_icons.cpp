#include "platform/gui/shell_icons.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>
#include <QStyle>

#include "platform/gui/volumes.h"

namespace kivo {
namespace {

const QString kDefaultMime = QStringLiteral("application/octet-stream");

ShellFileType TypeOf(const QMimeType& mime) {
    ShellFileType t;
    t.mimeName = mime.name();
    t.typeName = mime.comment();
    return t;
}

QIcon ProviderIcon(QFileIconProvider::IconType type) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return {};
    static QFileIconProvider provider;
    return provider.icon(type);
}

} // namespace

ShellFileType ShellTypeOfFile(const QString& fileName) {
    // The MIME globs only look at the name's suffixes, so names with the same complete
    // suffix share the answer; names without a dot are looked up whole.
    // Listings are also made off the GUI thread.
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    static QHash<QString, ShellFileType> cache;
    const qsizetype dot = fileName.indexOf(QLatin1Char('.'), 1);
    const QString key = dot < 0 ? QLatin1Char('|') + fileName : fileName.mid(dot);
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    static QMimeDatabase db;
    const QList<QMimeType> types = db.mimeTypesForFileName(fileName);
    const ShellFileType t =
        types.isEmpty() ? TypeOf(db.mimeTypeForName(kDefaultMime)) : TypeOf(types.first());
    cache.insert(key, t);
    return t;
}

ShellFileType ShellTypeOfFolder() {
    static const ShellFileType t =
        TypeOf(QMimeDatabase().mimeTypeForName(QStringLiteral("inode/directory")));
    return t;
}

QIcon ShellIconForMime(const QString& mimeName) {
    static QHash<QString, QIcon> cache;
    const auto it = cache.constFind(mimeName);
    if (it != cache.constEnd())
        return *it;
    QIcon icon;
    if (mimeName == QLatin1String("inode/directory")) {
        icon = ShellFolderIcon(false);
    } else {
        const QMimeType mime = QMimeDatabase().mimeTypeForName(mimeName);
        if (mime.isValid()) {
            icon = QIcon::fromTheme(mime.iconName());
            if (icon.isNull())
                icon = QIcon::fromTheme(mime.genericIconName());
        }
        if (icon.isNull())
            icon = ProviderIcon(QFileIconProvider::File);
    }
    cache.insert(mimeName, icon);
    return icon;
}

QIcon ShellFolderIcon(bool open) {
    QIcon icon = QIcon::fromTheme(open ? QStringLiteral("folder-open") : QStringLiteral("folder"));
    if (icon.isNull())
        icon = ProviderIcon(QFileIconProvider::Folder);
    return icon;
}

QIcon ShellVolumeIcon(int volumeType) {
    QString name;
    switch (volumeType) {
    case vtRemovable:
        name = QStringLiteral("drive-removable-media");
        break;
    case vtCdRom:
        name = QStringLiteral("drive-optical");
        break;
    case vtRemote:
        name = QStringLiteral("folder-remote");
        break;
    default:
        name = QStringLiteral("drive-harddisk");
        break;
    }
    QIcon icon = QIcon::fromTheme(name);
    if (icon.isNull())
        icon = ProviderIcon(QFileIconProvider::Drive);
    return icon;
}

QIcon ShellComputerIcon() {
    QIcon icon = QIcon::fromTheme(QStringLiteral("computer"));
    if (icon.isNull())
        icon = ProviderIcon(QFileIconProvider::Computer);
    return icon;
}

QString ShellComputerName() {
    return QStringLiteral("Computer");
}

} // namespace kivo
