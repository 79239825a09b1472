#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gamelog/frame.h"

namespace zamo::gamelog {

class TextCursor;

// One parameter message: (server_param (name value)...), (player_param ...) or
// (player_type (id N)...). Values are kept as written, quotes removed.
struct ParamBlock {
    std::string text;
    std::map<std::string, std::string, std::less<>> values;

    std::optional<double> number(std::string_view name) const;
};

enum class LineKind {
    kShow,
    kPlayMode,
    kTeam,
    kMessage,
    kServerParam,
    kPlayerParam,
    kPlayerType,
    kIgnored,  // a well-formed message of another kind, e.g. a team graphic
    kBad,      // see error()
};

// Decodes the lines of a game log, or the messages a monitor receives, one at a time. The two
// forms differ only in where the play mode and the score come from: a game log writes
// (playmode ...) and (team ...) lines when they change, the monitor protocol carries (pm N) and
// (tm ...) inside each show; both update the state that every later frame carries.
//
// A bad line leaves everything decoded so far as it was.
class LineDecoder {
  public:
    // One line of a log without its line end, or one datagram (its trailing zero byte may stay).
    LineKind decode(std::string_view line);

    // The last frame decoded (after kShow).
    const Frame& frame() const { return frame_; }
    // The last message (after kMessage).
    const Message& message() const { return message_; }
    // Why the last line was kBad.
    const std::string& error() const { return error_; }

    int playMode() const { return playMode_; }
    const Teams& teams() const { return teams_; }
    const ParamBlock& serverParams() const { return serverParams_; }
    const ParamBlock& playerParams() const { return playerParams_; }
    // Indexed by type id; a type not (yet) told has an empty block.
    const std::vector<ParamBlock>& playerTypes() const { return playerTypes_; }

  private:
    LineKind bad(std::string reason);
    LineKind decodeShow(TextCursor& in);

    Frame frame_;
    Frame scratch_;
    bool hasFrame_ = false;
    Message message_;
    std::string error_;
    int playMode_ = 0;
    Teams teams_;
    ParamBlock serverParams_;
    ParamBlock playerParams_;
    std::vector<ParamBlock> playerTypes_;
};

}  // namespace zamo::gamelog
