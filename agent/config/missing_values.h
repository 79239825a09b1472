#pragma once

namespace zamo {

// Marks a missing time, cycle or uniform number.
inline constexpr int kNoTime = -32768;
// Marks a missing real result of a computation.
inline constexpr double kNoValue = -32768.0;
// Marks a number that a sensor message did not carry.
inline constexpr double kNotGiven = -7.0;

// Whether a value group stamped with this time holds a value.
inline constexpr bool known(int time) {
    return time != kNoTime;
}

}  // namespace zamo
