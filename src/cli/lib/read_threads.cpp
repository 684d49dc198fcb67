#include "cli/lib/read_threads.h"

#include <sched.h>
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <thread>

#include "platform/regular_file.h"
#include "platform/regular_file_nonblocking.h"
#include "platform/storage_kind.h"

namespace kivo {

namespace {

// Fewer files do not pay for starting threads and filling their buffers (a folder of a
// batch command costs that once for each folder).
constexpr std::size_t kThreadsFrom = 64;

// Tasks running or ready to run on the machine just now, this one included; 0 when that
// cannot be read. /proc/loadavg: "0.50 0.40 0.30 RUNNABLE/TOTAL LASTPID".
unsigned RunnableTasks() {
    const RegularFile file = OpenRegularFileNonBlocking("/proc/loadavg");
    char text[128];
    const ssize_t n = file ? ::read(file.fd.get(), text, sizeof text - 1) : -1;
    if (n <= 0)
        return 0;
    text[n] = '\0';
    const char* slash = std::strchr(text, '/');
    const char* from = slash;
    while (from && from > text && from[-1] >= '0' && from[-1] <= '9')
        --from;
    unsigned runnable = 0;
    if (!from || std::from_chars(from, slash, runnable).ec != std::errc())
        return 0;
    return runnable;
}

// The cores this process may run on (taskset, cgroup cpusets), else all of them.
unsigned UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    return std::thread::hardware_concurrency();
}

} // namespace

ReadThreads ReadThreadsFor(std::size_t files, const std::string& folder) {
    const unsigned cores = UsableCores();
    if (files < kThreadsFrom || cores < 2)
        return {};
    // Only cores that nothing else wants just now are used: on a busy machine a second
    // thread waits for a core and costs more than it brings.
    const unsigned runnable = RunnableTasks(); // this process among them
    const unsigned others = runnable > 0 ? runnable - 1 : 0;
    const unsigned idle = cores > others ? cores - others : 0;
    if (idle < 2)
        return {};
    const int readers = ReadersForFolder(folder, idle);
    // A rotating disk is read by the calling thread alone, file after file as a single
    // reader would, while another thread works on what it read.
    if (readers > 1)
        return {static_cast<unsigned>(readers), false};
    return {1, true};
}

std::string FolderOfPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace kivo
