#pragma once

#include <span>
#include <string>
#include <string_view>

#include "agent/config/server_params.h"
#include "agent/perception/play_mode.h"
#include "tools/practice_server/field_state.h"

namespace zamo::practice {

// The client version whose parameter messages name every parameter, as monitors and the game
// log get them.
inline constexpr double kAllParametersVersion = 999.0;

// One cycle as monitors and the game log see it: the play mode, the teams and the score, and
// the ball and all 22 players already written as the show message's entries.
struct ShowSnapshot {
    int time = 0;
    PlayMode mode = kBeforeKickOff;
    std::string_view leftName;  // empty while no team has registered on that side
    std::string_view rightName;
    int leftScore = 0;
    int rightScore = 0;
    std::string_view entries;
};

// The play mode's number in the real server's own list ("free_kick_l" for a goalie's catch,
// which that server shows as the free kick that follows); 0 for a mode it does not have.
int serverPlayModeNumber(PlayMode mode);
// Its name in that list ("" for 0).
std::string_view serverPlayModeName(PlayMode mode);

// " ((b) x y vx vy) ((l 1) type state x y vx vy body neck (v h 90) (fp 0 0) (s ...) (c ...))..."
// for all 22 places, left 1..11 then right 1..11; a place nobody took is shown empty (state 0)
// beside the top line, where newcomers wait.
std::string showEntries(const ServerParams& params, const BallState& ball,
                        std::span<const PlayerState> players);

// "(show T (pm N) (tm L R sl sr) entries)" as a monitor receives it.
std::string monitorShowMessage(const ShowSnapshot& s);
// The game log's lines: "(show T entries)", "(playmode T name)", "(team T L R sl sr)".
std::string logShowLine(const ShowSnapshot& s);
std::string logPlayModeLine(const ShowSnapshot& s);
std::string logTeamLine(const ShowSnapshot& s);

}  // namespace zamo::practice
