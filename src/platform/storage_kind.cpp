#include "platform/storage_kind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

namespace kivo {

namespace {

constexpr unsigned kMostReaders = 4;

// The first byte of a small sysfs attribute, 0 when it cannot be read.
char FirstByte(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return 0;
    char c = 0;
    if (::read(fd, &c, 1) != 1)
        c = 0;
    ::close(fd);
    return c;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

int ReadersForDevice(unsigned major, unsigned minor, unsigned cores, const std::string& sysRoot) {
    const std::string link =
        sysRoot + "/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    // sysfs links each device to its place in the device tree, where a partition is a
    // folder inside its disk's.
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(link.c_str(), nullptr),
                                                           &std::free);
    if (!real)
        return 1;
    std::string disk = real.get();
    if (Exists(disk + "/partition")) {
        const std::size_t slash = disk.rfind('/');
        if (slash == std::string::npos || slash == 0)
            return 1;
        disk.resize(slash);
    }
    if (FirstByte(disk + "/queue/rotational") != '0')
        return 1;
    return static_cast<int>(std::clamp(cores, 1u, kMostReaders));
}

int ReadersForFolder(const std::string& folder, unsigned cores, const std::string& sysRoot) {
    struct stat st {};
    if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0)
        return 1;
    return ReadersForDevice(major(st.st_dev), minor(st.st_dev), cores, sysRoot);
}

} // namespace kivo
