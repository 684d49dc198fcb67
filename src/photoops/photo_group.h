#pragma once
// The files that belong with a photo and move with it when it is renamed or gathered:
// its XMP sidecars (NAME.xmp in any letter case of the extension, NAME.ext.xmp) and its RAW
// or JPEG twin (the same stem, one of them a RAW file), with the twin's sidecars.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kivo {

// The members of photo's group among names (one folder's names), photo itself left out, in
// the order of names; a twin's sidecar only when the twin is among names too. Empty for a
// name that is no photo (container_kind.h).
std::vector<std::string> CompanionsOf(const std::string& photo,
                                      const std::vector<std::string>& names);

// CompanionsOf for many photos of one folder: the names indexed once by what a member's
// name starts with, so each photo looks only at the few names that can belong to it.
class CompanionIndex {
public:
    // `names` must outlive the index.
    explicit CompanionIndex(const std::vector<std::string>& names);
    CompanionIndex(const CompanionIndex&) = delete;
    CompanionIndex& operator=(const CompanionIndex&) = delete;

    std::vector<std::string> of(const std::string& photo) const;

private:
    void collect(std::string_view key, std::vector<std::size_t>& out) const;
    bool contains(std::string_view name) const;

    const std::vector<std::string>& names_;
    std::vector<std::pair<std::string_view, std::size_t>> byStem_; // sorted
    std::vector<std::string_view> sorted_;
};

// The companion's name when its photo is called newPhoto: the photo's new stem with the
// companion's part after the old stem ("a.CR2" -> "b.CR2", "a.jpg.xmp" -> "b.jpg.xmp").
std::string CompanionNewName(const std::string& photo, const std::string& companion,
                             const std::string& newPhoto);

} // namespace kivo
