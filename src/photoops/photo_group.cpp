#include "photoops/photo_group.h"

#include <algorithm>
#include <string_view>

#include "exif/container_kind.h"

namespace kivo {

namespace {

std::string_view stemOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

bool isXmpName(std::string_view name) {
    if (name.size() < 5)
        return false;
    std::string ext(name.substr(name.size() - 4));
    for (char& c : ext)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == ".xmp";
}

} // namespace

std::vector<std::string> CompanionsOf(const std::string& photo,
                                      const std::vector<std::string>& names) {
    std::vector<std::string> out;
    if (!IsPhotoName(photo))
        return out;
    const std::string_view stem = stemOf(photo);
    const bool raw = IsRawName(photo);
    auto isTwin = [&](const std::string& n) {
        return n != photo && IsPhotoName(n) && stemOf(n) == stem && IsRawName(n) != raw;
    };
    for (const std::string& n : names) {
        if (n == photo)
            continue;
        bool member = isTwin(n);
        if (!member && isXmpName(n)) {
            const std::string base = n.substr(0, n.size() - 4);
            member = base == stem || base == photo ||
                     (isTwin(base) && std::find(names.begin(), names.end(), base) != names.end());
        }
        if (member)
            out.push_back(n);
    }
    return out;
}

std::string CompanionNewName(const std::string& photo, const std::string& companion,
                             const std::string& newPhoto) {
    const std::string_view stem = stemOf(photo);
    return std::string(stemOf(newPhoto)) + companion.substr(stem.size());
}

} // namespace kivo
