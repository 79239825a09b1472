// The markers of a missing time, number or real value.
#pragma once

#include <cmath>
#include <limits>

namespace zamo {

// Marks a missing time, cycle or uniform number.
inline constexpr int kNoTime = -32768;
// Marks a missing real result of a computation.
inline constexpr double kNoValue = -32768.0;
// Marks a number that a sensor message did not carry. Not a number, which the parser never
// accepts from a message, so no value the server sends can be taken for it; test it with given(),
// never with ==.
inline constexpr double kNotGiven = std::numeric_limits<double>::quiet_NaN();

// Whether a sensor number was carried by its message.
inline bool given(double value) {
    return !std::isnan(value);
}

// Whether a value group stamped with this time holds a value.
inline constexpr bool known(int time) {
    return time != kNoTime;
}

}  // namespace zamo
