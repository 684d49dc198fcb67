#pragma once
// The files that belong with a photo and move with it when it is renamed or gathered:
// its XMP sidecars (NAME.xmp in any letter case of the extension, NAME.ext.xmp) and its RAW
// or JPEG twin (the same stem, one of them a RAW file), with the twin's sidecars.

#include <string>
#include <vector>

namespace kivo {

// The members of photo's group among names (one folder's names), photo itself left out, in
// the order of names; a twin's sidecar only when the twin is among names too. Empty for a
// name that is no photo (container_kind.h).
std::vector<std::string> CompanionsOf(const std::string& photo,
                                      const std::vector<std::string>& names);

// The companion's name when its photo is called newPhoto: the photo's new stem with the
// companion's part after the old stem ("a.CR2" -> "b.CR2", "a.jpg.xmp" -> "b.jpg.xmp").
std::string CompanionNewName(const std::string& photo, const std::string& companion,
                             const std::string& newPhoto);

} // namespace kivo
