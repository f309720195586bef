#include "RateMeter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kivo::sim {

RateMeter::RateMeter(std::chrono::milliseconds period, uint64_t seed, Clock::time_point start)
    : period_(std::max(period, std::chrono::milliseconds(1))), nextDue_(start + period_), random_(seed) {}

RateMeter::Reading RateMeter::read(double meanRate, Clock::time_point now) {
    if (now < nextDue_)
        return {last_, false};
    last_ = draw(meanRate);
    // Readings missed while nobody asked are not queued up: the next one is due one period from the
    // latest period boundary.
    nextDue_ += period_ * ((now - nextDue_) / period_ + 1);
    return {last_, true};
}

int32_t RateMeter::draw(double meanRate) {
    if (!(meanRate > 0.0) || !std::isfinite(meanRate))
        return 0;
    const double mean = std::min(meanRate, 1e9);
    std::poisson_distribution<int64_t> poisson(mean);
    return static_cast<int32_t>(std::min<int64_t>(poisson(random_), std::numeric_limits<int32_t>::max()));
}

} // namespace kivo::sim
