// The strategy files: loading and choosing a formation.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "agent/perception/vec2.h"

namespace zamo {

struct AgentConfig;

// An axis-aligned rectangle on the field, in metres.
struct Region {
    double xMin = 0.0;
    double xMax = 0.0;
    double yMin = 0.0;
    double yMax = 0.0;

    constexpr bool operator==(const Region&) const = default;
};

// File types with a meaning for the decision code: the formations for attack (the own team
// gets to the ball first), defence (the opponents do) and the own set plays, and the one taken
// before kick-off and after goals.
inline constexpr int kAttackFormation = 1;
inline constexpr int kDefenceFormation = 2;
inline constexpr int kSetPlayFormation = 3;
inline constexpr int kKickOffFormation = 7;
inline constexpr int kStrategyRejected = 9;

// What one strategy file holds for this agent.
struct Strategy {
    int fileType = kStrategyRejected;
    std::string fileName;  // bare name, without the directory
    Region playerRegion;
    Region offsideRegion;
    Region pressingRegion;
    Vec2 homePosition;
};

// Where the player stands and what it covers: the formation state the positioning reads.
struct Formation {
    Vec2 homePosition;
    Region playerRegion;
    Region offsideRegion;
    Region pressingRegion;

    constexpr bool operator==(const Formation&) const = default;
};

// Taken when no kick-off formation file is available.
inline constexpr Formation kDefaultFormation{{-9.15, 0.0}, {}, {}, {}};

// The strategy records found in the strategy directory for this agent's player id, in the
// order of the file names.
class StrategySet {
  public:
    explicit StrategySet(const AgentConfig& config) : config_(config) {}

    // Reads the directory again: every "*.stg" file that yields a valid block for this player.
    void reload();
    // The record of one file of the strategy directory; fileType is kStrategyRejected when
    // the file cannot be read or has no valid block for this player.
    Strategy loadFile(std::string_view fileName) const;

    std::size_t size() const { return records_.size(); }
    std::span<const Strategy> records() const { return records_; }

    // The formation of the first kick-off formation record; the default formation without one.
    Formation selectFormation() const;
    // The formation of the first record of that file type; the kick-off formation without one.
    Formation selectFormation(int fileType) const;

  private:
    const AgentConfig& config_;
    std::vector<Strategy> records_;
};

}  // namespace zamo
