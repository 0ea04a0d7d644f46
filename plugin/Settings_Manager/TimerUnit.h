#pragma once

#include <string>

namespace NEBPT {

// The unit a timer's value is shown with: the timer's own, or, for a timer
// without one whose range reaches beyond 4000, milliseconds.
inline std::string timerUnit(const std::string& unit, double maximum)
{
    constexpr double kMillisecondMaximum = 4000.0;
    return unit.empty() && maximum > kMillisecondMaximum ? std::string("ms") : unit;
}

} // namespace NEBPT
