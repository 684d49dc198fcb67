// The "Drives" view of the file list: one item per mounted volume with its type, size and
// free space, in the drive columns.

#include "browser/file_list_listing.h"
#include "browser/file_list_text_helpers.h"
#include "platform/file_system.h"
#include "platform/gui/locale_formats.h"
#include "platform/gui/volumes.h"

namespace kivo {

using list_text::FromUtf8;
using list_text::ToUtf8;

namespace {

// Groups digits with the thousands separator ("###,###,###").
QString GroupDigits(std::int64_t v, char separator) {
    const QString digits = QString::number(v);
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0 && separator != '\0')
            out += QLatin1Char(separator);
        out += digits[i];
    }
    return out;
}

} // namespace

QString VolumeSpaceText(std::int64_t kiloBytes) {
    if (kiloBytes < 1)
        return QStringLiteral("0 Mb");
    const std::int64_t v = kiloBytes / 1000;
    return (v == 0 ? QString() : GroupDigits(v, ProcessFormatSettings().ThousandSeparator)) +
           QStringLiteral(" Mb");
}

QString VolumeTypeText(int type) {
    switch (type) {
    case vtUnknown:
        return QStringLiteral("Unknown");
    case vtNoRoot:
        return QStringLiteral("Not exist");
    case vtRemovable:
        return QStringLiteral("Removable Disk");
    case vtFixed:
        return QStringLiteral("Fixed Disk");
    case vtRemote:
        return QStringLiteral("Network Disk");
    case vtCdRom:
        return QStringLiteral("CD-ROM Disk");
    case vtRamDisk:
        return QStringLiteral("RAM Disk");
    default:
        return {};
    }
}

void FileListing::BuildDriveColumns() {
    columns_ = {
        {QStringLiteral("Name"), 160, Qt::AlignLeft, -1},
        {QStringLiteral("Type"), 110, Qt::AlignLeft, siSize},
        {QStringLiteral("Disk Size"), 90, Qt::AlignRight, siType},
        {QStringLiteral("Free Space"), 90, Qt::AlignRight, siModified},
        {QStringLiteral("Attributes"), 40, Qt::AlignLeft, siAttr},
    };
}

void FileListing::ListVolumes() {
    sortable_ = false;
    const std::vector<VolumeInfo> volumes = MountedVolumes();
    // Removable and optical volumes are never touched: they may have no medium.
    auto asked = [](const VolumeInfo& v) { return v.type != vtRemovable && v.type != vtCdRom; };
    std::vector<QString> roots;
    for (const VolumeInfo& v : volumes)
        if (asked(v))
            roots.push_back(v.root);
    // All at once and for a bounded time: a dead network mount never holds the list up.
    const std::vector<ProbeAnswer> answers = SharedVolumeProber().ProbeAll(roots);
    std::size_t next = 0;
    for (const VolumeInfo& v : volumes) {
        ProbeAnswer answer;
        answer.state = ProbeState::Ready;
        if (asked(v))
            answer = answers[next++];
        if (answer.state == ProbeState::Failed)
            continue; // a volume that cannot be asked is left out
        FileListItem item;
        item.caption = QStringLiteral(" (") + DisplayText(v.root) + QStringLiteral(")  ") + v.name;
        item.iconKey = QStringLiteral("volume:") + QString::number(v.type);
        item.subItems[siSize] = VolumeTypeText(v.type);
        if (answer.state == ProbeState::Pending) {
            item.subItems[siType] = kVolumeUnavailable;
            item.subItems[siModified] = kVolumeUnavailable;
        } else {
            item.subItems[siType] = VolumeSpaceText(answer.space.totalKb);
            item.subItems[siModified] = VolumeSpaceText(answer.space.freeKb);
        }
        item.subItems[siPath] = FromUtf8(IncludeTrailingSlash(ToUtf8(v.root)));
        item.subItems[siKind] = kKindDrive;
        items_.push_back(std::move(item));
    }
}

} // namespace kivo
