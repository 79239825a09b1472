#include "agent/runtime/command_sender.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "agent/net/server_endpoint.h"
#include "agent/runtime/agent_context.h"
#include "support/loopback_server.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

std::vector<int> countsOf(const SentCommandCounters& c) {
    return {c.kickCount,  c.dashCount, c.turnCount,       c.sayCount,   c.turnNeckCount,
            c.catchCount, c.moveCount, c.changeViewCount, c.tackleCount};
}

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
    agent.self.neckAngle = 70;
    const struct {
        std::function<bool()> send;
        std::string text;
        int kind;
        double first;
        double second;
    } cases[] = {
        {[&] { return sender.doDash(150); }, "(dash 100.0)", kDashCommand, 100, 0},
        {[&] { return sender.doKick(50, -200); }, "(kick 50.0 -180.0)", kKickCommand, 50, -180},
        {[&] { return sender.doMove(60, -45); }, "(move 57.5 -39.0)", kMoveCommand, 57.5, -39},
        {[&] { return sender.doCatch(200); }, "(catch 180.0)", kCatchCommand, 180, 0},
        {[&] { return sender.doTackle(-150); }, "(tackle -100.0)", kTackleCommand, -100, 0},
        // The neck, at 70 degrees, can turn only 20 more.
        {[&] { return sender.doTurnNeck(40); }, "(turn_neck 20.0)", kTurnNeckCommand, 20, 0},
        {[&] { return sender.doChangeView(0, 1); }, "(change_view narrow high)", kChangeViewCommand,
         0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(c.send());
        EXPECT_EQ(nextText(), c.text);
        expectRecord(sender.findSentCommand(42, c.kind), c.kind, 42, c.first, c.second);
    }
    // kick dash turn say turn_neck catch move change_view tackle
    EXPECT_EQ(countsOf(sender.counters()), (std::vector<int>{1, 1, 0, 0, 1, 1, 1, 1, 1}));
    EXPECT_EQ(sender.historyNext(), 7);
}

TEST_F(CommandSenderTest, TurnAngleIsScaledByOwnSpeed) {
    agent.self.velocity = {kNotGiven, kNotGiven};
    EXPECT_TRUE(sender.doTurn(20));
    EXPECT_EQ(nextText(), "(turn 20.0)");

    agent.self.velocity = {0.24, 0.32};  // speed 0.4: the server divides by 3
    agent.clock.cycle = 43;
    EXPECT_TRUE(sender.doTurn(20));
    EXPECT_EQ(nextText(), "(turn 60.0)");
    expectRecord(sender.findSentCommand(43, kTurnCommand), kTurnCommand, 43, 60, 0);

    EXPECT_TRUE(sender.doTurn(-50));
    EXPECT_EQ(nextText(), "(turn -150.0)");
    EXPECT_TRUE(sender.doTurn(90));
    EXPECT_EQ(nextText(), "(turn 180.0)");
    expectRecord(sender.findSentCommand(43, kTurnCommand), kTurnCommand, 43, 180, 0);
    EXPECT_EQ(sender.counters().turnCount, 4);
}

TEST_F(CommandSenderTest, InvalidViewsAndEmptySaysAreRefusedAndSayAndByeAreNotRecorded) {
    EXPECT_FALSE(sender.doChangeView(3, 1));
    EXPECT_FALSE(sender.doChangeView(1, 5));
    EXPECT_FALSE(sender.doSay(""));
    EXPECT_TRUE(sender.doSay("Abc0123456"));
    EXPECT_EQ(nextText(), "(say Abc0123456)");
    EXPECT_TRUE(sender.doBye());
    EXPECT_EQ(nextText(), "(bye)");
    EXPECT_EQ(nextText(100ms), std::nullopt);
    EXPECT_EQ(countsOf(sender.counters()), (std::vector<int>{0, 0, 0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(sender.historyNext(), 0);
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
    EXPECT_EQ(countsOf(sender.counters()), std::vector<int>(9, 0));
    EXPECT_EQ(sender.historyNext(), 0);
    EXPECT_FALSE(sender.findSentCommand(42, kDashCommand));
}

TEST_F(CommandSenderTest, HistoryRingHoldsTheLastTenFindsTheNewestMatchAndClears) {
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

    ASSERT_TRUE(sender.doTurnNeck(5));
    ASSERT_TRUE(sender.doDash(20));
    expectRecord(sender.findSentCommand(11, kDashCommand), kDashCommand, 11, 20, 0);
    EXPECT_FALSE(sender.findSentCommand(11, kKickCommand));

    // A cleared ring matches nothing until the next record.
    sender.clearHistory();
    EXPECT_FALSE(sender.findSentCommand(11, kDashCommand));
    for (const SentCommandRecord& entry : sender.history()) {
        EXPECT_EQ(entry.cycle, kNoTime);
    }
    ASSERT_TRUE(sender.doKick(30, 15));
    expectRecord(sender.findSentCommand(11, kKickCommand), kKickCommand, 11, 30, 15);
    EXPECT_FALSE(sender.findSentCommand(11, kDashCommand));
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
