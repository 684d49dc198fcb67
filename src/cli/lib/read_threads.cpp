#include "cli/lib/read_threads.h"

#include <thread>

#include "platform/storage_kind.h"

namespace kivo {

namespace {

// A run with fewer files does not pay for starting threads.
constexpr std::size_t kThreadsFrom = 16;

} // namespace

ReadThreads ReadThreadsFor(std::size_t files, const std::string& folder) {
    const unsigned cores = std::thread::hardware_concurrency();
    if (files < kThreadsFrom || cores < 2)
        return {};
    const int readers = ReadersForFolder(folder, cores);
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
