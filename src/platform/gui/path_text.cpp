#include "platform/gui/path_text.h"

#include "platform/name_bytes.h"

namespace kivo {

namespace {

constexpr char16_t kRawFirst = 0xDC80;
constexpr char16_t kRawLast = 0xDCFF;

bool IsRawUnit(const QString& s, qsizetype i) {
    const char16_t c = s.at(i).unicode();
    if (c < kRawFirst || c > kRawLast)
        return false;
    // The low half of a surrogate pair is a character of its own, not a raw byte.
    return i == 0 || !s.at(i - 1).isHighSurrogate();
}

} // namespace

QString PathText(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t pos = 0; pos < bytes.size();) {
        if (const auto step = DecodeUtf8At(bytes, pos)) {
            if (step->code < 0x10000) {
                out.append(QChar(static_cast<char16_t>(step->code)));
            } else {
                out.append(QChar(QChar::highSurrogate(step->code)));
                out.append(QChar(QChar::lowSurrogate(step->code)));
            }
            pos += step->length;
        } else {
            // Only bytes 0x80-0xFF can fail to decode: ASCII is always well-formed.
            out.append(
                QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[pos]))));
            ++pos;
        }
    }
    return out;
}

std::string PathBytes(const QString& path) {
    std::string out;
    out.reserve(static_cast<std::size_t>(path.size()));
    qsizetype from = 0; // start of the run of ordinary text not yet converted
    const auto flush = [&](qsizetype to) {
        if (to > from)
            out += QStringView(path).mid(from, to - from).toUtf8().toStdString();
    };
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (IsRawUnit(path, i)) {
            flush(i);
            out += static_cast<char>(path.at(i).unicode() - 0xDC00);
            from = i + 1;
        }
    }
    flush(path.size());
    return out;
}

QString DisplayText(const QString& path) {
    QString out = path;
    for (qsizetype i = 0; i < out.size(); ++i)
        if (IsRawUnit(path, i))
            out[i] = QChar::ReplacementCharacter;
    return out;
}

QString DisplayText(std::string_view bytes) {
    return DisplayText(PathText(bytes));
}

bool HasRawBytes(const QString& path) {
    for (qsizetype i = 0; i < path.size(); ++i)
        if (IsRawUnit(path, i))
            return true;
    return false;
}

QUrl FileUrl(std::string_view absoluteBytes) {
    const QByteArray path(absoluteBytes.data(), static_cast<qsizetype>(absoluteBytes.size()));
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"), QUrl::StrictMode);
}

} // namespace kivo
