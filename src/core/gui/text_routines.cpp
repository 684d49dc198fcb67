// The shared routines on texts alone (shared_routines.h), in a file of their own: a program
// that needs only them (kivo-tidy's naming) does not link the widgets with them.

#include "core/gui/shared_routines.h"

namespace kivo {
namespace {

QChar LowerAscii(QChar c) {
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ? QChar(c.unicode() + 32) : c;
}

} // namespace

bool SameTextAscii(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

QString PadLeft(const QString& s, QChar fill, int width) {
    if (s.size() < width)
        return QString(width - s.size(), fill) + s;
    return s;
}

} // namespace kivo
