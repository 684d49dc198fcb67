// read_head_loop FILE...: the baseline of bench/peers.sh. Opens each file, reads its first
// 64 KiB (where a photo's metadata lies) and closes it: the least any metadata reader must
// do per file. Prints the number of files and bytes read.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

int main(int argc, char** argv) {
    static unsigned char buffer[64 * 1024];
    std::uint64_t bytes = 0;
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const int fd = ::open(argv[i], O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        std::size_t done = 0;
        while (done < sizeof buffer) {
            const ssize_t got = ::read(fd, buffer + done, sizeof buffer - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        ::close(fd);
        bytes += done;
        ++files;
    }
    std::printf("files=%d bytes=%llu\n", files, static_cast<unsigned long long>(bytes));
    return 0;
}
