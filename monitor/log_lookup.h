#pragma once

#include <optional>
#include <vector>

#include "gamelog/frame.h"
#include "gamelog/line_decoder.h"

namespace zamo::monitor {

// The first frame of a cycle (the clock stands still after a goal, so a cycle may have many).
std::optional<int> frameOfCycle(const std::vector<gamelog::Frame>& frames, int cycle);

// What a full stamina bar stands for: stamina_max of the server's parameters, else the real
// server's default.
double staminaMaxOf(const gamelog::ParamBlock& serverParams);

}  // namespace zamo::monitor
