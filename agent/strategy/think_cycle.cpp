#include "agent/strategy/think_cycle.h"

#include "agent/config/missing_values.h"
#include "agent/config/server_params.h"
#include "agent/net/server_command.h"
#include "agent/perception/geometry.h"
#include "agent/perception/play_mode.h"
#include "agent/perception/self_state.h"
#include "agent/runtime/command_sender.h"
#include "agent/runtime/cycle_timer.h"

namespace zamo {

namespace {

bool isFormationMode(PlayMode mode) {
    return mode == kBeforeKickOff || mode == kGoalL || mode == kGoalR;
}

}  // namespace

void ThinkCycle::runThinkCycle() {
    int wanted = timer_.chooseSyncWidthAhead();
    if (wanted == kNoViewWidth) {
        wanted = 0;
    }
    self_.wantedViewWidth = wanted;

    CommandList commands;
    if (isFormationMode(playMode_.mode)) {
        const double kickDistance = params_.playerSize + params_.kickableMargin + params_.ballSize;
        const bool positionKnown = self_.position.x != kNotGiven || self_.position.y != kNotGiven;
        const bool atHome =
            positionKnown && distance(kDefaultHomePosition, self_.position) <= kickDistance;
        if (!atHome && kDefaultHomePosition.x < 0.0) {
            commands.append({kMoveCommand, 1, kDefaultHomePosition.x, kDefaultHomePosition.y});
        }
    }
    sender_.executeCommands(commands);
}

}  // namespace zamo
