#include "photoops/adjust_settings.h"

#include <charconv>

#include <QtGlobal>

#include "photoops/date_shift.h"
#include "platform/name_bytes.h"

namespace kivo {

const std::array<std::string_view, 6>& UnitNames() {
    // The dialog shows them translated (context kivo::TFUprDatCas).
    static const std::array<std::string_view, 6> names = {
        QT_TRANSLATE_NOOP("kivo::TFUprDatCas", "rok"),
        QT_TRANSLATE_NOOP("kivo::TFUprDatCas", "měsíc"),
        QT_TRANSLATE_NOOP("kivo::TFUprDatCas", "den"),
        QT_TRANSLATE_NOOP("kivo::TFUprDatCas", "hodina"),
        QT_TRANSLATE_NOOP("kivo::TFUprDatCas", "minuta"),
        QT_TRANSLATE_NOOP("kivo::TFUprDatCas", "sekunda")};
    return names;
}

std::optional<int> UnitIndexOfText(std::string_view text) {
    std::optional<int> found;
    const auto& names = UnitNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (!names[i].empty() && SameIgnoringAsciiCase(text, names[i]))
            found = static_cast<int>(i) + 1;
    return found;
}

std::int64_t AmountFromText(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return 0;
    return value;
}

std::optional<TDateTime> ApplyAdjustment(const AdjustSettings& s, TDateTime x) {
    if (s.page == kPageRelative) {
        const std::int64_t n = s.amount;
        switch (s.unitIndex) {
        case kUnitYear:
            return ShiftDateTime(n, 0, 0, x, 0, 0, 0);
        case kUnitMonth:
            return ShiftDateTime(0, n, 0, x, 0, 0, 0);
        case kUnitDay:
            return ShiftDateTime(0, 0, n, x, 0, 0, 0);
        case kUnitHour:
            return ShiftDateTime(0, 0, 0, x, n, 0, 0);
        case kUnitMinute:
            return ShiftDateTime(0, 0, 0, x, 0, n, 0);
        case kUnitSecond:
            return ShiftDateTime(0, 0, 0, x, 0, 0, n);
        default:
            return x;
        }
    }
    if (s.page != kPageAbsolute)
        return x;
    TDateTime result = x;
    if (s.changeDate)
        result = ReplaceDate(result, s.date);
    if (s.changeTime) {
        const auto hm = CheckTimeText(s.timeText);
        if (!hm)
            return std::nullopt;
        result = ReplaceTime(result, hm->hour, hm->minute);
    }
    return result;
}

} // namespace kivo
