#pragma once

#include "agent/perception/vec2.h"

namespace zamo {

class CommandSender;
struct CycleTimer;
struct PlayModeState;
struct SelfState;
struct ServerParams;

// The home position of the formation taken when no strategy file gives one.
inline constexpr Vec2 kDefaultHomePosition{-9.15, 0.0};

// The once-per-cycle decision. It chooses the view width it wants and, while the play mode calls
// for the formation, moves the player to its home position. The strategy files and the
// behaviours of open play are not part of it yet, so every other play mode gives no command.
class ThinkCycle {
  public:
    ThinkCycle(const ServerParams& params, const PlayModeState& playMode, SelfState& self,
               const CycleTimer& timer, CommandSender& sender)
        : params_(params), playMode_(playMode), self_(self), timer_(timer), sender_(sender) {}

    void runThinkCycle();

  private:
    const ServerParams& params_;
    const PlayModeState& playMode_;
    SelfState& self_;
    const CycleTimer& timer_;
    CommandSender& sender_;
};

}  // namespace zamo
