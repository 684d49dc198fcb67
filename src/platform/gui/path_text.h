#pragma once
// A path in a QString. Linux names are bytes and need not be UTF-8, so a path is never put
// into a QString with fromUtf8 / QFile::decodeName (both lossy for such names): PathText
// keeps each byte that is not part of well-formed UTF-8 as the lone code unit
// U+DC80 + (byte - 0x80), and PathBytes turns those back into the very byte. Everything
// else is plain UTF-8 <-> UTF-16. A window shows DisplayText of such a string, which has
// U+FFFD in their place and never leads back to the file.

#include <string>
#include <string_view>

#include <QString>
#include <QUrl>

namespace kivo {

QString PathText(std::string_view bytes);
std::string PathBytes(const QString& path);

// What a label, a cell or a message shows for a path held as PathText.
QString DisplayText(const QString& path);
QString DisplayText(std::string_view bytes);

// Whether a PathText string holds bytes that are not UTF-8.
bool HasRawBytes(const QString& path);

// The file: URL of an absolute path, every byte that is not plain ASCII percent-encoded
// (QUrl::fromLocalFile would encode U+FFFD in place of a byte that is not UTF-8).
QUrl FileUrl(std::string_view absoluteBytes);

} // namespace kivo
