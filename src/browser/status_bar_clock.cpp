#include "browser/status_bar_clock.h"

#include <algorithm>

namespace kivo {

bool StatusBarClock::Register(int id, ClockPanelKind kind, int today) {
    if (IsRegistered(id))
        return false;
    const bool first = panels_.empty();
    panels_.push_back({id, kind});
    if (first)
        day_ = today;
    switch (kind) {
    case ClockPanelKind::Date:
        if (first)
            interval_ = kClockDateInterval;
        break;
    case ClockPanelKind::Time:
        if (first || interval_ > kClockTimeInterval)
            interval_ = kClockTimeInterval;
        break;
    case ClockPanelKind::AnimatedGauge:
        interval_ = kClockGaugeInterval;
        break;
    }
    return first;
}

bool StatusBarClock::Unregister(int id) {
    const auto it =
        std::find_if(panels_.begin(), panels_.end(), [id](const Entry& e) { return e.id == id; });
    if (it == panels_.end())
        return false;
    panels_.erase(it);
    if (panels_.empty()) {
        interval_ = 0;
        return true;
    }
    auto has = [this](ClockPanelKind kind) {
        return std::any_of(panels_.begin(), panels_.end(),
                           [kind](const Entry& e) { return e.kind == kind; });
    };
    interval_ = has(ClockPanelKind::AnimatedGauge) ? kClockGaugeInterval
                : has(ClockPanelKind::Time)        ? kClockTimeInterval
                                                   : kClockDateInterval;
    return false;
}

bool StatusBarClock::IsRegistered(int id) const {
    return std::any_of(panels_.begin(), panels_.end(), [id](const Entry& e) { return e.id == id; });
}

bool StatusBarClock::Tick(int today) {
    if (today == day_)
        return false;
    day_ = today;
    return true;
}

} // namespace kivo
