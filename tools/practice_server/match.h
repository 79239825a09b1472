#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "agent/config/server_params.h"
#include "agent/perception/play_mode.h"
#include "tools/practice_server/client_command.h"
#include "tools/practice_server/field_state.h"
#include "tools/practice_server/monitor_clients.h"
#include "tools/practice_server/random_source.h"

namespace zamo::practice {

class GameLogWriter;

struct MatchOptions {
    int halfCycles = 3000;
    int halves = 2;
    int kickOffWait = 50;    // cycles of before_kick_off after the last registration
    int afterGoalWait = 50;  // cycles of pause after a goal before the next kick-off
    int dropBallWait = 200;  // a set play not taken within this many cycles is dropped
    std::uint64_t seed = 1;
};

// A datagram the match wants sent: from the main port (connection -1) or from the port of one
// client's connection.
struct Outgoing {
    int connection = -1;
    Peer peer;
    std::string text;
};

// The game: registration, commands, physics, referee and what every client is told. It knows
// nothing of sockets or clocks; the host feeds it datagrams, cycle steps and the time in ms.
class Match {
  public:
    Match(const ServerParams& params, const MatchOptions& options);

    void receiveOnMainPort(Peer from, std::string_view text, long long nowMs);
    // A datagram to a client's own port; ignored unless it comes from that client.
    void receiveOnConnection(int connection, Peer from, std::string_view text);
    // Ends the cycle: motion, referee, then the next cycle's sense_body and what was said.
    void step();
    // Sends the visual messages due by nowMs; the earliest next one is nextSeeDue().
    void sendDueSees(long long nowMs);
    long long nextSeeDue() const;
    // Synchronous mode: tells every player to think now; allDone() once each has answered
    // "(done)" or left.
    void sendThink();
    bool allDone() const;

    std::vector<Outgoing> takeOutgoing();
    // Connections no longer in use (after "bye" or a reconnect), whose ports may be closed.
    std::vector<int> takeClosedConnections();
    // Lines for the operator: goals and the final score.
    std::vector<std::string> takeReport();
    bool finished() const { return finished_; }
    // "Left 1 - 0 Right" with the team names.
    std::string scoreLine() const;

    int time() const { return time_; }
    PlayMode playMode() const { return mode_; }
    int score(int side) const { return score_[side]; }
    const std::string& teamName(int side) const { return teamNames_[side]; }
    BallState& ball() { return ball_; }
    std::span<PlayerState> players() { return players_; }
    // The player with that number, or nullptr when none registered.
    PlayerState* player(int side, int number);
    const MonitorClients& monitors() const { return monitors_; }
    // Every cycle from the kick-off on goes to the log; nullptr for none.
    void setGameLog(GameLogWriter* log) { gameLog_ = log; }

  private:
    void registerPlayer(Peer from, const ClientCommand& c, long long nowMs);
    void connectMonitor(Peer from, double version);
    void monitorCommand(int connection, Peer from, std::string_view text);
    // The cycle's show to the monitors and the game log.
    void showCycle();
    void reconnectPlayer(Peer from, const ClientCommand& c, long long nowMs);
    void welcome(PlayerState& p, const std::string& reply, Peer from, long long nowMs);
    void bodyCommand(PlayerState& p, const ClientCommand& c);
    void kick(PlayerState& p, const ClientCommand& c);
    void catchBall(PlayerState& p, double direction);
    void tackle(PlayerState& p, double power);
    void move(PlayerState& p, double x, double y);
    bool mayPlayBall(const PlayerState& p) const;
    void ballPlayed(const PlayerState& p);
    void refereeAfterStep(Vec2 ballBefore);
    void kickOff(int side);
    void changeMode(PlayMode mode, std::string_view announcement = {});
    void announce(std::string_view text);
    void sendTo(const PlayerState& p, std::string text);
    void hearSays();
    std::string teamLabel(int side) const;
    bool timeStands() const;

    ServerParams params_;
    MatchOptions options_;
    RandomSource random_;
    std::array<PlayerState, 22> players_{};
    std::array<std::string, 3> teamNames_{};  // by side; [0] unused
    std::array<int, 3> score_{};
    BallState ball_;
    PlayMode mode_ = kBeforeKickOff;
    int time_ = 0;
    int half_ = 1;
    int waitCycles_ = 0;  // cycles spent in the current waiting or set-play mode
    int lastTouch_ = 0;
    int holder_ = -1;  // index of the goalie holding the ball, -1 for none
    Vec2 restartSpot_;
    int nextConnection_ = 0;
    bool finished_ = false;
    std::vector<SaidMessage> said_;
    std::vector<Outgoing> outgoing_;
    std::vector<int> closedConnections_;
    std::vector<std::string> report_;
    MonitorClients monitors_;
    GameLogWriter* gameLog_ = nullptr;
};

}  // namespace zamo::practice
