#include "monitor/log_lookup.h"

namespace zamo::monitor {

namespace {

constexpr double kDefaultStaminaMax = 8000.0;

}  // namespace

std::optional<int> frameOfCycle(const std::vector<gamelog::Frame>& frames, int cycle) {
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].cycle == cycle) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

double staminaMaxOf(const gamelog::ParamBlock& serverParams) {
    const std::optional<double> value = serverParams.number("stamina_max");
    return value && *value > 0.0 ? *value : kDefaultStaminaMax;
}

}  // namespace zamo::monitor
