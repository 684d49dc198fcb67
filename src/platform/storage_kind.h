#pragma once
// Whether reading many files of a folder gains from several readers at once: a solid-state
// disk serves parallel requests, a rotating one seeks between them and gets slower.

#include <string>

namespace kivo {

// Readers to use for the files of `folder`: up to `cores` (at most 4) when the disk
// holding it says it does not rotate, else 1. A partition is judged by its disk; anything
// that cannot be told (no block device, no such entry) reads one file after another.
// `sysRoot` is where sysfs is mounted.
int ReadersForFolder(const std::string& folder, unsigned cores,
                     const std::string& sysRoot = "/sys");

// The same for the device major:minor.
int ReadersForDevice(unsigned major, unsigned minor, unsigned cores,
                     const std::string& sysRoot = "/sys");

} // namespace kivo
