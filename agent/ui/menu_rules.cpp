// Which menu commands are enabled and checked in which agent state.
#include "agent/ui/menu_rules.h"

namespace zamo {

CommandState commandState(MenuCommand command, const ConnectionFlags& flags) {
    const bool idle = !flags.connected && !flags.connecting;
    const bool sidesFree = !flags.connected && (!flags.connecting || flags.starting);
    switch (command) {
        case MenuCommand::kConnectDialog:
        case MenuCommand::kConnect:
        case MenuCommand::kReconnectDialog:
            return {idle, false};
        case MenuCommand::kReconnect:
            return {idle && flags.uniformNumberKnown, false};
        case MenuCommand::kDisconnect:
            return {flags.connected, false};
        case MenuCommand::kPlayLeft:
            return {sidesFree, flags.side == 1};
        case MenuCommand::kPlayRight:
            return {sidesFree, flags.side == 2};
        case MenuCommand::kStartZamo:
            return {!flags.playing, false};
        case MenuCommand::kStopZamo:
            return {flags.playing, false};
        case MenuCommand::kDrawWorldModel:
            return {true, flags.drawWorldModel};
        case MenuCommand::kExit:
        case MenuCommand::kAbout:
            return {true, false};
    }
    return {};
}

}  // namespace zamo
