#include "photoops/file_time.h"

#include <cerrno>
#include <ctime>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include "platform/regular_file.h"

namespace kivo {

TDateTime StoredFileTime(TDateTime localTime) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(localTime, y, mo, d);
    DecodeTime(localTime, h, mi, s, ms);
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(y, mo, d, date) || !TryEncodeTime(h, mi, s & ~1, 0, time))
        return localTime;
    return ComposeDateTime(date, time);
}

std::string StoredFileTimeText(std::string_view text) {
    const std::optional<TDateTime> value = ParseDateTimeText(text);
    return value ? DateTimeText(StoredFileTime(*value)) : std::string(text);
}

FileTimeResult WriteFileTime(const std::string& path, TDateTime localTime, bool write) {
    return WriteFileTimeAt(AT_FDCWD, path, localTime, write);
}

FileTimeResult CheckStorableFileTime(TDateTime localTime) {
    int y = 0, mo = 0, d = 0;
    DecodeDate(localTime, y, mo, d);
    if (y < 1980)
        return {false, "date before 1980"};
    if (y > 2099)
        return {false, "date after 2099"};
    return {true, {}};
}

FileTimeResult LockForFileTime(int fd) {
    // Without sharing: a program writing the file at the same time keeps it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return {false, errno == EWOULDBLOCK ? "in use by another program" : OpenErrorText(errno)};
    return {true, {}};
}

FileTimeResult WriteFileTimeAt(int dirFd, const std::string& name, TDateTime localTime,
                               bool write) {
    if (FileTimeResult range = CheckStorableFileTime(localTime); !range)
        return range;
    const RegularFile file = OpenRegularFileAt(dirFd, name, O_RDWR);
    if (!file)
        return {false, OpenErrorText(file.error)};
    if (FileTimeResult locked = LockForFileTime(file.fd.get()); !locked)
        return locked;
    if (!write)
        return {true, {}};
    const std::time_t t = LocalDateTimeToUnix(StoredFileTime(localTime));
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = t;
    times[1].tv_nsec = 0;
    if (::futimens(file.fd.get(), times) != 0)
        return {false, OpenErrorText(errno)};
    return {true, {}};
}

} // namespace kivo
