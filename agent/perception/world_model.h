#pragma once

namespace zamo {

class CommandSender;
struct SelfState;
struct SensorStore;

// The agent's belief about the game, brought up to date once per cycle by the receive thread.
// So far it keeps only the own body state as the server last sensed it; the tracking of the
// ball and the other players builds on this.
class WorldModel {
  public:
    WorldModel(SensorStore& sensors, SelfState& self, CommandSender& sender)
        : sensors_(sensors), self_(self), sender_(sender) {}

    // Forgets everything of an earlier connection: the stored sensor messages no longer count
    // as current and the history of sent commands is emptied.
    void resetWorld();
    // Takes this cycle's body sense into the own state.
    void updateWorld();

  private:
    SensorStore& sensors_;
    SelfState& self_;
    CommandSender& sender_;
};

}  // namespace zamo
