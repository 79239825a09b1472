// Server messages into sensor records; it only reads, its callers apply what it read.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "agent/config/agent_config.h"
#include "agent/config/missing_values.h"
#include "agent/perception/server_param_reader.h"

namespace zamo {

struct ScoreBlock;
struct ServerParams;

enum ObjectKind : int { kBall = 0, kPlayer = 1, kGoal = 2, kFlag = 3, kLine = 4 };

enum HearSender : int {
    kSenderOur = 0,
    kSenderOpp = 1,
    kSenderSelf = 2,
    kSenderReferee = 3,
    kSenderOther = 4
};

enum SensorKind : int {
    kSeeMessage = 0,
    kHearMessage = 1,
    kSenseBodyMessage = 2,
    // "(think)": in synchronous mode every sensor message of the cycle is out, decide now. It
    // carries no record.
    kThinkMessage = 3,
    // The server's parameters or a player type, already applied to the ServerParams.
    kParameterMessage = 4,
    kPlayerTypeMessage = 5,
    kScoreMessage = 6,
};

// Team codes of a seen player.
inline constexpr int kOwnTeam = 0;
inline constexpr int kOtherTeam = 1;
inline constexpr int kTeamNotGiven = 2;

// Goal and line ids of a seen object whose side was not given.
inline constexpr int kGoalSideNotGiven = 0;
inline constexpr int kLineSideNotGiven = 4;

// One object of a see message. A far object (upper-case name) is not detailed: its identity is
// unknown and only the numbers are given.
struct SeenObject {
    ObjectKind kind = kBall;
    int detailed = 0;
    int tackling = 0;
    int firstCandidate = 0;  // far flag: landmark indices [firstCandidate, endCandidate)
    int endCandidate = 0;
    int id = 0;  // team code, goal side, landmark index or line id, by kind
    int number = kNoTime;
    int goalie = 0;
    double distance = kNotGiven;
    double direction = kNotGiven;
    double distChange = kNotGiven;
    double dirChange = kNotGiven;
    double bodyFacing = kNotGiven;
    double headFacing = kNotGiven;
    double pointDir = kNotGiven;
};

inline constexpr std::size_t kMaxSeenObjects = 81;

struct SeeInfo {
    int time = kNoTime;
    int count = 0;
    std::array<SeenObject, kMaxSeenObjects> objects{};
    // The first team name other than the own one, cut to kTeamNameWidth, zero-terminated; empty
    // when the message showed no named player of another team.
    std::array<char, kTeamNameWidth + 1> otherTeamName{};

    std::string_view otherTeamNameView() const { return otherTeamName.data(); }
};

inline constexpr std::size_t kHearTextWidth = 31;

struct HearInfo {
    int time = kNoTime;
    double direction = kNotGiven;
    HearSender sender = kSenderOther;
    int senderNumber = kNoTime;
    std::array<char, kHearTextWidth + 1> text{};  // zero-terminated

    std::string_view textView() const { return text.data(); }
};

// The body sense. Every field the message did not carry keeps its not-given marker
// (kNoTime, kNotGiven; focusSide 0).
struct SenseBodyInfo {
    int time = kNoTime;
    int viewQuality = kNoTime;  // 0 low, 1 high
    int viewWidth = kNoTime;    // 0 narrow, 1 normal, 2 wide
    double stamina = kNotGiven;
    double effort = kNotGiven;
    double staminaCapacity = kNotGiven;  // from protocol version 13 on
    double speedAmount = kNotGiven;
    double speedDirection = kNotGiven;  // degrees relative to the head
    double headAngle = kNotGiven;
    int kickCount = kNoTime;
    int dashCount = kNoTime;
    int turnCount = kNoTime;
    int sayCount = kNoTime;
    int turnNeckCount = kNoTime;
    int catchCount = kNoTime;
    int moveCount = kNoTime;
    int changeViewCount = kNoTime;
    int armCount = kNoTime;
    int tackleCount = kNoTime;
    int focusCount = kNoTime;
    int tackleExpires = kNoTime;
    int armMovable = kNoTime;
    int armExpires = kNoTime;
    double armTargetDistance = kNotGiven;
    double armTargetDirection = kNotGiven;  // radians
    char focusSide = 0;                     // 'l' or 'r'; 0 for no target
    int focusNumber = kNoTime;              // 0 for no target
};

// The score as the server's "score" reply gives it.
struct ScoreInfo {
    int time = 0;
    int firstScore = 0;
    int secondScore = 0;
};

// What parseMessage produced; only the record named by kind was written.
struct SensorMessage {
    SensorKind kind = kSeeMessage;
    SeeInfo see;
    HearInfo hear;
    SenseBodyInfo senseBody;
    PlayerTypeChange typeChange;
    ScoreInfo score;
};

// The opponent takes the name of the other team a visual message showed, while its name is still
// the placeholder.
void nameOpponent(AgentConfig& config, const SeeInfo& see);
// The score block takes a "score" reply.
void takeScore(ScoreBlock& score, const ScoreInfo& info);

// How a list of items cut by splitToken ended.
enum class ListEnd { kMore, kClosed, kEndOfText };

struct SplitResult {
    std::string_view token;
    std::size_t next = 0;  // start of the next item (kMore), or just past the ")" (kClosed)
    ListEnd end = ListEnd::kEndOfText;
};

// Cuts the item starting at position out of a blank-separated list: a word, a number or a whole
// parenthesised group. The list ends at a ")" outside any group (kClosed) or at the end of the
// text (kEndOfText, also when a group is left open).
SplitResult splitToken(std::string_view text, std::size_t position);

HearSender classifySender(std::string_view word);

// Turns the server's sensor messages into records. Text is read only up to its first NUL byte
// (the receive loop hands over zero-terminated datagrams) and never modified; nothing is
// allocated. A number that is malformed, out of range or not finite (1e999, nan) makes the
// message invalid rather than reaching the world model.
class SensorParser {
  public:
    SensorParser(const AgentConfig& config, ServerParams& params)
        : config_(config), params_(params) {}

    // True when out holds a see, hear, sense_body, score or player type change record, or is the
    // think cue, and for a parameter or player type message, which is applied to the parameters
    // at once. Every other kind of message gives false.
    bool parseMessage(std::string_view text, SensorMessage& out);

    // A see message with more than kMaxSeenObjects objects keeps the first ones.
    bool parseSee(std::string_view text, SeeInfo& see);
    // Texts longer than kHearTextWidth characters are cut.
    static bool parseHear(std::string_view text, HearInfo& hear);
    static bool parseSenseBody(std::string_view text, SenseBodyInfo& body);
    // True when the message carried its time and both scores.
    static bool parseScore(std::string_view text, ScoreInfo& score);

  private:
    const AgentConfig& config_;
    ServerParams& params_;
};

}  // namespace zamo
