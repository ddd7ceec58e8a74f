#include "results/input_clock.h"

#include <algorithm>
#include <cmath>

namespace {

// An event waits in the queue for the length of a feedback wait at most,
// 15 s. A difference further from the offset learnt means another clock:
// the stamps started again from zero (the X server's every 49 days), or
// events now come from elsewhere. The offset is then learnt anew.
constexpr double otherClock = 60;

} // namespace

double InputClock::momentOf(std::uint64_t stampMs, double handledAt)
{
    const double offset = handledAt - static_cast<double>(stampMs) / 1000;
    if (!offset_ || offset < *offset_ || std::fabs(offset - *offset_) > otherClock)
        offset_ = offset;
    return std::min(handledAt, static_cast<double>(stampMs) / 1000 + *offset_);
}
