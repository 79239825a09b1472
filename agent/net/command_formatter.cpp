// The server commands as text on the wire: formatting, and the init and reconnect handshakes.
#include "agent/net/command_formatter.h"

#include <poll.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/net/server_endpoint.h"

namespace zamo {

namespace {

// Holds every numeric command the clamped arguments allow with room to spare; larger numbers do
// not fit and are refused rather than cut.
constexpr std::size_t kCommandBufferSize = 64;
constexpr std::size_t kSayBufferSize = 1024;
constexpr std::size_t kHandshakeBufferSize = 128;
// Largest registration reply read, plus the terminator the transport appends. Reconnect replies
// get the same room: "(reconnect l indirect_free_kick_l)" and the refusal
// "(error cannot_reconnect_while_playon)" both exceed 32 bytes, and a reply that does not fit is
// dropped, which would turn an accepted reconnect into a failure after the full wait.
constexpr std::size_t kReplySize = 64;

constexpr int kReplyPollMs = 10;
constexpr std::chrono::milliseconds kReplyPollStep{kReplyPollMs};
constexpr int kReplyWaitCycles = 30;
constexpr int kMaxUniformNumber = 11;

constexpr std::array<const char*, 3> kWidthWords{"narrow", "normal", "wide"};
constexpr std::array<const char*, 2> kQualityWords{"low", "high"};

bool allFinite(double a, double b = 0.0) {
    return std::isfinite(a) && std::isfinite(b);
}

// Blank-separated words of a reply, never reading past its end.
class WordReader {
  public:
    explicit WordReader(std::string_view text) : rest_(text) {}

    std::string_view next() {
        const std::size_t start = rest_.find_first_not_of(kBlanks);
        if (start == std::string_view::npos) {
            rest_ = {};
            return {};
        }
        rest_.remove_prefix(start);
        const std::size_t end = std::min(rest_.find_first_of(kBlanks), rest_.size());
        const std::string_view word = rest_.substr(0, end);
        rest_.remove_prefix(end);
        return word;
    }

  private:
    static constexpr std::string_view kBlanks = " \t\r\n";
    std::string_view rest_;
};

int sideOf(std::string_view letter) {
    if (letter == "l") {
        return 1;
    }
    if (letter == "r") {
        return 2;
    }
    return 0;
}

// The play-mode word without the reply's closing parenthesis; a reply cut short has none.
std::string_view playModeWordOf(std::string_view word) {
    word = word.substr(0, word.find(')'));
    return word.substr(0, kPlayModeTextWidth);
}

HandshakeResult registeredAs(int side, int uniformNumber, std::string_view modeWord) {
    HandshakeResult result;
    result.side = side;
    result.uniformNumber = uniformNumber;
    result.playModeText = std::string(modeWord);
    result.playMode = lookupPlayMode(modeWord);
    return result;
}

// "(init l 7 before_kick_off)"
HandshakeResult parseInitReply(std::string_view text) {
    WordReader words(text);
    if (words.next() != "(init") {
        return {};
    }
    const int side = sideOf(words.next());
    const std::string_view numberWord = words.next();
    const char* numberEnd = numberWord.data() + numberWord.size();
    int number = 0;
    const auto [parsedEnd, error] = std::from_chars(numberWord.data(), numberEnd, number);
    const std::string_view modeWord = playModeWordOf(words.next());
    // A number outside the team would index past the per-player tables downstream.
    if (side == 0 || error != std::errc{} || parsedEnd != numberEnd || number < 1 ||
        number > kMaxUniformNumber || modeWord.empty()) {
        return {};
    }
    return registeredAs(side, number, modeWord);
}

// "(reconnect l play_on)"
HandshakeResult parseReconnectReply(std::string_view text, int uniformNumber) {
    WordReader words(text);
    if (words.next() != "(reconnect") {
        return {};
    }
    const int side = sideOf(words.next());
    const std::string_view modeWord = playModeWordOf(words.next());
    if (side == 0 || modeWord.empty()) {
        return {};
    }
    return registeredAs(side, uniformNumber, modeWord);
}

}  // namespace

bool CommandFormatter::sendFormatted(std::span<const char> buffer, int length) {
    // A negative length is an encoding error; one that reaches the size means the text was cut.
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return false;
    }
    return sendCommand(endpoint_,
                       std::string_view(buffer.data(), static_cast<std::size_t>(length)));
}

bool CommandFormatter::sendMove(double x, double y) {
    if (!allFinite(x, y)) {
        return false;
    }
    std::array<char, kCommandBufferSize> text;
    return sendFormatted(text, std::snprintf(text.data(), text.size(), "(move %.1f %.1f)\n", x, y));
}

bool CommandFormatter::sendTurn(double moment) {
    if (!allFinite(moment)) {
        return false;
    }
    std::array<char, kCommandBufferSize> text;
    return sendFormatted(text, std::snprintf(text.data(), text.size(), "(turn %.1f)\n", moment));
}

bool CommandFormatter::sendDash(double power) {
    if (!allFinite(power)) {
        return false;
    }
    std::array<char, kCommandBufferSize> text;
    return sendFormatted(text, std::snprintf(text.data(), text.size(), "(dash %.1f)\n", power));
}

bool CommandFormatter::sendKick(double power, double direction) {
    if (!allFinite(power, direction)) {
        return false;
    }
    std::array<char, kCommandBufferSize> text;
    return sendFormatted(
        text, std::snprintf(text.data(), text.size(), "(kick %.1f %.1f)\n", power, direction));
}

bool CommandFormatter::sendCatch(double direction) {
    if (!allFinite(direction)) {
        return false;
    }
    std::array<char, kCommandBufferSize> text;
    return sendFormatted(text,
                         std::snprintf(text.data(), text.size(), "(catch %.1f)\n", direction));
}

bool CommandFormatter::sendTackle(double power) {
    if (!allFinite(power)) {
        return false;
    }
    std::array<char, kCommandBufferSize> text;
    return sendFormatted(text, std::snprintf(text.data(), text.size(), "(tackle %.1f)\n", power));
}

bool CommandFormatter::sendTurnNeck(double moment) {
    if (!allFinite(moment)) {
        return false;
    }
    std::array<char, kCommandBufferSize> text;
    return sendFormatted(text,
                         std::snprintf(text.data(), text.size(), "(turn_neck %.1f)\n", moment));
}

bool CommandFormatter::sendSay(std::string_view message) {
    // A zero byte would end the command early on the wire.
    if (message.size() > kMaxSayLength || message.find('\0') != std::string_view::npos) {
        return false;
    }
    std::array<char, kSayBufferSize> text;
    return sendFormatted(text, std::snprintf(text.data(), text.size(), "(say %.*s)\n",
                                             static_cast<int>(message.size()), message.data()));
}

bool CommandFormatter::sendChangeView(int widthCode, int qualityCode) {
    if (widthCode < 0 || static_cast<std::size_t>(widthCode) >= kWidthWords.size() ||
        qualityCode < 0 || static_cast<std::size_t>(qualityCode) >= kQualityWords.size()) {
        return false;
    }
    std::array<char, kCommandBufferSize> text;
    return sendFormatted(text, std::snprintf(text.data(), text.size(), "(change_view %s %s)\n",
                                             kWidthWords[static_cast<std::size_t>(widthCode)],
                                             kQualityWords[static_cast<std::size_t>(qualityCode)]));
}

bool CommandFormatter::sendBye() {
    return sendCommand(endpoint_, "(bye)\n");
}

bool CommandFormatter::sendDone() {
    return sendCommand(endpoint_, "(done)\n");
}

bool CommandFormatter::openFreshEndpoint() {
    const ServerEndpoint fresh = openEndpoint(config_.serverIp, config_.serverPort, true);
    if (fresh.socket == -1) {
        return false;
    }
    // Handshakes run while no other thread uses the endpoint, so the old socket can go.
    closeEndpoint(endpoint_);
    endpoint_ = fresh;
    return true;
}

std::optional<std::string_view> CommandFormatter::awaitReply(std::span<char> buffer,
                                                             const StopCheck& stopRequested) {
    const int pollLimit = params_.cycleLength / kReplyPollMs * kReplyWaitCycles;
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + pollLimit * kReplyPollStep;
    for (int step = 1;; ++step) {
        if (const auto length = receiveDatagram(endpoint_, buffer)) {
            const std::string_view datagram(buffer.data(), std::min(*length, buffer.size()));
            // The server ends each datagram with a zero byte.
            return datagram.substr(0, datagram.find('\0'));
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline || (stopRequested && stopRequested())) {
            return std::nullopt;
        }
        // The reply is taken the moment it arrives; the steps of a fixed schedule only bound how
        // late a stop request is seen.
        while (start + step * kReplyPollStep <= now) {
            ++step;
        }
        const auto wait =
            std::chrono::ceil<std::chrono::milliseconds>(start + step * kReplyPollStep - now);
        pollfd socket{endpoint_.socket, POLLIN, 0};
        ::poll(&socket, 1, static_cast<int>(wait.count()));
    }
}

HandshakeResult CommandFormatter::initHandshake(std::string_view teamName, double version,
                                                bool goalie, const StopCheck& stopRequested) {
    std::array<char, kHandshakeBufferSize> text;
    if (!allFinite(version) || teamName.size() >= text.size()) {
        return {};
    }
    const int nameLength = static_cast<int>(teamName.size());
    const int length =
        goalie ? std::snprintf(text.data(), text.size(), "(init %.*s (version %3.2f) (goalie))\n",
                               nameLength, teamName.data(), version)
               : std::snprintf(text.data(), text.size(), "(init %.*s (version %3.2f))\n",
                               nameLength, teamName.data(), version);
    if (length <= 0 || static_cast<std::size_t>(length) >= text.size()) {
        return {};
    }
    if (!openFreshEndpoint() || !sendFormatted(text, length)) {
        return {};
    }
    std::array<char, kReplySize + 1> reply;
    const auto received = awaitReply(reply, stopRequested);
    return received ? parseInitReply(*received) : HandshakeResult{};
}

HandshakeResult CommandFormatter::reconnectHandshake(std::string_view teamName, int uniformNumber,
                                                     const StopCheck& stopRequested) {
    std::array<char, kHandshakeBufferSize> text;
    if (teamName.size() >= text.size()) {
        return {};
    }
    const int length =
        std::snprintf(text.data(), text.size(), "(reconnect %.*s %d)\n",
                      static_cast<int>(teamName.size()), teamName.data(), uniformNumber);
    if (length <= 0 || static_cast<std::size_t>(length) >= text.size()) {
        return {};
    }
    if (!openFreshEndpoint() || !sendFormatted(text, length)) {
        return {};
    }
    std::array<char, kReplySize + 1> reply;
    const auto received = awaitReply(reply, stopRequested);
    return received ? parseReconnectReply(*received, uniformNumber) : HandshakeResult{};
}

}  // namespace zamo
