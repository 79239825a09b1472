#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "agent/config/server_params.h"
#include "tools/practice_server/field_state.h"

namespace zamo::practice {

// The ranges within which the heterogeneous types differ from the default type, as the current
// simulator sets them; each pair trades one ability against another.
struct TypeDeltas {
    double playerDecayMin = -0.1;
    double playerDecayMax = 0.1;
    double inertiaMomentFactor = 25.0;
    double dashPowerRateMin = -0.0012;
    double dashPowerRateMax = 0.0008;
    double staminaIncMaxFactor = -6000.0;
    double kickableMarginMin = -0.1;
    double kickableMarginMax = 0.1;
    double kickRandFactor = 1.0;
    double extraStaminaMin = 0.0;
    double extraStaminaMax = 50.0;
    double effortMaxFactor = -0.004;
    double effortMinFactor = -0.004;
    double catchableAreaLStretchMin = 1.0;
    double catchableAreaLStretchMax = 1.3;
    // A type whose top speed from full dashes falls below this is drawn again.
    double realSpeedMaxMin = 0.75;
};

// The parameters of the current simulator (release 19) with 18 player types: type 0 the default,
// the others drawn from the seed within the deltas.
ServerParams currentParameters(std::uint64_t seed, const TypeDeltas& deltas = {});

// A player that changes its type, and the type.
struct TypeChange {
    int index = 0;  // into the players
    int type = 0;
};

// The types of the first kick-off: per team the goalie first, then the others in the order
// they registered, each takes the lowest type no teammate has yet. Changes the players and
// returns who changed (a player that keeps its type is not told). Stamina, effort and recovery
// of a changed player start afresh.
std::vector<TypeChange> assignPlayerTypes(const ServerParams& params,
                                          std::span<PlayerState> players);

}  // namespace zamo::practice
