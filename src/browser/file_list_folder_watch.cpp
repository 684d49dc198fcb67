#include "browser/file_list_folder_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include <QSocketNotifier>

namespace kivo {

namespace {

// A file written and closed is told too: a copy grows its file without creating or renaming
// anything once it has begun. Each write of it is not (a large copy would tell thousands).
constexpr std::uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                  IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR |
                                  IN_EXCL_UNLINK;

} // namespace

FolderWatch::FolderWatch(QObject* parent) : QObject(parent) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0)
        return; // no watch to be had: the list is brought up to date by F5 alone
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadEvents(); });
}

FolderWatch::~FolderWatch() {
    if (fd_ >= 0)
        ::close(fd_);
}

void FolderWatch::Watch(const std::string& folder) {
    if (fd_ < 0)
        return;
    if (wd_ >= 0)
        ::inotify_rm_watch(fd_, wd_);
    wd_ = -1;
    folder_ = folder;
    if (!folder.empty())
        wd_ = ::inotify_add_watch(fd_, folder.c_str(), kEvents);
}

void FolderWatch::ReadEvents() {
    // Events are read until none is left, a bounded buffer at a time. Their kind does not
    // matter (the folder is listed again), but those of a folder watched before do not
    // count, and a removed folder's watch is gone.
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    bool changed = false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            if (event.wd == wd_ || (event.mask & IN_Q_OVERFLOW))
                changed = true;
            if ((event.mask & IN_IGNORED) && event.wd == wd_)
                wd_ = -1;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
        }
    }
    if (changed)
        emit Changed();
}

} // namespace kivo
