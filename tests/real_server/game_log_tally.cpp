#include "real_server/game_log_tally.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace zamo::test {

namespace {

constexpr double kGoalLineX = 52.5;

// One kind of command: count increases are commands carried out; a fault flag marks a command
// that failed, counted once unless the count went up with it (a catch missed by chance).
void tallyCommand(int before, int after, bool fault, int& commands, int& faults) {
    const int carried = std::max(0, after - before);
    commands += carried + (fault && carried == 0 ? 1 : 0);
    faults += fault ? 1 : 0;
}

// Whether a ball at pos with velocity vel, slowing by decay each cycle, crosses the goal line at
// goalX between the posts.
bool rollsIntoGoal(gamelog::Point pos, gamelog::Point vel, double goalX, double decay,
                   double halfGoal) {
    const double dx = goalX - pos.x;
    // A shot from close range may be over the line by the time the frame shows it.
    if ((goalX > 0.0) == (dx <= 0.0)) {
        return std::abs(pos.y) < halfGoal;
    }
    if (vel.x == 0.0 || (dx > 0.0) != (vel.x > 0.0)) {
        return false;
    }
    if (std::abs(dx) > std::abs(vel.x) / (1.0 - decay)) {
        return false;
    }
    return std::abs(pos.y + vel.y * dx / vel.x) < halfGoal;
}

}  // namespace

MatchTally tallyMatch(const gamelog::GameLog& log) {
    MatchTally tally;
    const double decay = log.serverParams.number("ball_decay").value_or(0.94);
    const double halfGoal = log.serverParams.number("goal_width").value_or(14.02) / 2.0;
    std::array<gamelog::CommandCounts, gamelog::kMaxPlayers> before{};
    std::array<std::uint32_t, gamelog::kMaxPlayers> stateBefore{};
    for (const gamelog::Frame& frame : log.frames) {
        ++tally.frames;
        tally.left.name = frame.teams.left;
        tally.right.name = frame.teams.right;
        tally.left.goals = frame.teams.scoreLeft;
        tally.right.goals = frame.teams.scoreRight;
        for (const gamelog::Player& p : frame.players) {
            if (p.number < 1 || p.number > gamelog::kTeamSize) {
                continue;
            }
            const bool left = p.side == gamelog::Side::kLeft;
            TeamTally& team = left ? tally.left : tally.right;
            const auto index =
                static_cast<std::size_t>((left ? 0 : gamelog::kTeamSize) + p.number - 1);
            gamelog::CommandCounts& last = before[index];
            // The tackle flags stay up while the tackler cannot move: one failed tackle shows
            // for several cycles.
            const bool newTackleFault = p.has(gamelog::kStateTackleFault) &&
                                        (stateBefore[index] & gamelog::kStateTackleFault) == 0;
            const int played =
                team.kickCommands - team.kickFaults + team.tackleCommands - team.tackleFaults;
            tallyCommand(last.kick, p.counts.kick, p.has(gamelog::kStateKickFault),
                         team.kickCommands, team.kickFaults);
            tallyCommand(last.catchBall, p.counts.catchBall, p.has(gamelog::kStateCatchFault),
                         team.catchCommands, team.catchFaults);
            tallyCommand(last.tackle, p.counts.tackle, newTackleFault, team.tackleCommands,
                         team.tackleFaults);
            if (team.kickCommands - team.kickFaults + team.tackleCommands - team.tackleFaults >
                    played &&
                rollsIntoGoal(frame.ball.pos, frame.ball.vel, left ? kGoalLineX : -kGoalLineX,
                              decay, halfGoal)) {
                ++team.shotsOnGoal;
            }
            last = p.counts;
            stateBefore[index] = p.state;
        }
    }
    return tally;
}

std::optional<MatchTally> tallyGameLog(const std::filesystem::path& path, std::string& error) {
    const std::optional<gamelog::GameLog> log = gamelog::readGameLog(path, error);
    if (!log) {
        return std::nullopt;
    }
    return tallyMatch(*log);
}

}  // namespace zamo::test
