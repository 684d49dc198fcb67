#pragma once
// How many threads read a command's files: several only where that pays.

#include <cstddef>
#include <string>

namespace kivo {

// Threads that read the files and work on what they found: none (the calling thread does
// all), or `workers` of them; with readAhead the calling thread opens each file and reads
// its head first, in order, so that the disk sees one reader.
struct ReadThreads {
    unsigned workers = 0;
    bool readAhead = false;
};

// Threads only for many files and only on cores that nothing else wants just now:
// parallel readers where the disk holding `folder` serves them, else one reader ahead of
// one worker.
ReadThreads ReadThreadsFor(std::size_t files, const std::string& folder);

// The folder part of a path as given: "." for a bare name, "/" for a file in the root.
std::string FolderOfPath(const std::string& path);

} // namespace kivo
