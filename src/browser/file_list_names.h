#pragma once
// Rows of a listing found by an entry's name as the folder gives it (bytes): a watched
// folder's re-listing looks every entry up among the rows shown, and most names are ASCII,
// so no text is made for a name that is found unchanged.

#include <cstdint>
#include <string_view>
#include <vector>

#include "browser/file_list_listing.h"

namespace kivo {

class ListedNames {
public:
    // The rows must outlive the table and keep their names.
    explicit ListedNames(const std::vector<FileListItem>& rows);

    // The first row of that name, -1 when none; Next gives the following row of the same name.
    int Find(std::string_view bytes) const;
    int Next(int row) const { return next_[static_cast<std::size_t>(row)]; }

private:
    const std::vector<FileListItem>& rows_;
    std::vector<int> slots_; // open addressing by hash; -1 is free
    std::vector<int> next_;
    std::size_t mask_ = 0;
};

} // namespace kivo
