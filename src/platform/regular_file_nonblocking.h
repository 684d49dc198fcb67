#pragma once
// Opening a regular file for a reader that leaves it non-blocking: one system call less
// per file than OpenRegularFile. O_NONBLOCK means nothing to a regular file on most file
// systems; a reader that is ever answered EAGAIN clears it (ClearNonBlocking) and retries.

#include <string>

#include "platform/regular_file.h"

namespace kivo {

// As OpenRegularFile(path, O_RDONLY), but the descriptor keeps O_NONBLOCK.
RegularFile OpenRegularFileNonBlocking(const std::string& path);
// Makes fd blocking; false when that failed.
bool ClearNonBlocking(int fd);

} // namespace kivo
