#include "agent/runtime/command_sender.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <optional>
#include <string>
#include <thread>

#include "agent/net/server_endpoint.h"
#include "agent/runtime/agent_context.h"
#include "support/loopback_server.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

class CommandSenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.ok());
        agent.endpoint = openEndpoint("127.0.0.1", server.port(), true);
        ASSERT_NE(agent.endpoint.socket, -1);
        agent.clock.cycle = 42;
    }
    void TearDown() override { closeEndpoint(agent.endpoint); }

    // The next command the server received, without the zero byte that must end it.
    std::optional<std::string> nextText(std::chrono::milliseconds timeout = 2s) {
        std::optional<std::string> datagram = server.receive(timeout);
        if (!datagram || datagram->empty() || datagram->back() != '\0') {
            return datagram;
        }
        datagram->pop_back();
        return datagram;
    }

    static void expectRecord(const std::optional<SentCommandRecord>& found, int kind, int cycle,
                             double first, double second) {
        ASSERT_TRUE(found);
        EXPECT_EQ(found->kind, kind);
        EXPECT_EQ(found->cycle, cycle);
        EXPECT_DOUBLE_EQ(found->firstValue, first);
        EXPECT_DOUBLE_EQ(found->secondValue, second);
    }

    test::LoopbackServer server;
    AgentContext agent;
    CommandSender& sender = agent.commandSender;
};

TEST_F(CommandSenderTest, ArgumentsAreClampedThenSentCountedAndRecorded) {
    EXPECT_TRUE(sender.doDash(150));
    EXPECT_EQ(nextText(), "(dash 100.0)");
    expectRecord(sender.findSentCommand(42, kDashCommand), kDashCommand, 42, 100, 0);

    EXPECT_TRUE(sender.doKick(50, -200));
    EXPECT_EQ(nextText(), "(kick 50.0 -180.0)");
    expectRecord(sender.findSentCommand(42, kKickCommand), kKickCommand, 42, 50, -180);

    EXPECT_TRUE(sender.doMove(60, -45));
    EXPECT_EQ(nextText(), "(move 57.5 -39.0)");
    expectRecord(sender.findSentCommand(42, kMoveCommand), kMoveCommand, 42, 57.5, -39);

    EXPECT_TRUE(sender.doCatch(200));
    EXPECT_EQ(nextText(), "(catch 180.0)");
    expectRecord(sender.findSentCommand(42, kCatchCommand), kCatchCommand, 42, 180, 0);

    EXPECT_TRUE(sender.doTackle(-150));
    EXPECT_EQ(nextText(), "(tackle -100.0)");
    expectRecord(sender.findSentCommand(42, kTackleCommand), kTackleCommand, 42, -100, 0);

    agent.self.neckAngle = 70;
    EXPECT_TRUE(sender.doTurnNeck(40));
    EXPECT_EQ(nextText(), "(turn_neck 20.0)");
    expectRecord(sender.findSentCommand(42, kTurnNeckCommand), kTurnNeckCommand, 42, 20, 0);

    const SentCommandCounters& counts = sender.counters();
    EXPECT_EQ(counts.dashCount, 1);
    EXPECT_EQ(counts.kickCount, 1);
    EXPECT_EQ(counts.moveCount, 1);
    EXPECT_EQ(counts.catchCount, 1);
    EXPECT_EQ(counts.tackleCount, 1);
    EXPECT_EQ(counts.turnNeckCount, 1);
    EXPECT_EQ(counts.turnCount, 0);
    EXPECT_EQ(sender.historyNext(), 6);
}

TEST_F(CommandSenderTest, TurnAngleIsScaledByOwnSpeed) {
    agent.self.velocity = {kNotGiven, kNotGiven};
    EXPECT_TRUE(sender.doTurn(20));
    EXPECT_EQ(nextText(), "(turn 20.0)");

    agent.self.velocity = {0.24, 0.32};  // speed 0.4: the server divides by 3
    agent.clock.cycle = 43;
    EXPECT_TRUE(sender.doTurn(20));
    EXPECT_EQ(nextText(), "(turn 60.0)");
    const auto moment = sender.findSentCommand(43, kTurnCommand);
    ASSERT_TRUE(moment);
    EXPECT_NEAR(moment->firstValue, 60.0, 1e-9);

    EXPECT_TRUE(sender.doTurn(-50));
    EXPECT_EQ(nextText(), "(turn -150.0)");
    EXPECT_TRUE(sender.doTurn(90));
    EXPECT_EQ(nextText(), "(turn 180.0)");
    expectRecord(sender.findSentCommand(43, kTurnCommand), kTurnCommand, 43, 180, 0);
    EXPECT_EQ(sender.counters().turnCount, 4);
}

TEST_F(CommandSenderTest, ChangeViewWithAnInvalidCodeLeavesNoTrace) {
    EXPECT_TRUE(sender.doChangeView(0, 1));
    EXPECT_EQ(nextText(), "(change_view narrow high)");
    expectRecord(sender.findSentCommand(42, kChangeViewCommand), kChangeViewCommand, 42, 0, 1);

    EXPECT_FALSE(sender.doChangeView(3, 1));
    EXPECT_FALSE(sender.doChangeView(1, 5));
    EXPECT_EQ(nextText(100ms), std::nullopt);
    EXPECT_EQ(sender.counters().changeViewCount, 1);
    EXPECT_EQ(sender.historyNext(), 1);
}

TEST_F(CommandSenderTest, SayAndByeAreNotRecorded) {
    EXPECT_FALSE(sender.doSay(""));
    EXPECT_TRUE(sender.doSay("Abc0123456"));
    EXPECT_EQ(nextText(), "(say Abc0123456)");
    EXPECT_EQ(sender.counters().sayCount, 1);

    EXPECT_TRUE(sender.doBye());
    EXPECT_EQ(nextText(), "(bye)");
    EXPECT_EQ(sender.historyNext(), 0);
    EXPECT_EQ(nextText(100ms), std::nullopt);
}

// A think pass is timed from its first command to its last; what went before does not count,
// and neither do a failed send or the goodbye.
TEST_F(CommandSenderTest, SendTimesCoverTheCommandsSinceTheMark) {
    EXPECT_TRUE(sender.doDash(10));
    sender.markSendTimes();
    EXPECT_FALSE(sender.firstSentSinceMark());
    EXPECT_FALSE(sender.doChangeView(7, 1));
    EXPECT_TRUE(sender.doBye());
    EXPECT_TRUE(sender.doDone());
    EXPECT_FALSE(sender.lastSentSinceMark());

    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(sender.doTurnNeck(20));
    std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(sender.doSay("Abc0123456"));
    const auto after = std::chrono::steady_clock::now();
    ASSERT_TRUE(sender.firstSentSinceMark());
    ASSERT_TRUE(sender.lastSentSinceMark());
    EXPECT_GE(*sender.firstSentSinceMark(), before);
    EXPECT_GE(*sender.lastSentSinceMark() - *sender.firstSentSinceMark(), 5ms);
    EXPECT_LE(*sender.lastSentSinceMark(), after);
    for (const char* text :
         {"(dash 10.0)", "(bye)", "(done)", "(turn_neck 20.0)", "(say Abc0123456)"}) {
        EXPECT_EQ(nextText(), text);
    }
}

TEST_F(CommandSenderTest, FailedSendChangesNothing) {
    EXPECT_FALSE(sender.doDash(std::numeric_limits<double>::quiet_NaN()));
    closeEndpoint(agent.endpoint);
    EXPECT_FALSE(sender.doDash(50));
    EXPECT_FALSE(sender.doTurn(10));
    EXPECT_FALSE(sender.doSay("Abc0123456"));
    EXPECT_FALSE(sender.doChangeView(1, 1));
    EXPECT_EQ(sender.counters().dashCount, 0);
    EXPECT_EQ(sender.counters().turnCount, 0);
    EXPECT_EQ(sender.counters().sayCount, 0);
    EXPECT_EQ(sender.counters().changeViewCount, 0);
    EXPECT_EQ(sender.historyNext(), 0);
    EXPECT_FALSE(sender.findSentCommand(42, kDashCommand));
}

TEST_F(CommandSenderTest, HistoryRingHoldsTheLastTen) {
    // A fresh ring is empty: nothing matches, not even cycle 0 with kind 0.
    EXPECT_FALSE(sender.findSentCommand(0, kCatchCommand));
    EXPECT_FALSE(sender.findSentCommand(kNoTime, kNoCommand));

    for (int cycle = 1; cycle <= 11; ++cycle) {
        agent.clock.cycle = cycle;
        ASSERT_TRUE(sender.doDash(cycle));
        ASSERT_TRUE(nextText());
    }
    EXPECT_FALSE(sender.findSentCommand(1, kDashCommand));
    for (int cycle = 2; cycle <= 11; ++cycle) {
        expectRecord(sender.findSentCommand(cycle, kDashCommand), kDashCommand, cycle, cycle, 0);
    }
    EXPECT_EQ(sender.historyNext(), 1);
    EXPECT_EQ(sender.counters().dashCount, 11);
}

TEST_F(CommandSenderTest, NewestMatchingRecordWins) {
    ASSERT_TRUE(sender.doDash(10));
    ASSERT_TRUE(sender.doTurnNeck(5));
    ASSERT_TRUE(sender.doDash(20));
    expectRecord(sender.findSentCommand(42, kDashCommand), kDashCommand, 42, 20, 0);
    EXPECT_FALSE(sender.findSentCommand(42, kKickCommand));
    EXPECT_FALSE(sender.findSentCommand(41, kDashCommand));
}

TEST_F(CommandSenderTest, ClearedHistoryMatchesNothingUntilTheNextRecord) {
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(sender.doDash(10 * i));
    }
    sender.clearHistory();
    EXPECT_FALSE(sender.findSentCommand(42, kDashCommand));
    for (const SentCommandRecord& entry : sender.history()) {
        EXPECT_EQ(entry.cycle, kNoTime);
    }
    ASSERT_TRUE(sender.doKick(30, 15));
    expectRecord(sender.findSentCommand(42, kKickCommand), kKickCommand, 42, 30, 15);
    EXPECT_FALSE(sender.findSentCommand(42, kDashCommand));
}

TEST_F(CommandSenderTest, ExecuteSendsKnownKindsInOrderAndSkipsTheRest) {
    CommandList list;
    ASSERT_TRUE(list.append({kDashCommand, 1, 30, 0}));
    ASSERT_TRUE(list.append({6, 0, 99, 99}));
    ASSERT_TRUE(list.append({kNoCommand, 0, 1, 1}));
    ASSERT_TRUE(list.append({kDashCommand, 1, std::numeric_limits<double>::quiet_NaN(), 0}));
    ASSERT_TRUE(list.append({kTurnNeckCommand, 1, 10, 0}));
    ASSERT_TRUE(list.append({kChangeViewCommand, 0, 2, 1}));
    ASSERT_TRUE(list.append({13, 0, 0, 0}));
    ASSERT_TRUE(list.append({kKickCommand, 1, 120, 45}));
    EXPECT_FALSE(list.append({kDashCommand, 1, 50, 0}));

    sender.executeCommands(list);
    EXPECT_EQ(nextText(), "(dash 30.0)");
    EXPECT_EQ(nextText(), "(turn_neck 10.0)");
    EXPECT_EQ(nextText(), "(kick 100.0 45.0)");
    EXPECT_EQ(nextText(100ms), std::nullopt);
    EXPECT_EQ(sender.counters().dashCount, 1);
    EXPECT_EQ(sender.counters().changeViewCount, 0);
    EXPECT_EQ(sender.historyNext(), 3);
}

TEST_F(CommandSenderTest, ExecuteNeverReadsPastTheList) {
    CommandList list;
    for (ServerCommand& entry : list.entries) {
        entry = {kDashCommand, 0, 40, 0};
    }
    list.count = 100;
    sender.executeCommands(list);
    list.count = -3;
    sender.executeCommands(list);
    EXPECT_EQ(sender.counters().dashCount, static_cast<int>(kCommandListCapacity));
}

}  // namespace
}  // namespace zamo
