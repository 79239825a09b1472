// The server commands as text on the wire: formatting, and the init and reconnect handshakes.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "agent/config/missing_values.h"
#include "agent/perception/play_mode.h"

namespace zamo {

struct AgentConfig;
struct ServerEndpoint;
struct ServerParams;

// The play-mode word of a registration reply is kept to this many characters.
inline constexpr std::size_t kPlayModeTextWidth = 31;
// Longest say text: the whole command with its line feed and terminator fits 1024 bytes.
inline constexpr std::size_t kMaxSayLength = 1016;

// What a registration returns. The default values are the failure result.
struct HandshakeResult {
    int side = 0;  // 1 left, 2 right, 0 on failure
    int uniformNumber = kNoTime;
    std::string playModeText = "Unknown";
    PlayMode playMode = kUnknownMode;

    bool succeeded() const {
        return side != 0 && playMode != kUnknownMode && uniformNumber != kNoTime &&
               playModeText != "Unknown";
    }
};

// Polled at every step of a handshake's reply wait; true ends the wait with the failure result.
using StopCheck = std::function<bool()>;

// The texts of the commands the agent sends, and the two registrations. Each send formats into
// its own stack buffer and returns true when the datagram went out; a text that would not fit,
// or a number that is not finite, is not sent.
class CommandFormatter {
  public:
    CommandFormatter(ServerEndpoint& endpoint, const AgentConfig& config,
                     const ServerParams& params)
        : endpoint_(endpoint), config_(config), params_(params) {}

    bool sendMove(double x, double y);
    bool sendTurn(double moment);
    bool sendDash(double power);
    bool sendKick(double power, double direction);
    bool sendCatch(double direction);
    bool sendTackle(double power);
    bool sendTurnNeck(double moment);
    bool sendSay(std::string_view message);
    // Width 0 narrow, 1 normal, 2 wide; quality 0 low, 1 high. Other codes send nothing.
    bool sendChangeView(int widthCode, int qualityCode);
    bool sendBye();
    // Tells the server in synchronous mode that this cycle's commands are all sent.
    bool sendDone();

    // Opens a fresh endpoint to the configured server (closing the previous one), registers as a
    // player of teamName and waits about 30 cycles for the reply.
    HandshakeResult initHandshake(std::string_view teamName, double version, bool goalie,
                                  const StopCheck& stopRequested = {});
    // The same, taking over uniformNumber of a team already on the field.
    HandshakeResult reconnectHandshake(std::string_view teamName, int uniformNumber,
                                       const StopCheck& stopRequested = {});

  private:
    bool sendFormatted(std::span<const char> buffer, int length);
    bool openFreshEndpoint();
    // The first reply's text, up to its first zero byte; nothing when none came in time.
    std::optional<std::string_view> awaitReply(std::span<char> buffer,
                                               const StopCheck& stopRequested);

    ServerEndpoint& endpoint_;
    const AgentConfig& config_;
    const ServerParams& params_;
};

}  // namespace zamo
