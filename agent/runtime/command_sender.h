// Sends the decision's commands within the server's limits and records what went out.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string_view>

#include "agent/perception/sent_command_history.h"
#include "agent/perception/server_command.h"

namespace zamo {

class CommandFormatter;
class Geometry;
struct Clock;
struct SelfState;
struct ServerParams;

// Commands sent per kind, in the order the server's body sense reports its own counts.
struct SentCommandCounters {
    int kickCount = 0;
    int dashCount = 0;
    int turnCount = 0;
    int sayCount = 0;
    int turnNeckCount = 0;
    int catchCount = 0;
    int moveCount = 0;
    int changeViewCount = 0;
    int tackleCount = 0;
};

// Sends the decision code's commands: brings each argument inside the server's limits, turns a
// desired turn angle into the moment that achieves it, and counts and records what went out so
// the world model can replay the agent's own actions. A command that fails to send leaves no
// trace.
class CommandSender {
  public:
    CommandSender(CommandFormatter& formatter, const Geometry& geometry, const ServerParams& params,
                  const SelfState& self, const Clock& clock)
        : formatter_(formatter), geometry_(geometry), params_(params), self_(self), clock_(clock) {}

    bool doCatch(double direction);
    bool doDash(double power);
    bool doKick(double power, double direction);
    bool doMove(double x, double y);
    // The own velocity of the current cycle sets the moment; without one the angle goes as it is.
    bool doTurn(double angle);
    bool doTackle(double power);
    bool doTurnNeck(double neckTurn);
    bool doChangeView(int widthCode, int qualityCode);
    bool doSay(std::string_view text);  // an empty text is refused
    bool doBye();
    // Synchronous mode: this cycle's commands are out.
    bool doDone();

    // Sends the list's entries in order; kinds without a dispatch here (change_view, which the
    // runtime sends with its view bookkeeping, kNoCommand, ...) are skipped and a failed entry
    // does not stop the rest.
    void executeCommands(const CommandList& commands);

    // Empties every history entry; done at each new connection, before its first command.
    void clearHistory() { history_.clear(); }
    // The newest record of that cycle and kind.
    std::optional<SentCommandRecord> findSentCommand(int cycle, int kind) const {
        return history_.find(cycle, kind);
    }

    // Starts timing the sends of one think pass: the first and the last command sent from now.
    void markSendTimes();
    std::optional<std::chrono::steady_clock::time_point> firstSentSinceMark() const;
    std::optional<std::chrono::steady_clock::time_point> lastSentSinceMark() const;

    const SentCommandCounters& counters() const { return counters_; }
    // What went out, for the world model's replay of the agent's own commands.
    const SentCommandHistory& sentHistory() const { return history_; }
    const std::array<SentCommandRecord, kSentHistorySize>& history() const {
        return history_.entries;
    }
    int historyNext() const { return history_.next; }

  private:
    void record(int kind, double firstValue, double secondValue);
    void noteSent();
    std::optional<double> ownSpeed() const;

    CommandFormatter& formatter_;
    const Geometry& geometry_;
    const ServerParams& params_;
    const SelfState& self_;
    const Clock& clock_;

    SentCommandHistory history_;
    SentCommandCounters counters_;
    bool sentSinceMark_ = false;
    std::chrono::steady_clock::time_point firstSent_{};
    std::chrono::steady_clock::time_point lastSent_{};
};

}  // namespace zamo
