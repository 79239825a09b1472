// The agent's current cycle.
#pragma once

#include "agent/config/missing_values.h"

namespace zamo {

// The agent's current cycle, as the latest body-sense message gave it.
struct Clock {
    int cycle = kNoTime;
};

}  // namespace zamo
