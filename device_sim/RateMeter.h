// The unit's count-rate meter: a fresh reading once per period of wall-clock time, each one a Poisson
// draw of the counts in one second at the rate the current settings give. Between readings the last
// value is repeated and marked as not fresh.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>

namespace kivo::sim {

class RateMeter {
public:
    using Clock = std::chrono::steady_clock;

    struct Reading {
        int32_t cps = 0;
        bool fresh = false;
    };

    RateMeter(std::chrono::milliseconds period, uint64_t seed, Clock::time_point start);

    // The reading at `now`; `meanRate` (pulses per second) is used only when a new reading is due.
    Reading read(double meanRate, Clock::time_point now);

    // One Poisson draw with mean `meanRate` (0 for a non-positive or non-finite mean).
    int32_t draw(double meanRate);

private:
    Clock::duration period_;
    Clock::time_point nextDue_;
    int32_t last_ = 0;
    std::mt19937_64 random_;
};

} // namespace kivo::sim
