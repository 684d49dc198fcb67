#pragma once
// Small text helpers shared by the parts of the file listing: path conversions, ASCII
// upper case and the sign of a comparison.

#include <string>
#include <string_view>

#include <QString>

#include "platform/gui/path_text.h"

namespace kivo::list_text {

// Lossless for names that are not UTF-8 (see PathText): listed paths lead back to the file.
// Names are nearly always ASCII, and then the text is the bytes as they are.
inline QString FromUtf8(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return PathText(s);
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
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
