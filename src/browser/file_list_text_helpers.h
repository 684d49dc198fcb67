#pragma once
// Small text helpers shared by the parts of the file listing: UTF-8 conversions, ASCII
// upper case and the sign of a comparison.

#include <string>

#include <QString>

namespace kivo::list_text {

inline QString FromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string ToUtf8(const QString& s) {
    return s.toUtf8().toStdString();
}

inline char16_t AsciiUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

inline int Sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

} // namespace kivo::list_text
