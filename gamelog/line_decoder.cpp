#include "gamelog/line_decoder.h"

#include <charconv>
#include <cmath>
#include <utility>

#include "gamelog/text_cursor.h"

namespace zamo::gamelog {
namespace {

// Bounds beyond which a number is taken for corruption: the field is about 105 x 68 m and no
// speed comes near 1000 m per cycle; stamina capacities are in the hundred thousands.
constexpr double kMaxDistance = 1000.0;
constexpr double kMaxValue = 1e9;
constexpr int kMaxCycle = 100'000'000;
constexpr int kMaxCount = 1'000'000'000;
constexpr int kMaxPlayerType = 1000;
constexpr int kBaseCounts = 11;  // format 5; format 6 adds the focus changes

bool side(std::string_view word, Side& value) {
    if (word == "l") {
        value = Side::kLeft;
        return true;
    }
    if (word == "r") {
        value = Side::kRight;
        return true;
    }
    return false;
}

std::string teamName(std::string_view word) {
    return word == "null" ? std::string() : std::string(word);
}

// "(b) x y vx vy)" after the "(" of the ball's entry.
bool readBall(TextCursor& in, Ball& ball) {
    return in.eat('(') && in.word() == "b" && in.eat(')') && in.real(ball.pos.x, kMaxDistance) &&
           in.real(ball.pos.y, kMaxDistance) && in.real(ball.vel.x, kMaxDistance) &&
           in.real(ball.vel.y, kMaxDistance) && in.eat(')');
}

// One "(tag ...)" item of a player's entry after its "(".
bool readPlayerItem(TextCursor& in, Player& player) {
    const std::string_view tag = in.word();
    if (tag == "v") {
        const std::string_view quality = in.word();
        player.highQuality = quality == "h";
        return (quality == "h" || quality == "l") && in.real(player.viewWidth, 360.0) &&
               player.viewWidth >= 0.0 && in.eat(')');
    }
    if (tag == "fp") {
        FocusPoint focus;
        if (!in.real(focus.distance, kMaxDistance) || !in.real(focus.direction, kMaxValue) ||
            !in.eat(')')) {
            return false;
        }
        player.focus = focus;
        return true;
    }
    if (tag == "s") {
        if (!in.real(player.stamina, kMaxValue) || !in.real(player.effort, kMaxValue) ||
            !in.real(player.recovery, kMaxValue)) {
            return false;
        }
        if (in.eat(')')) {
            return true;
        }
        double capacity = 0.0;
        if (!in.real(capacity, kMaxValue) || !in.eat(')')) {
            return false;
        }
        player.capacity = capacity;
        return true;
    }
    if (tag == "f") {
        PlayerId target;
        if (!side(in.word(), target.side) || !in.integer(target.number, 1, kTeamSize) ||
            !in.eat(')')) {
            return false;
        }
        player.attentionTo = target;
        return true;
    }
    if (tag == "c") {
        CommandCounts& c = player.counts;
        int* const fields[] = {&c.kick,   &c.dash,     &c.turn,       &c.catchBall,
                               &c.move,   &c.turnNeck, &c.changeView, &c.say,
                               &c.tackle, &c.pointTo,  &c.attentionTo};
        for (int* field : fields) {
            if (!in.integer(*field, 0, kMaxCount)) {
                return false;
            }
        }
        static_assert(sizeof fields / sizeof fields[0] == kBaseCounts);
        c.changeFocus = -1;
        return in.eat(')') || (in.integer(c.changeFocus, 0, kMaxCount) && in.eat(')'));
    }
    // An item of a later format: skipped whole.
    return !tag.empty() && in.skipItem();
}

// "(l 3) type state x y vx vy body neck [px py] (item)...)" after the "(" of the entry.
bool readPlayer(TextCursor& in, Player& player) {
    player = Player{};
    if (!in.eat('(') || !side(in.word(), player.side) || !in.integer(player.number, 1, kTeamSize) ||
        !in.eat(')') || !in.integer(player.type, 0, kMaxPlayerType) || !in.hex(player.state) ||
        !in.real(player.pos.x, kMaxDistance) || !in.real(player.pos.y, kMaxDistance) ||
        !in.real(player.vel.x, kMaxDistance) || !in.real(player.vel.y, kMaxDistance) ||
        !in.real(player.body, kMaxValue) || !in.real(player.neck, kMaxValue)) {
        return false;
    }
    if (!in.peek('(') && !in.peek(')')) {
        Point point;
        if (!in.real(point.x, kMaxDistance) || !in.real(point.y, kMaxDistance)) {
            return false;
        }
        player.pointTo = point;
    }
    while (in.eat('(')) {
        if (!readPlayerItem(in, player)) {
            return false;
        }
    }
    return in.eat(')');
}

bool readTeams(TextCursor& in, Teams& teams) {
    const std::string_view left = in.word();
    const std::string_view right = in.word();
    if (left.empty() || right.empty() || !in.integer(teams.scoreLeft, 0, kMaxCount) ||
        !in.integer(teams.scoreRight, 0, kMaxCount)) {
        return false;
    }
    teams.left = teamName(left);
    teams.right = teamName(right);
    teams.penaltyScoreLeft = teams.penaltyMissLeft = 0;
    teams.penaltyScoreRight = teams.penaltyMissRight = 0;
    if (in.eat(')')) {
        return true;
    }
    return in.integer(teams.penaltyScoreLeft, 0, kMaxCount) &&
           in.integer(teams.penaltyMissLeft, 0, kMaxCount) &&
           in.integer(teams.penaltyScoreRight, 0, kMaxCount) &&
           in.integer(teams.penaltyMissRight, 0, kMaxCount) && in.eat(')');
}

// "(name value)..." up to the closing ")" of the message.
bool readParams(TextCursor& in, ParamBlock& block) {
    block.values.clear();
    while (in.eat('(')) {
        const std::string_view name = in.word();
        std::string_view value;
        if (name.empty() || !(in.peek('"') ? in.quoted(value) : !(value = in.word()).empty()) ||
            !in.eat(')')) {
            return false;
        }
        block.values.insert_or_assign(std::string(name), std::string(value));
    }
    return in.eat(')') && in.atEnd();
}

}  // namespace

std::optional<double> ParamBlock::number(std::string_view name) const {
    const auto found = values.find(name);
    if (found == values.end()) {
        return std::nullopt;
    }
    const std::string& text = found->second;
    double value = 0.0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || stop != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

LineKind LineDecoder::bad(std::string reason) {
    error_ = std::move(reason);
    return LineKind::kBad;
}

LineKind LineDecoder::decodeShow(TextCursor& in) {
    Frame& next = scratch_;
    int playMode = playMode_;
    Teams teams = teams_;
    if (!in.integer(next.cycle, 0, kMaxCycle)) {
        return bad("show: bad cycle number");
    }
    next.players.clear();
    bool ball = false;
    while (in.eat('(')) {
        if (in.peek('(')) {
            // The ball's or a player's entry.
            TextCursor probe = in;
            probe.eat('(');
            if (probe.word() == "b") {
                if (ball || !readBall(in, next.ball)) {
                    return bad("show: bad ball entry at column " + std::to_string(in.position()));
                }
                ball = true;
                continue;
            }
            if (next.players.size() >= static_cast<std::size_t>(kMaxPlayers)) {
                return bad("show: more than 22 players");
            }
            Player& player = next.players.emplace_back();
            if (!readPlayer(in, player)) {
                return bad("show: bad player entry at column " + std::to_string(in.position()));
            }
            for (std::size_t i = 0; i + 1 < next.players.size(); ++i) {
                if (next.players[i].side == player.side &&
                    next.players[i].number == player.number) {
                    return bad("show: player " +
                               std::string(player.side == Side::kLeft ? "l" : "r") + " " +
                               std::to_string(player.number) + " shown twice");
                }
            }
            continue;
        }
        const std::string_view tag = in.word();
        if (tag == "pm") {
            if (!in.integer(playMode, 0, kPlayModeCount - 1) || !in.eat(')')) {
                return bad("show: bad play mode");
            }
        } else if (tag == "tm") {
            if (!readTeams(in, teams)) {
                return bad("show: bad team entry");
            }
        } else if (tag.empty() || !in.skipItem()) {
            return bad("show: unreadable entry at column " + std::to_string(in.position()));
        }
    }
    if (!in.eat(')') || !in.atEnd()) {
        return bad("show: truncated or trailing text at column " + std::to_string(in.position()));
    }
    if (!ball) {
        return bad("show: no ball");
    }
    if (next.players.empty()) {
        return bad("show: no players");
    }
    next.stoppage = hasFrame_ && next.cycle == frame_.cycle ? frame_.stoppage + 1 : 0;
    playMode_ = playMode;
    teams_ = std::move(teams);
    next.playMode = playMode_;
    next.teams = teams_;
    std::swap(frame_, scratch_);
    hasFrame_ = true;
    return LineKind::kShow;
}

LineKind LineDecoder::decode(std::string_view line) {
    // Datagrams of the monitor protocol end in a zero byte.
    while (line.ends_with('\0')) {
        line.remove_suffix(1);
    }
    TextCursor in(line);
    if (in.atEnd()) {
        return LineKind::kIgnored;
    }
    if (!in.eat('(')) {
        return bad("not a message: it does not begin with '('");
    }
    const std::string_view kind = in.word();
    if (kind == "show") {
        return decodeShow(in);
    }
    if (kind == "playmode") {
        int cycle = 0;
        const bool read = in.integer(cycle, 0, kMaxCycle);
        const std::string_view name = in.word();
        const std::optional<int> number = playModeNumber(name);
        if (!read || !number || !in.eat(')') || !in.atEnd()) {
            return bad("playmode: bad line");
        }
        playMode_ = *number;
        return LineKind::kPlayMode;
    }
    if (kind == "team") {
        int cycle = 0;
        Teams teams;
        if (!in.integer(cycle, 0, kMaxCycle) || !readTeams(in, teams) || !in.atEnd()) {
            return bad("team: bad line");
        }
        teams_ = std::move(teams);
        return LineKind::kTeam;
    }
    if (kind == "msg") {
        Message message;
        const std::size_t close = line.rfind("\")");
        if (!in.integer(message.cycle, 0, kMaxCycle) || !in.integer(message.board, 0, kMaxCount) ||
            !in.peek('"') || close == std::string_view::npos || close < in.position() ||
            !TextCursor(line.substr(close + 2)).atEnd()) {
            return bad("msg: bad line");
        }
        message.text = std::string(line.substr(in.position() + 1, close - in.position() - 1));
        message_ = std::move(message);
        return LineKind::kMessage;
    }
    if (kind == "server_param" || kind == "player_param") {
        ParamBlock& block = kind == "server_param" ? serverParams_ : playerParams_;
        ParamBlock read;
        if (!readParams(in, read)) {
            return bad(std::string(kind) + ": bad line");
        }
        read.text = std::string(line);
        block = std::move(read);
        return kind == "server_param" ? LineKind::kServerParam : LineKind::kPlayerParam;
    }
    if (kind == "player_type") {
        ParamBlock read;
        const std::optional<double> id = readParams(in, read) ? read.number("id") : std::nullopt;
        if (!id || *id < 0 || *id >= kMaxPlayerType || *id != std::floor(*id)) {
            return bad("player_type: bad line");
        }
        read.text = std::string(line);
        const auto index = static_cast<std::size_t>(*id);
        if (playerTypes_.size() <= index) {
            playerTypes_.resize(index + 1);
        }
        playerTypes_[index] = std::move(read);
        return LineKind::kPlayerType;
    }
    if (kind.empty() || !in.skipItem() || !in.atEnd()) {
        return bad("unreadable message");
    }
    return LineKind::kIgnored;
}

}  // namespace zamo::gamelog
