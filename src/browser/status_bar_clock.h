#pragma once
// The status bar's clock without a timer: which panels are registered, the interval the
// timer runs at, and whether a tick crossed midnight.

#include <vector>

namespace kivo {

enum class ClockPanelKind { Date, Time, AnimatedGauge };

inline constexpr int kClockDateInterval = 60000;
inline constexpr int kClockTimeInterval = 1000;
inline constexpr int kClockGaugeInterval = 50;

class StatusBarClock {
public:
    // Registers a panel (by an id of the caller's choosing); returns true when the timer
    // comes into existence with this panel. `today` is recorded at that moment.
    bool Register(int id, ClockPanelKind kind, int today);
    // Returns true when the last panel left (the timer is to be freed).
    bool Unregister(int id);
    bool IsRegistered(int id) const;
    bool Running() const { return !panels_.empty(); }
    int Interval() const { return interval_; }
    // A tick on day `today`: true when the day differs from the recorded one (which is
    // then recorded).
    bool Tick(int today);
    int RecordedDay() const { return day_; }

private:
    struct Entry {
        int id;
        ClockPanelKind kind;
    };
    std::vector<Entry> panels_;
    int interval_ = 0;
    int day_ = 0;
};

} // namespace kivo
