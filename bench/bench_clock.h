#pragma once
// Wall and processor time of a benchmark step: on a shared machine the processor time
// tells the neighbours' share apart.

#include <time.h>

#include <chrono>

namespace kivo::bench {

// Processor time of all threads of this process.
inline double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

class Stopwatch {
public:
    using Clock = std::chrono::steady_clock;
    Timing elapsed() const {
        return {std::chrono::duration<double>(Clock::now() - wall_).count(), cpuSeconds() - cpu_};
    }

private:
    Clock::time_point wall_ = Clock::now();
    double cpu_ = cpuSeconds();
};

} // namespace kivo::bench
