// The texts of the file listing and reading them back: the date and time patterns, the
// Size text and the number it stands for, and the Modified text as a date-time.

#include "browser/file_list_listing.h"
#include "browser/file_list_text_helpers.h"
#include "platform/gui/locale_formats.h"

namespace kivo {

using list_text::AsciiUpper;
using list_text::FromUtf8;

namespace {

// Reads the parts of a date-time text laid out by a FormatDateTime pattern.
class ModifiedTextParser {
public:
    ModifiedTextParser(const QString& text, const FormatSettings& fs) : text_(text), fs_(fs) {}

    bool Parse(const QString& pattern, int depth = 0) {
        twelve_ = twelve_ || pattern.contains(QLatin1String("am/pm"), Qt::CaseInsensitive) ||
                  pattern.contains(QLatin1String("a/p"), Qt::CaseInsensitive);
        bool lastWasHour = false;
        qsizetype i = 0;
        const qsizetype n = pattern.size();
        auto run = [&](char16_t letter) {
            qsizetype k = 0;
            while (i + k < n && AsciiUpper(pattern[i + k].unicode()) == AsciiUpper(letter))
                ++k;
            return k;
        };
        while (i < n) {
            const QChar c = pattern[i];
            const char16_t lc = static_cast<char16_t>(c.toLower().unicode());
            if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                qsizetype end = pattern.indexOf(c, i + 1);
                if (end < 0)
                    end = n;
                if (!Literal(pattern.mid(i + 1, end - i - 1)))
                    return false;
                i = end < n ? end + 1 : n;
                continue;
            }
            if (pattern.mid(i, 5).compare(QLatin1String("am/pm"), Qt::CaseInsensitive) == 0) {
                if (!Marker(2))
                    return false;
                i += 5;
                continue;
            }
            if (pattern.mid(i, 3).compare(QLatin1String("a/p"), Qt::CaseInsensitive) == 0) {
                if (!Marker(1))
                    return false;
                i += 3;
                continue;
            }
            const qsizetype k = (lc >= u'a' && lc <= u'z') ? run(lc) : 1;
            bool ok = true;
            bool hour = false;
            switch (lc) {
            case u'y':
                ok = Number(k <= 2 ? 2 : 4, year_);
                twoDigitYear_ = k <= 2;
                break;
            case u'm':
                if (lastWasHour && k <= 2)
                    ok = Number(2, minute_);
                else if (k <= 2)
                    ok = Number(2, month_);
                else
                    ok = Word();
                break;
            case u'd':
                if (k <= 2)
                    ok = Number(2, day_);
                else if (k <= 4)
                    ok = Word();
                else
                    ok = depth < 2 && Parse(FromUtf8(fs_.ShortDateFormat), depth + 1);
                break;
            case u'h':
                ok = Number(2, hour_);
                hour = true;
                break;
            case u'n':
                ok = Number(2, minute_);
                break;
            case u's':
                ok = Number(2, second_);
                break;
            case u'z':
                ok = Number(3, msec_);
                break;
            case u't':
                ok = depth < 2 &&
                     Parse(FromUtf8(k == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat), depth + 1);
                break;
            case u'/':
                ok = Literal(QString(QLatin1Char(fs_.DateSeparator)));
                break;
            case u':':
                ok = Literal(QString(QLatin1Char(fs_.TimeSeparator)));
                break;
            default:
                ok = Literal(pattern.mid(i, k));
                break;
            }
            if (!ok)
                return false;
            lastWasHour = hour;
            i += k;
        }
        return true;
    }

    bool Result(TDateTime& out) const {
        if (pos_ != text_.size() || year_ < 0 || month_ < 0 || day_ < 0)
            return false;
        int year = year_;
        if (twoDigitYear_) {
            // Two-digit years fall into the hundred years that start fifty years ago.
            int nowYear = 0, m = 0, d = 0;
            DecodeDate(Now(), nowYear, m, d);
            const int base = nowYear - 50;
            year += base / 100 * 100;
            if (year < base)
                year += 100;
        }
        int hour = hour_ < 0 ? 0 : hour_;
        if (twelve_) {
            if (hour < 1 || hour > 12)
                return false;
            hour = (hour % 12) + (pm_ ? 12 : 0);
        }
        TDateTime date = 0, time = 0;
        if (!TryEncodeDate(year, month_, day_, date) ||
            !TryEncodeTime(hour, minute_ < 0 ? 0 : minute_, second_ < 0 ? 0 : second_,
                           msec_ < 0 ? 0 : msec_, time))
            return false;
        out = date + time;
        return true;
    }

private:
    bool Number(int maxDigits, int& value) {
        int digits = 0;
        int v = 0;
        while (pos_ < text_.size() && digits < maxDigits && text_[pos_].isDigit() &&
               text_[pos_].unicode() < 128) {
            v = v * 10 + (text_[pos_].unicode() - u'0');
            ++pos_;
            ++digits;
        }
        if (digits == 0)
            return false;
        value = v;
        return true;
    }
    bool Literal(const QString& s) {
        if (text_.mid(pos_, s.size()) != s)
            return false;
        pos_ += s.size();
        return true;
    }
    bool Word() {
        const qsizetype start = pos_;
        while (pos_ < text_.size() && text_[pos_].isLetter())
            ++pos_;
        return pos_ > start;
    }
    // AM/PM (two letters) or A/P (one).
    bool Marker(int letters) {
        const QString m = text_.mid(pos_, letters).toUpper();
        if (m.size() != letters || (m[0] != QLatin1Char('A') && m[0] != QLatin1Char('P')))
            return false;
        pm_ = m[0] == QLatin1Char('P');
        pos_ += letters;
        return true;
    }

    const QString& text_;
    const FormatSettings& fs_;
    qsizetype pos_ = 0;
    int year_ = -1, month_ = -1, day_ = -1, hour_ = -1, minute_ = -1, second_ = -1, msec_ = -1;
    bool twoDigitYear_ = false;
    bool twelve_ = false;
    bool pm_ = false;
};

} // namespace

QString DatePatternFor(TDtFormat format) {
    switch (format) {
    case TDtFormat::df_MMddyyyy:
        return QStringLiteral("MM/dd/yyyy");
    case TDtFormat::df_MMddyy:
        return QStringLiteral("MM/dd/yy");
    case TDtFormat::df_ddMMyyyy:
        return QStringLiteral("dd/MM/yyyy");
    case TDtFormat::df_ddMMyy_GB:
        return QStringLiteral("dd/MM/yy");
    case TDtFormat::df_ddMMyy_DE:
        return QStringLiteral("dd.MM.yy");
    case TDtFormat::df_ddMMyy_IT:
        return QStringLiteral("dd-MM-yy");
    case TDtFormat::df_yyyyMMdd:
        return QStringLiteral("yyyy.MM.dd");
    case TDtFormat::df_yyMMdd:
        return QStringLiteral("yy.MM.dd");
    case TDtFormat::df_Customize:
        break;
    }
    return FromUtf8(LocaleShortDateFormat());
}

QString TimePatternFor(TTmFormat format) {
    switch (format) {
    case TTmFormat::tfLongFormat:
        return FromUtf8(ProcessFormatSettings().LongTimeFormat);
    case TTmFormat::tfShortFormat:
        return FromUtf8(ProcessFormatSettings().ShortTimeFormat);
    case TTmFormat::tfCustomize:
        break;
    }
    // The user's time format up to its first "t", on a 12-hour clock.
    QString f = FromUtf8(LocaleLongTimeFormat());
    const qsizetype t = f.indexOf(QLatin1Char('t'));
    if (t >= 0)
        f.truncate(t);
    return f + QStringLiteral(" AM/PM");
}

namespace {
thread_local const FormatSettings* pinnedModified = nullptr;
} // namespace

PinnedModifiedSettings::PinnedModifiedSettings(const FormatSettings& settings)
    : settings_(settings), previous_(pinnedModified) {
    pinnedModified = &settings_;
}

PinnedModifiedSettings::~PinnedModifiedSettings() {
    pinnedModified = previous_;
}

FormatSettings ModifiedFormatSettings() {
    if (pinnedModified != nullptr)
        return *pinnedModified;
    FormatSettings fs = ProcessFormatSettings();
    fs.DateSeparator = LocaleDateSeparator();
    return fs;
}

QString SizeText(std::uint64_t bytes, const QString& kind) {
    if (kind.compare(kKindDir, Qt::CaseInsensitive) == 0)
        return QStringLiteral(" ");
    const std::uint64_t counted = (bytes >= 1 && bytes <= 1023) ? 1024 : bytes;
    return QString::number(counted / 1024) + QStringLiteral(" KB");
}

std::int64_t SizeKeyOf(const QString& sizeText) {
    if (sizeText == QLatin1String(" "))
        return 0;
    // The characters before the " KB" suffix: up to two positions before the first "K".
    const qsizetype k = sizeText.indexOf(QLatin1Char('K'));
    const QString number =
        (k < 0 ? sizeText : sizeText.left(std::max<qsizetype>(0, k - 1))).trimmed();
    bool ok = false;
    const qlonglong v = number.toLongLong(&ok);
    return ok ? v : -1;
}

bool ParseModifiedText(const QString& text, const QString& datePattern, const QString& timePattern,
                       TDateTime& out) {
    const FormatSettings fs = ModifiedFormatSettings();
    ModifiedTextParser parser(text, fs);
    return parser.Parse(datePattern + QLatin1Char(' ') + timePattern) && parser.Result(out);
}

} // namespace kivo
