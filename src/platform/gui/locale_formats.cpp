#include "platform/gui/locale_formats.h"

#include <langinfo.h>
#include <locale.h>

namespace kivo {
namespace {

// nl_langinfo of the user's LC_TIME, whatever locale the process itself runs in.
std::string LangInfo(nl_item item) {
    locale_t loc = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr))
        loc = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr))
        return {};
    std::string result = ::nl_langinfo_l(item, loc);
    ::freelocale(loc);
    return result;
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

char DateSeparatorOf(std::string_view f) {
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] == '%') {
            ++i; // skip the conversion (and its flags)
            while (i < f.size() && (f[i] == '-' || f[i] == '_' || f[i] == '0' || f[i] == '^' ||
                                    f[i] == '#' || f[i] == 'E' || f[i] == 'O'))
                ++i;
            continue;
        }
        const char c = f[i];
        if (c != ' ' && !IsAsciiLetter(c) && !(c >= '0' && c <= '9') &&
            static_cast<unsigned char>(c) < 0x80)
            return c;
    }
    return '/';
}

std::string TranslateStrftimeFormat(std::string_view f, char dateSeparator, char timeSeparator) {
    std::string out;
    std::string literal; // pending literal text, quoted when it holds letters
    auto flush = [&] {
        if (literal.empty())
            return;
        bool quote = false;
        for (char c : literal)
            if (IsAsciiLetter(c) || c == '"' || c == '\'' || c == '/' || c == ':')
                quote = true;
        if (quote) {
            // A double quote cannot appear inside "..."; drop it rather than break the pattern.
            out += '"';
            for (char c : literal)
                if (c != '"')
                    out += c;
            out += '"';
        } else {
            out += literal;
        }
        literal.clear();
    };
    auto token = [&](std::string_view t) {
        flush();
        out += t;
    };
    for (std::size_t i = 0; i < f.size(); ++i) {
        const char c = f[i];
        if (c != '%') {
            if (c == dateSeparator)
                token("/");
            else if (c == timeSeparator)
                token(":");
            else
                literal += c;
            continue;
        }
        ++i;
        bool noPad = false;
        while (i < f.size() && (f[i] == '-' || f[i] == '_' || f[i] == '0' || f[i] == '^' ||
                                f[i] == '#' || f[i] == 'E' || f[i] == 'O')) {
            if (f[i] == '-')
                noPad = true;
            ++i;
        }
        if (i >= f.size())
            break;
        switch (f[i]) {
        case 'Y':
        case 'G':
            token("yyyy");
            break;
        case 'y':
        case 'g':
            token("yy");
            break;
        case 'm':
            token(noPad ? "M" : "MM");
            break;
        case 'b':
        case 'h':
        case 'B':
            token("MM");
            break;
        case 'd':
            token(noPad ? "d" : "dd");
            break;
        case 'e':
            token("d");
            break;
        case 'H':
        case 'I':
            token(noPad ? "h" : "hh");
            break;
        case 'k':
        case 'l':
            token("h");
            break;
        case 'M':
            token(noPad ? "n" : "nn");
            break;
        case 'S':
            token(noPad ? "s" : "ss");
            break;
        case 'p':
            token("AM/PM");
            break;
        case 'P':
            token("am/pm");
            break;
        case 'T':
            token("hh:nn:ss");
            break;
        case 'R':
            token("hh:nn");
            break;
        case 'r':
            token("hh:nn:ss AM/PM");
            break;
        case 'D':
            token("MM/dd/yy");
            break;
        case 'F':
            token("yyyy-MM-dd");
            break;
        case 'n':
        case 't':
            literal += ' ';
            break;
        case '%':
            literal += '%';
            break;
        default:
            break; // weekday names and the like have no place in these patterns
        }
    }
    flush();
    return out;
}

std::string LocaleShortDateFormat() {
    const std::string f = LangInfo(D_FMT);
    return TranslateStrftimeFormat(f, DateSeparatorOf(f), ':');
}

std::string LocaleLongTimeFormat() {
    const std::string f = LangInfo(T_FMT);
    return TranslateStrftimeFormat(f, '\0', ':');
}

char LocaleDateSeparator() {
    return DateSeparatorOf(LangInfo(D_FMT));
}

} // namespace kivo
