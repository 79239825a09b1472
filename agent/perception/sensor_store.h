// The latest sensor records, the world update's input.
#pragma once

#include "agent/perception/sensor_parser.h"

namespace zamo {

// The latest parsed sensor messages. Written by the receive thread; read by the world update and
// the decision code under the agent mutex.
struct SensorStore {
    HearInfo lastHearFromTeammate;
    SeeInfo lastSee;
    SenseBodyInfo lastBody;
};

}  // namespace zamo
