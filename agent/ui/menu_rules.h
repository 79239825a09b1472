// Which menu commands are enabled and checked in which agent state.
#pragma once

namespace zamo {

// The window's commands, by their command identifiers.
enum class MenuCommand : int {
    kConnectDialog = 32772,
    kConnect = 32773,
    kReconnectDialog = 32774,
    kReconnect = 32775,
    kDisconnect = 32776,
    kStopZamo = 32778,
    kStartZamo = 32779,
    kExit = 32780,
    kPlayLeft = 32781,
    kPlayRight = 32782,
    kDrawWorldModel = 32783,
    kAbout = 57664,
};

inline constexpr MenuCommand kAllMenuCommands[] = {
    MenuCommand::kConnectDialog, MenuCommand::kConnect,        MenuCommand::kReconnectDialog,
    MenuCommand::kReconnect,     MenuCommand::kDisconnect,     MenuCommand::kStopZamo,
    MenuCommand::kStartZamo,     MenuCommand::kExit,           MenuCommand::kPlayLeft,
    MenuCommand::kPlayRight,     MenuCommand::kDrawWorldModel, MenuCommand::kAbout,
};

// The agent's connection state as the commands' rules read it.
struct ConnectionFlags {
    bool connected = false;
    bool connecting = true;
    bool starting = true;  // connecting, but the first attempt has not begun
    bool playing = false;
    bool drawWorldModel = false;
    bool uniformNumberKnown = false;
    int side = 0;  // 0 none yet, 1 left, 2 right
};

struct CommandState {
    bool enabled = false;
    bool checked = false;
};

// Whether a command may be chosen now and whether it shows a check mark. Connection commands
// are offered only while neither connected nor connecting, so no attempt overlaps another. The
// side commands rewrite the team name, which a running handshake reads: they wait while one runs.
CommandState commandState(MenuCommand command, const ConnectionFlags& flags);

}  // namespace zamo
