// Drawing of the field and the world model.
#pragma once

#include <string>

#include <QImage>
#include <QSize>

#include "agent/config/missing_values.h"
#include "agent/config/server_params.h"
#include "agent/perception/self_state.h"
#include "agent/perception/sensor_parser.h"
#include "agent/perception/world_snapshot.h"

namespace zamo {

// Everything one picture shows. The window copies it out of the agent while holding the agent's
// lock, so drawing itself needs no lock.
struct FieldScene {
    bool connected = false;
    bool drawWorldModel = false;
    WorldSnapshot snapshot;
    SelfState self;
    SeeInfo see;  // the latest visual message
    int cycle = kNoTime;
    int uniformNumber = kNoTime;
    int side = 0;  // 1 left, 2 right: the frame the landmark table is turned into
    std::string ownTeamName;
    std::string opponentTeamName;
    ServerParams params;
};

// Fixed for the life of a view; no command changes them.
struct FieldViewOptions {
    bool enlarge = true;        // players and ball larger than life
    bool showNumbers = true;    // uniform numbers beside the players
    bool showKickArea = false;  // the kickable circle around every player
};

// The picture is a virtual area of 125 x 91 metres with the field at x 10-115, y 13-81.
inline constexpr double kPictureWidth = 125.0;
inline constexpr double kPictureHeight = 91.0;
// The smallest area that gets a picture; anything smaller is left white.
inline constexpr int kMinPictureWidth = 128;
inline constexpr int kMinPictureHeight = 88;

// Pixels per metre for a client area of width x height pixels: the picture fills the area's
// height when the area is wider than the picture's proportions, else its width.
double pictureScale(int width, int height);

// The whole picture for a client area of the given size. White while not connected, while the
// drawing is off, or when the area is too small for a picture.
QImage renderField(const FieldScene& scene, QSize size, const FieldViewOptions& options = {});

}  // namespace zamo
