// The host gives and reads playback rates in thousandths of normal speed;
// the graph speaks in factors (1.0 is normal speed).
#pragma once
#include <climits>
#include <cmath>
#include <optional>

namespace ombrix {

// 1500 becomes exactly 1.5: the integer converts exactly, then one division.
inline double rateFromThousandths(int thousandths) { return static_cast<double>(thousandths) / 1000.0; }

// The factor times 1000, truncated toward zero (no rounding). A factor too
// large for an int saturates instead of giving an undefined conversion; a
// NaN is not a rate and gives nothing.
inline std::optional<int> thousandthsFromRate(double rate)
{
    double scaled = rate * 1000.0;
    if (std::isnan(scaled))
        return std::nullopt;
    if (scaled >= 2147483647.0)
        return INT_MAX;
    if (scaled <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(scaled);
}

} // namespace ombrix
