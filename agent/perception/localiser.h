// The own place and head direction from the flags of a visual message.
#pragma once

#include <optional>

namespace zamo {

struct ServerParams;
struct SeeInfo;
class Geometry;

// The error of a coordinate that has no estimate yet.
inline constexpr double kNoEstimate = 32767.0;

// Where a see message puts the agent, in its own frame (the own team attacks towards +x).
struct LocalisationResult {
    double x = 0.0;
    double y = 0.0;
    double headDirection = 0.0;  // degrees, not normalised
    double errorX = kNoEstimate;
    double errorY = kNoEstimate;
};

// How far, in steps of 0.1 and at most range, a true landmark distance may lie from seen and
// still be reported as seen by the server's quantisation with the given step. A seen distance
// that no landmark can have (negative, not finite, absurdly far) gives infinity.
double distanceError(double seen, double step, double range);

// Turns the lines and landmarks of one see message into the agent's position and head
// direction. side: 1 left, 2 right (the right side's frame is turned by 180 degrees).
class Localiser {
  public:
    Localiser(const ServerParams& params, const Geometry& geometry)
        : params_(params), geometry_(geometry) {}

    std::optional<LocalisationResult> localise(const SeeInfo& see, int side);

    // The errors of the last attempt; kNoEstimate for a coordinate it could not estimate.
    double errorX() const { return errorX_; }
    double errorY() const { return errorY_; }

  private:
    const ServerParams& params_;
    const Geometry& geometry_;
    double errorX_ = kNoEstimate;
    double errorY_ = kNoEstimate;
};

}  // namespace zamo
