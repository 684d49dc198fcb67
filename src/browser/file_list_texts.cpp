// The texts of the file listing and reading them back: the date and time patterns, the
// Size text and the number it stands for, and the Modified text as a date-time.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "browser/file_list_listing.h"
#include "browser/file_list_text_helpers.h"
#include "platform/gui/locale_formats.h"

namespace kivo {

using list_text::AsciiUpper;
using list_text::FromUtf8;

namespace {

using Step = ModifiedTextReader::Step;

// The steps of a FormatDateTime pattern, taken apart as the formatter lays it out; the
// settings give the patterns that "ddddd" and "t"/"tt" stand for. False after a step that
// can never be read (the patterns nest too deeply): nothing after it matters.
class PatternSteps {
public:
    PatternSteps(const FormatSettings& fs, std::vector<Step>& steps, bool& twelve)
        : shortDate_(FromUtf8(fs.ShortDateFormat)), shortTime_(FromUtf8(fs.ShortTimeFormat)),
          longTime_(FromUtf8(fs.LongTimeFormat)),
          dateSeparator_(
              QChar(static_cast<char16_t>(static_cast<unsigned char>(fs.DateSeparator)))),
          timeSeparator_(
              QChar(static_cast<char16_t>(static_cast<unsigned char>(fs.TimeSeparator)))),
          steps_(steps), twelve_(twelve) {}

    bool Add(QStringView pattern, int depth = 0) {
        twelve_ = twelve_ || pattern.contains(u"am/pm", Qt::CaseInsensitive) ||
                  pattern.contains(u"a/p", Qt::CaseInsensitive);
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
                Literal(pattern.mid(i + 1, end - i - 1));
                i = end < n ? end + 1 : n;
                continue;
            }
            if (pattern.mid(i, 5).compare(u"am/pm", Qt::CaseInsensitive) == 0) {
                steps_.push_back({Step::Marker, 0, 2, false, {}});
                i += 5;
                continue;
            }
            if (pattern.mid(i, 3).compare(u"a/p", Qt::CaseInsensitive) == 0) {
                steps_.push_back({Step::Marker, 0, 1, false, {}});
                i += 3;
                continue;
            }
            const qsizetype k = (lc >= u'a' && lc <= u'z') ? run(lc) : 1;
            bool hour = false;
            switch (lc) {
            case u'y':
                Number(Step::Year, k <= 2 ? 2 : 4, k <= 2);
                break;
            case u'm':
                if (lastWasHour && k <= 2)
                    Number(Step::Minute, 2);
                else if (k <= 2)
                    Number(Step::Month, 2);
                else
                    steps_.push_back({Step::Word, 0, 0, false, {}});
                break;
            case u'd':
                if (k <= 2)
                    Number(Step::Day, 2);
                else if (k <= 4)
                    steps_.push_back({Step::Word, 0, 0, false, {}});
                else if (depth >= 2 || !Add(shortDate_, depth + 1))
                    return Never();
                break;
            case u'h':
                Number(Step::Hour, 2);
                hour = true;
                break;
            case u'n':
                Number(Step::Minute, 2);
                break;
            case u's':
                Number(Step::Second, 2);
                break;
            case u'z':
                Number(Step::Msec, 3);
                break;
            case u't':
                if (depth >= 2 || !Add(k == 1 ? shortTime_ : longTime_, depth + 1))
                    return Never();
                break;
            case u'/':
                Literal(dateSeparator_);
                break;
            case u':':
                Literal(timeSeparator_);
                break;
            default:
                Literal(pattern.mid(i, k));
                break;
            }
            lastWasHour = hour;
            i += k;
        }
        return true;
    }

private:
    void Number(std::uint8_t field, std::uint8_t digits, bool twoDigitYear = false) {
        steps_.push_back({Step::Number, field, digits, twoDigitYear, {}});
    }
    void Literal(QStringView text) {
        if (!text.isEmpty())
            steps_.push_back({Step::Literal, 0, 0, false, text.toString()});
    }
    bool Never() {
        steps_.push_back({Step::Never, 0, 0, false, {}});
        return false;
    }

    QString shortDate_, shortTime_, longTime_;
    QString dateSeparator_, timeSeparator_;
    std::vector<Step>& steps_;
    bool& twelve_;
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
    // Written in one go: a listing makes one per file.
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%llu KB",
                                static_cast<unsigned long long>(counted / 1024));
    return QString::fromLatin1(text, n);
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

ModifiedTextReader::ModifiedTextReader(const QString& datePattern, const QString& timePattern) {
    PatternSteps(ModifiedFormatSettings(), steps_, twelve_)
        .Add(datePattern + QLatin1Char(' ') + timePattern);
    int m = 0, d = 0;
    DecodeDate(Now(), nowYear_, m, d);
}

bool ModifiedTextReader::Read(QStringView text, TDateTime& out) const {
    int fields[Step::kFields] = {-1, -1, -1, -1, -1, -1, -1};
    bool twoDigitYear = false;
    bool pm = false;
    qsizetype pos = 0;
    const qsizetype size = text.size();
    for (const Step& step : steps_) {
        switch (step.op) {
        case Step::Number: {
            int digits = 0;
            int v = 0;
            for (; pos < size && digits < step.digits; ++pos, ++digits) {
                const char16_t c = text[pos].unicode();
                if (c < u'0' || c > u'9')
                    break;
                v = v * 10 + (c - u'0');
            }
            if (digits == 0)
                return false;
            fields[step.field] = v;
            if (step.field == Step::Year)
                twoDigitYear = step.twoDigitYear;
            break;
        }
        case Step::Word: {
            const qsizetype start = pos;
            while (pos < size && text[pos].isLetter())
                ++pos;
            if (pos == start)
                return false;
            break;
        }
        case Step::Literal: {
            const qsizetype n = step.literal.size();
            if (n > size - pos ||
                !std::equal(step.literal.cbegin(), step.literal.cend(), text.begin() + pos))
                return false;
            pos += n;
            break;
        }
        case Step::Marker: {
            // AM/PM (two letters) or A/P (one), upper-cased with the full rules: a letter
            // that becomes two ("ß") makes it no marker.
            const QString m = text.mid(pos, step.digits).toString().toUpper();
            if (m.size() != step.digits || (m[0] != QLatin1Char('A') && m[0] != QLatin1Char('P')))
                return false;
            pm = m[0] == QLatin1Char('P');
            pos += step.digits;
            break;
        }
        case Step::Never:
            return false;
        }
    }
    const int day = fields[Step::Day], month = fields[Step::Month];
    int year = fields[Step::Year];
    if (pos != size || year < 0 || month < 0 || day < 0)
        return false;
    if (twoDigitYear) {
        // Two-digit years fall into the hundred years that start fifty years ago.
        const int base = nowYear_ - 50;
        year += base / 100 * 100;
        if (year < base)
            year += 100;
    }
    int hour = std::max(fields[Step::Hour], 0);
    if (twelve_) {
        if (hour < 1 || hour > 12)
            return false;
        hour = (hour % 12) + (pm ? 12 : 0);
    }
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(year, month, day, date) ||
        !TryEncodeTime(hour, std::max(fields[Step::Minute], 0), std::max(fields[Step::Second], 0),
                       std::max(fields[Step::Msec], 0), time))
        return false;
    out = date + time;
    return true;
}

bool ParseModifiedText(const QString& text, const QString& datePattern, const QString& timePattern,
                       TDateTime& out) {
    return ModifiedTextReader(datePattern, timePattern).Read(text, out);
}

} // namespace kivo
