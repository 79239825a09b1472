#pragma once

#include <array>

#include "agent/ui/menu_rules.h"

namespace zamo::test {

// The connection states a person sees, with the flags that make them.
struct NamedState {
    const char* name;
    ConnectionFlags flags;
    // Enabled commands, written out per state; Reconnect also needs a known number.
    bool connectCommands;
    bool disconnect;
    bool sides;
    bool start;
    bool stop;
};

inline ConnectionFlags flagsOf(bool connected, bool connecting, bool playing,
                               bool starting = false) {
    ConnectionFlags flags;
    flags.connected = connected;
    flags.connecting = connecting;
    flags.starting = starting;
    flags.playing = playing;
    return flags;
}

inline const std::array<NamedState, 5> kStates = {{
    {"Starting", flagsOf(false, true, false, true), false, false, true, true, false},
    // A running handshake reads the team name that the side commands write.
    {"Connecting", flagsOf(false, true, false), false, false, false, true, false},
    {"Disconnected", flagsOf(false, false, false), true, false, true, true, false},
    {"Playing", flagsOf(true, false, true), false, true, false, false, true},
    {"Paused", flagsOf(true, false, false), false, true, false, true, false},
}};

inline bool expectedEnabled(const NamedState& state, bool numberKnown, MenuCommand command) {
    switch (command) {
        case MenuCommand::kConnectDialog:
        case MenuCommand::kConnect:
        case MenuCommand::kReconnectDialog:
            return state.connectCommands;
        case MenuCommand::kReconnect:
            return state.connectCommands && numberKnown;
        case MenuCommand::kDisconnect:
            return state.disconnect;
        case MenuCommand::kPlayLeft:
        case MenuCommand::kPlayRight:
            return state.sides;
        case MenuCommand::kStartZamo:
            return state.start;
        case MenuCommand::kStopZamo:
            return state.stop;
        case MenuCommand::kExit:
        case MenuCommand::kAbout:
        case MenuCommand::kDrawWorldModel:
            return true;
    }
    return false;
}

}  // namespace zamo::test
