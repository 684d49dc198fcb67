#pragma once
// Small text helpers shared by the parts of the file listing: path conversions, ASCII
// upper case and the sign of a comparison.

#include <string>

#include <QString>

#include "platform/gui/path_text.h"

namespace kivo::list_text {

// Lossless for names that are not UTF-8 (see PathText): listed paths lead back to the file.
inline QString FromUtf8(const std::string& s) {
    return PathText(s);
}
inline std::string ToUtf8(const QString& s) {
    return PathBytes(s);
}

inline char16_t AsciiUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

inline int Sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

} // namespace kivo::list_text
