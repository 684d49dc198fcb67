#pragma once
// Where an entry lies in a freedesktop Trash, as the journal records it: plain data, so
// that code without the desktop's Trash implementation can carry it.

#include <string>

namespace kivo {

struct TrashedEntry {
    std::string filesPath; // the entry in the Trash's files/
    std::string infoPath;  // its .trashinfo
    std::string infoData;  // the .trashinfo's contents
};

} // namespace kivo
