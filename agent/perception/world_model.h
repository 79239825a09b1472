// The belief about the game: prediction, body sense, visual and teammate messages into snapshots.
#pragma once

#include "agent/perception/team_message.h"
#include "agent/perception/world_snapshot.h"

namespace zamo {

class Geometry;
class Localiser;
struct AgentConfig;
struct Clock;
struct PlayModeState;
struct PlayerRecord;
struct PlayerTypeChange;
struct SeeInfo;
struct SeenObject;
struct SelfState;
struct SenseBodyInfo;
struct SensorStore;
struct SentCommandHistory;
struct ServerParams;

// The agent's belief about the game, one snapshot per cycle for the last ten cycles. The
// receive thread updates it from the stored sensor messages; the think thread and the display
// read it afterwards. Nothing here allocates.
class WorldModel {
  public:
    // Believes what sensors holds, predicts with the commands of sent that the server carried
    // out, and keeps history and the own body state self up to date.
    WorldModel(const ServerParams& params, const AgentConfig& config, const Geometry& geometry,
               Localiser& localiser, const Clock& clock, const PlayModeState& playMode,
               SensorStore& sensors, const SentCommandHistory& sent, SelfState& self,
               WorldHistory& history);

    // Forgets everything of an earlier connection: snapshots, stored messages, team message and
    // stamina bookkeeping.
    void resetWorld();
    // Marks every value group of snapshot index (0-9) unknown; the values themselves stay.
    void resetSnapshot(int index);
    // Advances the ring to the current cycle, predicting each new snapshot from the one before,
    // then applies this cycle's body sense, visual message and teammate message. A jump of more
    // than ten cycles predicts only the ten that the ring can hold.
    void updateWorld();
    // A player of either team has a new type: its record takes it, and the own player's stamina
    // model starts afresh as the server's does.
    void applyPlayerTypeChange(const PlayerTypeChange& change);

    const WorldSnapshot& currentSnapshot() const { return history_.currentSnapshot(); }
    // The snapshot k cycles before the current one, 0 <= k < kHistorySize.
    const WorldSnapshot& snapshotBefore(int k) const { return history_.snapshotBefore(k); }
    const WorldHistory& history() const { return history_; }
    const TeamMessage& teamMessage() const { return teamMessage_; }

  private:
    PlayerRecord* ownRecord(WorldSnapshot& snapshot) const;
    void carryOver(const WorldSnapshot& prev, WorldSnapshot& next);
    void applyOwnCommands(const WorldSnapshot& prev, WorldSnapshot& next);
    void applySenseBody(const SenseBodyInfo& body);
    void applySee(const SeeInfo& see);
    void updateSeenPlayer(PlayerRecord& record, const SeenObject& object, int time);
    void expire(int now, bool ballSeen);

    const ServerParams& params_;
    const AgentConfig& config_;
    const Geometry& geometry_;
    Localiser& localiser_;
    const Clock& clock_;
    const PlayModeState& playMode_;
    SensorStore& sensors_;
    const SentCommandHistory& sent_;
    SelfState& self_;
    WorldHistory& history_;
    TeamMessage teamMessage_;
    // Players of the current visual message already matched: teammates 0-10, opponents 11-21.
    std::array<bool, 2 * kTeamSize> seen_{};
};

}  // namespace zamo
