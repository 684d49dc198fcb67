#pragma once
// File names are bytes. Most are UTF-8, but an old camera card or an unpacked archive can
// hold names that are not; these helpers tell the two apart and make the text shown for
// such a name without ever using that text to reach the file.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kivo {

// One step of strict UTF-8 decoding at `pos`: the code point and its length in bytes, or
// nullopt for a byte that does not start a well-formed sequence (overlong forms, UTF-16
// surrogates and values above U+10FFFF are not well-formed).
struct Utf8Step {
    char32_t code = 0;
    std::size_t length = 1;
};
std::optional<Utf8Step> DecodeUtf8At(std::string_view bytes, std::size_t pos);

bool IsValidUtf8(std::string_view bytes);

// Equal bytes, A-Z matching a-z; no other letter is folded (the texts compared are ASCII
// keywords, never names).
bool SameIgnoringAsciiCase(std::string_view a, std::string_view b);

// The bytes as UTF-8 text, each byte that is not part of a well-formed sequence shown as
// U+FFFD: for showing a name, never for finding the file again.
std::string LossyUtf8(std::string_view bytes);

} // namespace kivo
