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
    return CompanionIndex(names).of(photo);
}

CompanionIndex::CompanionIndex(const std::vector<std::string>& names) : names_(names) {
    byStem_.reserve(names.size());
    sorted_.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        byStem_.emplace_back(stemOf(names[i]), i);
        sorted_.emplace_back(names[i]);
    }
    std::sort(byStem_.begin(), byStem_.end());
    std::sort(sorted_.begin(), sorted_.end());
}

void CompanionIndex::collect(std::string_view key, std::vector<std::size_t>& out) const {
    auto at = std::lower_bound(byStem_.begin(), byStem_.end(), std::make_pair(key, std::size_t{0}));
    for (; at != byStem_.end() && at->first == key; ++at)
        out.push_back(at->second);
}

bool CompanionIndex::contains(std::string_view name) const {
    return std::binary_search(sorted_.begin(), sorted_.end(), name);
}

std::vector<std::string> CompanionIndex::of(const std::string& photo) const {
    std::vector<std::string> out;
    if (!IsPhotoName(photo))
        return out;
    const std::string_view stem = stemOf(photo);
    const bool raw = IsRawName(photo);
    auto isTwin = [&](std::string_view n) {
        return n != photo && IsPhotoName(n) && stemOf(n) == stem && IsRawName(n) != raw;
    };
    // A member's stem is the photo's (a twin, NAME.xmp), the photo's name (NAME.ext.xmp) or
    // a twin's name (the twin's sidecar).
    std::vector<std::size_t> candidates;
    collect(stem, candidates);
    const std::size_t sameStem = candidates.size();
    if (stem != photo)
        collect(photo, candidates);
    for (std::size_t k = 0; k < sameStem; ++k)
        if (const std::string& n = names_[candidates[k]]; isTwin(n))
            collect(n, candidates);
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    for (const std::size_t i : candidates) {
        const std::string& n = names_[i];
        if (n == photo)
            continue;
        bool member = isTwin(n);
        if (!member && isXmpName(n)) {
            const std::string_view base = std::string_view(n).substr(0, n.size() - 4);
            member = base == stem || base == photo || (isTwin(base) && contains(base));
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
