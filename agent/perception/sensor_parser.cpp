// Server messages into sensor records; it only reads, its callers apply what it read.
#include "agent/perception/sensor_parser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>
#include <utility>

#include "agent/config/agent_config.h"
#include "agent/perception/geometry.h"
#include "agent/perception/landmarks.h"
#include "agent/perception/self_state.h"

namespace zamo {
namespace {

constexpr std::string_view kOpponentPlaceholder = "Zamo_Opponent";
constexpr int kFarFlagEndCandidate = kLandmarkCount + 1;
constexpr std::size_t kMaxObjectNumbers = 7;

std::string_view untilNul(std::string_view text) {
    const std::size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

bool toInt(std::string_view token, int& value) {
    const char* end = token.data() + token.size();
    const auto [stop, error] = std::from_chars(token.data(), end, value);
    return error == std::errc() && stop == end;
}

bool toReal(std::string_view token, double& value) {
    // The server writes plain decimals such as "-12.5". With at most 15 digits both the digits
    // and the power of ten are exact doubles, so one division gives the correctly rounded
    // value, the same as from_chars, at a fraction of its cost.
    constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    constexpr int kMaxExactDigits = 15;
    const bool negative = token.starts_with('-');
    std::uint64_t digits = 0;
    int digitCount = 0;
    int fractionDigits = -1;  // -1 until the decimal point
    std::size_t i = negative ? 1 : 0;
    for (; i < token.size() && digitCount <= kMaxExactDigits; ++i) {
        const char c = token[i];
        if (c >= '0' && c <= '9') {
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            ++digitCount;
            fractionDigits += fractionDigits >= 0 ? 1 : 0;
        } else if (c == '.' && fractionDigits < 0) {
            fractionDigits = 0;
        } else {
            break;
        }
    }
    if (i == token.size() && digitCount > 0 && digitCount <= kMaxExactDigits) {
        const double magnitude =
            static_cast<double>(digits) / kPowersOfTen[std::max(fractionDigits, 0)];
        value = negative ? -magnitude : magnitude;
        return true;
    }
    return readFiniteNumber(token, value);
}

// Walks the items of one list, remembering how the list ended.
class ListReader {
  public:
    ListReader(std::string_view text, std::size_t position)
        : text_(text),
          next_(position),
          end_(position < text.size() ? ListEnd::kMore : ListEnd::kEndOfText) {}

    bool next(std::string_view& item) {
        if (end_ != ListEnd::kMore) {
            return false;
        }
        const SplitResult split = splitToken(text_, next_);
        item = split.token;
        next_ = split.next;
        end_ = split.end;
        return true;
    }
    bool more() const { return end_ == ListEnd::kMore; }
    bool closed() const { return end_ == ListEnd::kClosed; }
    // The unread rest of the text while more() holds; what follows the list once closed().
    std::string_view rest() const { return text_.substr(next_); }
    std::size_t position() const { return next_; }

  private:
    std::string_view text_;
    std::size_t next_;
    ListEnd end_;
};

// The items inside a parenthesised group; reads nothing when item is not a group.
ListReader groupReader(std::string_view item) {
    if (item.empty() || item.front() != '(') {
        return ListReader(item, item.size());
    }
    return ListReader(item, 1);
}

bool readInt(ListReader& list, int& value) {
    std::string_view token;
    return list.next(token) && toInt(token, value);
}

bool readReal(ListReader& list, double& value) {
    std::string_view token;
    return list.next(token) && toReal(token, value);
}

// Reads "(word time" and leaves the reader at the first item after the time.
bool readHead(ListReader& list, std::string_view word, int& time) {
    std::string_view token;
    return list.next(token) && token == word && readInt(list, time);
}

// Numbers of a seen object, assigned by how many the server sent.
bool assignNumbers(const std::array<double, kMaxObjectNumbers>& n, std::size_t count,
                   SeenObject& object) {
    switch (count) {
        case 1:
            object.direction = n[0];
            return true;
        case 2:
        case 3:
        case 4:
        case 6:
        case 7:
            break;
        default:
            return false;
    }
    object.distance = n[0];
    object.direction = n[1];
    if (count == 3) {
        object.pointDir = n[2];
        return true;
    }
    if (count == 2) {
        return true;
    }
    object.distChange = n[2];
    object.dirChange = n[3];
    if (count >= 6) {
        object.bodyFacing = n[4];
        object.headFacing = n[5];
    }
    if (count == 7) {
        object.pointDir = n[6];
    }
    return true;
}

int goalSide(std::string_view word) {
    if (word.starts_with('l')) {
        return 1;
    }
    if (word.starts_with('r')) {
        return 2;
    }
    return kGoalSideNotGiven;
}

int lineSide(std::string_view word) {
    switch (word.empty() ? ' ' : word.front()) {
        case 'l':
            return 0;
        case 't':
            return 1;
        case 'b':
            return 2;
        case 'r':
            return 3;
        default:
            return kLineSideNotGiven;
    }
}

bool copyHearText(std::string_view token, HearSender sender, HearInfo& hear) {
    std::string_view body;
    if (token.starts_with('"')) {
        // The quoted text runs to the end of the message: drop its quotes and the message's
        // closing parenthesis. Without them the datagram was cut short.
        if (token.size() >= 3) {
            if (!token.ends_with("\")")) {
                return false;
            }
            body = token.substr(1, token.size() - 3);
        }
    } else if (sender == kSenderReferee) {
        body = token;
    } else {
        return false;
    }
    const std::size_t length = std::min(body.size(), kHearTextWidth);
    std::copy_n(body.begin(), length, hear.text.begin());
    hear.text[length] = '\0';
    return true;
}

bool readViewMode(ListReader& values, SenseBodyInfo& body) {
    std::string_view quality;
    std::string_view width;
    if (!values.next(quality) || !values.next(width)) {
        return false;
    }
    if (quality == "high") {
        body.viewQuality = 1;
    } else if (quality == "low") {
        body.viewQuality = 0;
    } else {
        return false;
    }
    if (width == "wide") {
        body.viewWidth = 2;
    } else if (width == "normal") {
        body.viewWidth = 1;
    } else if (width == "narrow") {
        body.viewWidth = 0;
    } else {
        return false;
    }
    return true;
}

// The focus target, given as "none" or as a side letter and a uniform number.
bool readFocusTarget(std::string_view first, ListReader& rest, SenseBodyInfo& body) {
    if (first == "none") {
        body.focusSide = 0;
        body.focusNumber = 0;
        return true;
    }
    if (first != "l" && first != "r") {
        return false;
    }
    body.focusSide = first.front();
    return readInt(rest, body.focusNumber);
}

// Reads the sub-groups "(key values...)" of the arm, tackle and focus items, in any order.
bool readSubGroups(std::string_view key, ListReader& values, SenseBodyInfo& body) {
    std::string_view group;
    while (values.next(group)) {
        if (key == "focus" && !group.starts_with('(')) {
            // A focus target written without its "(target ...)" wrapper.
            if (!readFocusTarget(group, values, body)) {
                return false;
            }
            continue;
        }
        ListReader sub = groupReader(group);
        std::string_view subKey;
        if (!sub.next(subKey)) {
            return false;
        }
        bool ok = false;
        if (key == "arm") {
            if (subKey == "movable") {
                ok = readInt(sub, body.armMovable);
            } else if (subKey == "expires") {
                ok = readInt(sub, body.armExpires);
            } else if (subKey == "count") {
                ok = readInt(sub, body.armCount);
            } else if (subKey == "target") {
                double direction = 0.0;
                ok = readReal(sub, body.armTargetDistance) && readReal(sub, direction);
                if (ok) {
                    body.armTargetDirection = direction * kDegToRad;
                }
            }
        } else if (key == "tackle") {
            if (subKey == "expires") {
                ok = readInt(sub, body.tackleExpires);
            } else if (subKey == "count") {
                ok = readInt(sub, body.tackleCount);
            }
        } else if (subKey == "count") {
            ok = readInt(sub, body.focusCount);
        } else if (subKey == "target") {
            std::string_view first;
            ok = sub.next(first) && readFocusTarget(first, sub, body);
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool readBodyItem(std::string_view item, SenseBodyInfo& body) {
    static constexpr std::pair<std::string_view, int SenseBodyInfo::*> kCounters[] = {
        {"kick", &SenseBodyInfo::kickCount},
        {"dash", &SenseBodyInfo::dashCount},
        {"turn", &SenseBodyInfo::turnCount},
        {"say", &SenseBodyInfo::sayCount},
        {"turn_neck", &SenseBodyInfo::turnNeckCount},
        {"catch", &SenseBodyInfo::catchCount},
        {"move", &SenseBodyInfo::moveCount},
        {"change_view", &SenseBodyInfo::changeViewCount},
    };
    ListReader values = groupReader(item);
    std::string_view key;
    if (!values.next(key)) {
        return false;
    }
    if (key == "view_mode") {
        return readViewMode(values, body);
    }
    if (key == "stamina") {
        // The capacity comes third from protocol version 13 on.
        return readReal(values, body.stamina) && readReal(values, body.effort) &&
               (!values.more() || readReal(values, body.staminaCapacity));
    }
    if (key == "speed") {
        return readReal(values, body.speedAmount) && readReal(values, body.speedDirection);
    }
    if (key == "head_angle") {
        return readReal(values, body.headAngle);
    }
    if (key == "arm" || key == "tackle" || key == "focus") {
        return readSubGroups(key, values, body);
    }
    // Items of protocol version 18 and later that nothing decides on: taken when well formed.
    if (key == "change_focus") {
        int count = 0;
        return readInt(values, count) && !values.more();
    }
    if (key == "focus_point") {
        double distance = 0.0;
        double direction = 0.0;
        return readReal(values, distance) && readReal(values, direction) && !values.more();
    }
    if (key == "collision" || key == "foul") {
        std::string_view part;
        bool any = false;
        while (values.next(part)) {
            any = true;
        }
        return any;
    }
    for (const auto& [name, counter] : kCounters) {
        if (key == name) {
            return readInt(values, body.*counter);
        }
    }
    return false;
}

// Reads one object's name and numbers from the list inside its parentheses; end receives the
// position just past the object.
bool readSeenObject(ListReader parts, const AgentConfig& config, SeenObject& object,
                    std::size_t& end, std::string_view& otherTeam) {
    std::string_view name;
    if (!parts.next(name) || name.size() < 2 || name.front() != '(' || name.back() != ')') {
        return false;
    }
    std::array<double, kMaxObjectNumbers> numbers{};
    std::size_t numberCount = 0;
    std::string_view token;
    while (parts.next(token)) {
        if (token.size() == 1 && token.front() == 't') {
            object.tackling = 1;
        } else if (token.size() == 1 && (token.front() == 'k' || token.front() == 'f')) {
            // Kicking and foul-charged flags of newer protocol versions: nothing decides on them.
        } else if (numberCount == kMaxObjectNumbers || !toReal(token, numbers[numberCount])) {
            return false;
        } else {
            ++numberCount;
        }
    }
    if (!parts.closed() || !assignNumbers(numbers, numberCount, object)) {
        return false;
    }
    end = parts.position();

    ListReader words = groupReader(name);
    std::string_view letter;
    std::string_view word;
    if (!words.next(letter) || letter.size() != 1) {
        return false;
    }
    switch (letter.front()) {
        case 'b':
        case 'B':
            object.kind = kBall;
            object.detailed = letter.front() == 'b';
            return true;
        case 'p':
            object.kind = kPlayer;
            object.detailed = 1;
            object.id = kTeamNotGiven;
            if (words.next(word)) {
                object.id = word == config.quotedTeamName ? kOwnTeam : kOtherTeam;
                if (object.id == kOtherTeam && word.size() > 2 && otherTeam.empty()) {
                    otherTeam = word.substr(1, std::min(word.size() - 2, kTeamNameWidth));
                }
                if (words.next(word) && !toInt(word, object.number)) {
                    return false;
                }
                object.goalie = words.next(word) && word == "goalie";
            }
            return true;
        case 'P':
            object.kind = kPlayer;
            object.id = kTeamNotGiven;
            return true;
        case 'g':
        case 'G':
            object.kind = kGoal;
            object.detailed = letter.front() == 'g';
            object.id = object.detailed && words.next(word) ? goalSide(word) : kGoalSideNotGiven;
            return true;
        case 'f':
            object.kind = kFlag;
            object.detailed = 1;
            object.id = kUnknownLandmark;
            if (words.more()) {
                const std::string_view rest = words.rest();
                object.id = findLandmark(rest.substr(0, rest.find(')')));
            }
            return true;
        case 'F':
            object.kind = kFlag;
            object.id = kUnknownLandmark;
            object.firstCandidate = 0;
            object.endCandidate = kFarFlagEndCandidate;
            return true;
        case 'l':
        case 'L':
            object.kind = kLine;
            object.detailed = letter.front() == 'l';
            object.id = object.detailed && words.next(word) ? lineSide(word) : kLineSideNotGiven;
            return true;
        default:
            return false;
    }
}

}  // namespace

SplitResult splitToken(std::string_view text, std::size_t position) {
    if (position > text.size()) {
        return {};
    }
    int depth = 0;
    for (std::size_t i = position; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (depth == 0) {
                return {text.substr(position, i - position), i + 1, ListEnd::kClosed};
            }
            --depth;
        } else if (c == ' ' && depth == 0) {
            const std::string_view token = text.substr(position, i - position);
            std::size_t next = i + 1;
            while (next < text.size() && text[next] == ' ') {
                ++next;
            }
            if (next == text.size()) {
                return {token, 0, ListEnd::kEndOfText};
            }
            if (text[next] == ')') {
                return {token, next + 1, ListEnd::kClosed};
            }
            return {token, next, ListEnd::kMore};
        }
    }
    return {text.substr(position), 0, ListEnd::kEndOfText};
}

HearSender classifySender(std::string_view word) {
    if (word == "our") {
        return kSenderOur;
    }
    if (word == "opp") {
        return kSenderOpp;
    }
    if (word == "self") {
        return kSenderSelf;
    }
    if (word == "referee") {
        return kSenderReferee;
    }
    return kSenderOther;
}

bool SensorParser::parseMessage(std::string_view text, SensorMessage& out) {
    text = untilNul(text);
    if (text == "(think)") {
        out.kind = kThinkMessage;
        return true;
    }
    ListReader list = groupReader(text);
    std::string_view word;
    if (!list.next(word)) {
        return false;
    }
    if (word == "see") {
        out.kind = kSeeMessage;
        return parseSee(text, out.see);
    }
    if (word == "hear") {
        out.kind = kHearMessage;
        return parseHear(text, out.hear);
    }
    if (word == "sense_body") {
        out.kind = kSenseBodyMessage;
        return parseSenseBody(text, out.senseBody);
    }
    if (word == "score") {
        out.kind = kScoreMessage;
        return parseScore(text, out.score);
    }
    if (word == "change_player_type") {
        const std::optional<PlayerTypeChange> change = readChangePlayerType(text, params_);
        out.kind = kPlayerTypeMessage;
        if (change) {
            out.typeChange = *change;
        }
        return change.has_value();
    }
    if (word == "server_param") {
        out.kind = kParameterMessage;
        return readServerParam(text, params_);
    }
    if (word == "player_param") {
        out.kind = kParameterMessage;
        return readPlayerParam(text, params_);
    }
    if (word == "player_type") {
        out.kind = kParameterMessage;
        return readPlayerType(text, params_);
    }
    return false;
}

bool SensorParser::parseSee(std::string_view text, SeeInfo& see) {
    text = untilNul(text);
    see.count = 0;
    see.otherTeamName[0] = '\0';
    ListReader list = groupReader(text);
    int time = kNoTime;
    if (!readHead(list, "see", time)) {
        return false;
    }
    see.time = time;
    if (!list.more() && !list.closed()) {
        return false;
    }
    int count = 0;
    // Each object is read straight from the message text: its list ends at its own ")", after
    // which a blank leads to the next object or a ")" closes the message.
    std::size_t position = list.position();
    bool closed = list.closed();
    std::string_view otherTeam;
    while (!closed && count < static_cast<int>(kMaxSeenObjects)) {
        if (position >= text.size() || text[position] != '(') {
            return false;
        }
        SeenObject& object = see.objects[count];
        object = SeenObject{};
        if (!readSeenObject(ListReader(text, position + 1), config_, object, position, otherTeam)) {
            return false;
        }
        ++count;
        while (position < text.size() && text[position] == ' ') {
            ++position;
        }
        closed = position < text.size() && text[position] == ')';
    }
    // Past the capacity the surplus objects are dropped unread.
    if (!closed && count < static_cast<int>(kMaxSeenObjects)) {
        return false;
    }
    see.count = count;
    const std::size_t nameLength = std::min(otherTeam.size(), kTeamNameWidth);
    std::copy_n(otherTeam.data(), nameLength, see.otherTeamName.data());
    see.otherTeamName[nameLength] = '\0';
    return true;
}

bool SensorParser::parseHear(std::string_view text, HearInfo& hear) {
    text = untilNul(text);
    hear = HearInfo{};
    ListReader list = groupReader(text);
    if (!readHead(list, "hear", hear.time)) {
        return false;
    }
    std::array<std::string_view, 4> t;
    std::size_t n = 0;
    bool quoted = false;
    while (list.more()) {
        if (n == t.size()) {
            return false;
        }
        if (list.rest().starts_with('"')) {
            // The spoken text may hold blanks and parentheses: it is not split.
            t[n++] = list.rest();
            quoted = true;
            break;
        }
        list.next(t[n++]);
    }
    if (!quoted && !list.closed()) {
        return false;
    }
    switch (n) {
        case 1:
            hear.sender = classifySender(t[0]);
            return !quoted;
        case 2:
            hear.sender = classifySender(t[0]);
            switch (hear.sender) {
                case kSenderOur:
                    return toInt(t[1], hear.senderNumber);
                case kSenderOpp:
                    return true;
                case kSenderSelf:
                case kSenderReferee:
                    return copyHearText(t[1], hear.sender, hear);
                case kSenderOther:
                    // Older protocol versions give the direction and text without a sender.
                    return t[1].starts_with('"') && toReal(t[0], hear.direction) &&
                           copyHearText(t[1], hear.sender, hear);
            }
            return false;
        case 3:
            hear.sender = classifySender(t[1]);
            return toReal(t[0], hear.direction) && copyHearText(t[2], hear.sender, hear);
        case 4:
            hear.sender = classifySender(t[1]);
            return toReal(t[0], hear.direction) && toInt(t[2], hear.senderNumber) &&
                   copyHearText(t[3], hear.sender, hear);
        default:
            return false;
    }
}

bool SensorParser::parseSenseBody(std::string_view text, SenseBodyInfo& body) {
    text = untilNul(text);
    body = SenseBodyInfo{};
    ListReader list = groupReader(text);
    if (!readHead(list, "sense_body", body.time)) {
        return false;
    }
    std::string_view item;
    while (list.next(item)) {
        if (!readBodyItem(item, body)) {
            return false;
        }
    }
    return list.closed();
}

bool SensorParser::parseScore(std::string_view text, ScoreInfo& score) {
    text = untilNul(text);
    ListReader list = groupReader(text);
    int time = 0;
    int first = 0;
    int second = 0;
    if (!readHead(list, "score", time) || !readInt(list, first) || !readInt(list, second)) {
        return false;
    }
    score = {time, first, second};
    return true;
}

void nameOpponent(AgentConfig& config, const SeeInfo& see) {
    const std::string_view name = see.otherTeamNameView();
    if (!name.empty() && config.opponentTeamName == kOpponentPlaceholder) {
        config.opponentTeamName = name;
    }
}

void takeScore(ScoreBlock& score, const ScoreInfo& info) {
    score.firstScoreTime = info.time;
    score.firstScore = info.firstScore;
    score.secondScoreTime = info.time;
    score.secondScore = info.secondScore;
}

}  // namespace zamo
