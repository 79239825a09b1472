#include "agent/perception/world_model.h"

#include "agent/config/missing_values.h"
#include "agent/perception/self_state.h"
#include "agent/runtime/command_sender.h"
#include "agent/runtime/sensor_store.h"

namespace zamo {

namespace {

// Copies a value the message carried; a missing one leaves the state as it was.
void takeInt(int& target, int value) {
    if (value != kNoTime) {
        target = value;
    }
}

void takeReal(double& target, double value) {
    if (value != kNotGiven) {
        target = value;
    }
}

}  // namespace

void WorldModel::resetWorld() {
    sensors_.lastSee.time = kNoTime;
    sensors_.lastBody.time = kNoTime;
    sensors_.lastHearFromTeammate.time = kNoTime;
    sender_.clearHistory();
}

void WorldModel::updateWorld() {
    const SenseBodyInfo& body = sensors_.lastBody;
    if (body.time == kNoTime) {
        return;
    }
    takeInt(self_.viewWidth, body.viewWidth);
    takeInt(self_.viewQuality, body.viewQuality);
    takeReal(self_.stamina, body.stamina);
    takeReal(self_.effort, body.effort);
    takeReal(self_.neckAngle, body.headAngle);
    takeReal(self_.speed, body.speedAmount);
    takeInt(self_.kickCount, body.kickCount);
    takeInt(self_.dashCount, body.dashCount);
    takeInt(self_.turnCount, body.turnCount);
    takeInt(self_.sayCount, body.sayCount);
    takeInt(self_.turnNeckCount, body.turnNeckCount);
    takeInt(self_.catchCount, body.catchCount);
    takeInt(self_.moveCount, body.moveCount);
    takeInt(self_.changeViewCount, body.changeViewCount);
    takeInt(self_.tackleCount, body.tackleCount);
    takeInt(self_.armCount, body.armCount);
    takeInt(self_.focusCount, body.focusCount);
}

}  // namespace zamo
