#include "tools/practice_server/match.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zamo::practice {
namespace {

constexpr std::uint32_t kLoopback = 0x7f000001;

Peer client(int n) {
    return {kLoopback, static_cast<std::uint16_t>(40000 + n)};
}

// A match with short waits, driven cycle by cycle without sockets.
class PracticeMatch : public ::testing::Test {
  protected:
    static MatchOptions shortMatch() {
        MatchOptions o;
        o.halfCycles = 30;
        o.halves = 2;
        o.kickOffWait = 10;
        o.afterGoalWait = 2;
        o.dropBallWait = 20;
        o.seed = 5;
        return o;
    }

    // Sends an init from client n; returns what came back.
    std::vector<Outgoing> init(int n, const std::string& text) {
        match.receiveOnMainPort(client(n), text, 0);
        return match.takeOutgoing();
    }
    // Registers client n and returns its connection.
    int join(int n, const std::string& team, const std::string& extra = " (version 9.35)") {
        const auto out = init(n, "(init " + team + extra + ")");
        EXPECT_FALSE(out.empty());
        return out.empty() ? -1 : out.front().connection;
    }
    void send(int n, int connection, const std::string& text) {
        match.receiveOnConnection(connection, client(n), text + std::string(1, '\0'));
    }
    // Everything sent to client n since the last call (and drops what went to others).
    std::vector<std::string> received(int n) {
        std::vector<std::string> texts;
        for (const Outgoing& o : match.takeOutgoing()) {
            if (o.peer == client(n)) {
                texts.push_back(o.text);
            }
        }
        return texts;
    }
    static bool has(const std::vector<std::string>& texts, const std::string& text) {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    void steps(int n) {
        for (int i = 0; i < n; ++i) {
            match.step();
        }
    }
    // Two teams (clients 1 and 2, unless they joined already), the left one kicks off and
    // plays the ball; one cycle of play_on has passed afterwards.
    void startPlay() {
        if (left < 0) {
            left = join(1, "Zamo_Left");
            right = join(2, "Other");
        }
        send(1, left, "(move -0.2 0)");
        steps(10);
        send(1, left, "(kick 10 0)");
        match.step();
        match.takeOutgoing();
    }

    Match match{ServerParams{}, shortMatch()};
    int left = -1;
    int right = -1;
};

TEST_F(PracticeMatch, RegistrationAssignsSidesAndNumbersFromFreshPorts) {
    auto out = init(1, "(init Zamo_Left (version 9.35))");
    ASSERT_EQ(out.size(), 21u);  // the reply, server_param, player_param, 18 player types
    EXPECT_EQ(out[0].text, "(init l 1 before_kick_off)");
    EXPECT_GE(out[0].connection, 0);
    EXPECT_EQ(out[0].peer, client(1));
    EXPECT_EQ(out[1].text.rfind("(server_param (", 0), 0u);
    // Version 7 gets the same parameters as bare numbers.
    out = init(2, "(init Zamo_Left (version 7.11) (goalie))");
    EXPECT_EQ(out[0].text, "(init l 2 before_kick_off)");
    EXPECT_EQ(out[1].text.rfind("(server_param 14.02 ", 0), 0u);
    EXPECT_NE(out[0].connection, match.player(kLeft, 1)->connection);
    EXPECT_EQ(init(3, "(init Other (version 9.35))")[0].text, "(init r 1 before_kick_off)");
    EXPECT_TRUE(match.player(kLeft, 2)->goalie);
}

TEST_F(PracticeMatch, RegistrationErrorsAreTheRealServersFromTheMainPort) {
    const auto error = [&](int n, const std::string& text) {
        const auto out = init(n, text);
        EXPECT_EQ(out.size(), 1u) << text;
        EXPECT_EQ(out.empty() ? 0 : out[0].connection, -1) << text;
        return out.empty() ? std::string() : out[0].text;
    };
    join(1, "A", " (version 9.35) (goalie)");
    EXPECT_EQ(error(2, "(init A (version 9.35) (goalie))"),
              "(error no_more_player_or_goalie_or_illegal_client_version)");
    EXPECT_EQ(error(3, "(init A (version 5))"),
              "(error no_more_player_or_goalie_or_illegal_client_version)");
    EXPECT_EQ(error(4, "(init A)"), "(error no_more_player_or_goalie_or_illegal_client_version)");
    join(5, "B");
    EXPECT_EQ(error(6, "(init C (version 9))"), "(error no_more_team)");
    EXPECT_EQ(error(7, "(init ABCDEFGHIJKLMNOP (version 9))"),
              "(error illegal_teamname_or_too_long_teamname)");
    EXPECT_EQ(error(8, "(init A.B (version 9))"), "(error illegal_teamname)");
    EXPECT_EQ(error(9, "(init A (version 9) (keeper))"), "(error illegal_command_form)");
    EXPECT_EQ(error(10, "hello"), "(error unknown_command)");
    for (int n = 2; n <= 11; ++n) {
        join(20 + n, "A");
    }
    EXPECT_EQ(match.player(kLeft, 11)->number, 11);
    EXPECT_EQ(error(40, "(init A (version 9))"),
              "(error no_more_player_or_goalie_or_illegal_client_version)");
}

TEST_F(PracticeMatch, BadCommandsScoreByeAndReconnect) {
    const int c = join(1, "Zamo_Left");
    match.takeOutgoing();
    send(1, c, "(foo 1)");
    send(1, c, "(dash)");
    send(1, c, "(score)");
    EXPECT_EQ(received(1),
              (std::vector<std::string>{"(error illegal_command_form)",
                                        "(error illegal_command_form)", "(score 0 0 0)"}));
    // A stranger on the client's port does not speak for it.
    match.receiveOnConnection(c, client(9), "(score)");
    EXPECT_TRUE(match.takeOutgoing().empty());

    EXPECT_EQ(init(2, "(reconnect Zamo_Left 4)")[0].text, "(error no_such_team_or_player)");
    send(1, c, "(bye)");
    EXPECT_FALSE(match.player(kLeft, 1)->active);
    EXPECT_EQ(match.takeClosedConnections(), std::vector<int>{c});
    const auto back = init(2, "(reconnect Zamo_Left 1)");
    ASSERT_FALSE(back.empty());
    EXPECT_EQ(back[0].text, "(reconnect l before_kick_off)");
    EXPECT_NE(back[0].connection, c);
    EXPECT_EQ(back[0].peer, client(2));
    EXPECT_TRUE(match.player(kLeft, 1)->active);
    // Taking over a connected player retires its old port.
    const auto again = init(3, "(reconnect Zamo_Left 1)");
    ASSERT_FALSE(again.empty());
    EXPECT_EQ(match.takeClosedConnections(), std::vector<int>{back[0].connection});
    send(2, back[0].connection, "(score)");
    EXPECT_TRUE(match.takeOutgoing().empty());
}

TEST_F(PracticeMatch, BeforeKickOffTheClockStandsThenKickOffAndPlayOnAtTheFirstKick) {
    left = join(1, "Zamo_Left", " (version 7.11)");
    right = join(2, "Other");
    match.takeOutgoing();
    send(1, left, "(move -0.2 0)");
    match.step();
    auto texts = received(1);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0],
              "(sense_body 0 (view_mode high normal) (stamina 4000 1) (speed 0 0) (head_angle 0) "
              "(kick 0) (dash 0) (turn 0) (say 0) (turn_neck 0) (catch 0) (move 1) (change_view "
              "0))");
    steps(9);
    EXPECT_TRUE(has(received(1), "(hear 0 referee kick_off_l)"));
    EXPECT_EQ(match.time(), 0);
    EXPECT_EQ(match.playMode(), kKickOffL);
    // The right side may not take the left side's kick-off.
    match.player(kRight, 1)->pos = {0.3, 0.0};
    send(2, right, "(kick 100 180)");
    EXPECT_EQ(match.player(kRight, 1)->kickCount, 0);
    EXPECT_EQ(match.playMode(), kKickOffL);
    send(1, left, "(kick 50 0)");
    EXPECT_TRUE(has(received(2), "(hear 0 referee play_on)"));
    match.step();
    // 50 * 0.027 with the ball touching straight ahead.
    EXPECT_NEAR(match.ball().pos.x, 1.35, 1e-9);
    EXPECT_EQ(match.time(), 1);
}

TEST_F(PracticeMatch, DashShowsInTheNextSenseBody) {
    startPlay();
    send(1, left, "(dash 100)");
    match.step();
    const auto texts = received(1);
    ASSERT_FALSE(texts.empty());
    // Speed 0.6 then decayed by 0.4; 100 stamina paid, 45 recovered.
    EXPECT_NE(texts.back().find("(stamina 3945 1) (speed 0.24 0)"), std::string::npos)
        << texts.back();
    EXPECT_NE(texts.back().find("(dash 1)"), std::string::npos);
}

TEST_F(PracticeMatch, GoalIsAnnouncedCountedAndFollowedByKickOffForTheOtherSide) {
    startPlay();
    match.step();
    match.ball().pos = {51.0, 1.0};
    match.ball().vel = {2.0, 0.0};
    match.step();
    const int t = match.time();
    EXPECT_TRUE(has(received(2), "(hear " + std::to_string(t) + " referee goal_l_1)"));
    EXPECT_EQ(match.score(kLeft), 1);
    EXPECT_EQ(match.takeReport(),
              (std::vector<std::string>{"goal_l_1 at cycle " + std::to_string(t) +
                                        ": Zamo_Left 1 - 0 Other"}));
    send(2, right, "(score)");
    EXPECT_TRUE(has(received(2), "(score " + std::to_string(t) + " 0 1)"));
    steps(2);
    EXPECT_EQ(match.time(), t);  // the clock stands in the pause after a goal
    EXPECT_TRUE(has(received(1), "(hear " + std::to_string(t) + " referee kick_off_r)"));
    EXPECT_EQ(match.ball().pos, (Vec2{0, 0}));
}

TEST_F(PracticeMatch, BallOverTheSideLineGivesAKickInAtTheCrossing) {
    startPlay();
    match.step();
    match.ball().pos = {10.0, 33.5};
    match.ball().vel = {0.0, 1.0};
    match.step();
    EXPECT_EQ(match.playMode(), kKickInR);  // the left side touched it last
    EXPECT_EQ(match.ball().pos, (Vec2{10.0, 34.0}));
    steps(2);
    EXPECT_EQ(match.ball().pos, (Vec2{10.0, 34.0}));  // it waits there for the kick-in
}

TEST_F(PracticeMatch, HalfTimeThenTimeOverEndsTheMatch) {
    startPlay();
    steps(28);
    EXPECT_EQ(match.time(), 29);
    match.step();
    const auto atHalf = received(1);
    EXPECT_TRUE(has(atHalf, "(hear 30 referee half_time)"));
    EXPECT_TRUE(has(atHalf, "(hear 30 referee before_kick_off)"));
    steps(10);
    EXPECT_TRUE(has(received(1), "(hear 30 referee kick_off_r)"));
    steps(29);
    EXPECT_FALSE(match.finished());
    match.step();
    EXPECT_TRUE(has(received(1), "(hear 60 referee time_over)"));
    EXPECT_TRUE(match.finished());
    EXPECT_EQ(match.takeReport(), (std::vector<std::string>{"final score: Zamo_Left 0 - 0 Other"}));
}

TEST_F(PracticeMatch, SayIsHeardInTheNextCycleWithinHearingDistance) {
    const int a = join(1, "Zamo_Left");
    const int b = join(2, "Zamo_Left");
    join(3, "Other", " (version 7.11)");
    join(4, "Other");
    match.player(kLeft, 1)->pos = {0, 0};
    match.player(kLeft, 2)->pos = {0, 10};   // 90 degrees to the right of player 1's facing
    match.player(kRight, 1)->pos = {10, 0};  // faces 180: player 1 is straight ahead
    match.player(kRight, 2)->pos = {-51, 0};
    send(1, a, "(say Abc0123456)");
    send(2, b, "(say This_is_too_long)");
    EXPECT_TRUE(received(1).empty());
    match.step();
    EXPECT_TRUE(has(received(1), "(hear 0 self \"Abc0123456\")"));
    match.step();
    const auto all = match.takeOutgoing();
    EXPECT_TRUE(std::none_of(all.begin(), all.end(), [](const Outgoing& o) {
        return o.text.find("hear") != std::string::npos;
    }));
    send(1, a, "(say Hello7)");
    match.step();
    std::vector<std::string> heard[5];
    for (const Outgoing& o : match.takeOutgoing()) {
        heard[o.peer.port - 40000].push_back(o.text);
    }
    EXPECT_TRUE(has(heard[2], "(hear 0 -90 our 1 \"Hello7\")"));
    EXPECT_TRUE(has(heard[3], "(hear 0 0 \"Hello7\")"));  // version 7: no sender
    EXPECT_TRUE(std::none_of(heard[4].begin(), heard[4].end(), [](const std::string& t) {
        return t.find("Hello7") != std::string::npos;  // 51 m away
    }));
    EXPECT_EQ(match.player(kLeft, 2)->sayCount, 0);
}

TEST_F(PracticeMatch, SeesComeAtTheIntervalOfTheViewWidth) {
    const int c = join(1, "Zamo_Left");
    match.takeOutgoing();
    const auto sees = [&](long long ms) {
        match.sendDueSees(ms);
        int n = 0;
        for (const Outgoing& o : match.takeOutgoing()) {
            n += o.text.rfind("(see 0 ", 0) == 0 ? 1 : 0;
        }
        return n;
    };
    EXPECT_EQ(sees(149), 0);
    EXPECT_EQ(sees(150), 1);
    EXPECT_EQ(sees(299), 0);
    send(1, c, "(change_view narrow high)");
    EXPECT_EQ(sees(300), 1);
    EXPECT_EQ(match.nextSeeDue(), 375);
    send(1, c, "(change_view wide)");
    EXPECT_EQ(sees(375), 1);
    EXPECT_EQ(match.nextSeeDue(), 675);
}

TEST_F(PracticeMatch, FromVersion18SeesFollowTheBodySenseOfTheCyclesWhoseTurnItIs) {
    const int c = join(1, "Zamo_Left", " (version 18)");
    match.takeOutgoing();
    // Whether a see came right after the body sense of each of the next cycles.
    const auto cycles = [&](int n) {
        std::string pattern;
        for (int i = 0; i < n; ++i) {
            match.step();
            const std::vector<std::string> texts = received(1);
            const auto body = std::find_if(texts.begin(), texts.end(), [](const std::string& t) {
                return t.rfind("(sense_body ", 0) == 0;
            });
            const bool seeNext = body != texts.end() && body + 1 != texts.end() &&
                                 (body + 1)->rfind("(see ", 0) == 0;
            pattern += seeNext ? 's' : '-';
        }
        return pattern;
    };
    EXPECT_EQ(cycles(4), "-s-s");  // normal width: every second cycle
    send(1, c, "(change_view narrow high)");
    EXPECT_EQ(cycles(3), "sss");
    send(1, c, "(change_view wide)");
    EXPECT_EQ(cycles(6), "--s--s");
    // Nothing comes on the clock besides.
    EXPECT_EQ(match.nextSeeDue(), -1);
    match.sendDueSees(100000);
    EXPECT_TRUE(received(1).empty());

    // An older version keeps the clock.
    join(2, "Other");
    match.takeOutgoing();
    EXPECT_GE(match.nextSeeDue(), 0);
    match.step();
    for (const Outgoing& o : match.takeOutgoing()) {
        if (o.peer == client(2)) {
            EXPECT_NE(o.text.rfind("(see ", 0), 0u) << o.text;
        }
    }
}

TEST_F(PracticeMatch, GoalieCatchesInItsAreaAndRestartsWithAFreeKick) {
    startPlay();
    const int g = join(3, "Zamo_Left", " (version 9.35) (goalie)");
    match.takeOutgoing();
    PlayerState& goalie = *match.player(kLeft, 2);
    goalie.pos = {-50, 0};
    match.ball().pos = {-48.5, 0.3};
    match.ball().vel = {};
    send(3, g, "(catch 0)");
    EXPECT_EQ(match.playMode(), kGoalieCatchBallL);
    EXPECT_EQ(goalie.catchCount, 1);
    EXPECT_NEAR(match.ball().pos.x, -50 + 0.385, 1e-9);
    match.step();
    EXPECT_EQ(match.playMode(), kFreeKickL);
    // The holder may move in its area, and the ball goes along.
    send(3, g, "(move -45 5)");
    EXPECT_NEAR(match.ball().pos.x, -45 + 0.385, 1e-9);
    match.step();
    send(3, g, "(kick 100 0)");
    EXPECT_EQ(match.playMode(), kPlayOn);
    // A field player may not catch.
    send(1, left, "(catch 0)");
    EXPECT_EQ(match.player(kLeft, 1)->catchCount, 0);
}

TEST_F(PracticeMatch, MoveOnlyBeforeKickOffAndInTheOwnFrame) {
    left = join(1, "Zamo_Left");
    right = join(2, "Other");
    send(2, right, "(move -10 5)");
    EXPECT_EQ(match.player(kRight, 1)->pos, (Vec2{10, -5}));
    startPlay();
    send(2, right, "(move -20 5)");
    EXPECT_EQ(match.player(kRight, 1)->pos, (Vec2{10, -5}));
}

TEST_F(PracticeMatch, SynchronousModeWaitsForEveryPlayersDoneButNotForOneGone) {
    left = join(1, "Zamo_Left");
    right = join(2, "Other");
    EXPECT_TRUE(match.allDone());
    match.takeOutgoing();
    match.sendThink();
    const auto told = match.takeOutgoing();
    ASSERT_EQ(told.size(), 2u);
    for (const Outgoing& o : told) {
        EXPECT_EQ(o.text, "(think)");
    }
    EXPECT_FALSE(match.allDone());
    send(1, left, "(done)");
    EXPECT_FALSE(match.allDone());
    send(2, right, "(done 1)");  // not the word: still thinking
    EXPECT_FALSE(match.allDone());
    send(2, right, "(bye)");
    EXPECT_TRUE(match.allDone());
    match.sendThink();
    EXPECT_EQ(received(1), std::vector<std::string>{"(think)"});
    EXPECT_FALSE(match.allDone());
}

// The same seed and the same datagrams give the same match, message for message; another seed
// changes what far players show.
TEST(PracticeMatchReplay, DeterministicGivenTheSeed) {
    const auto play = [](std::uint64_t seed) {
        MatchOptions options;
        options.seed = seed;
        options.kickOffWait = 2;
        Match match(ServerParams{}, options);
        for (int n = 1; n <= 6; ++n) {
            match.receiveOnMainPort(client(n),
                                    n <= 3 ? "(init A (version 9))" : "(init B (version 9))", 0);
        }
        std::vector<std::string> texts;
        for (const Outgoing& o : match.takeOutgoing()) {
            texts.push_back(o.text);
        }
        for (int i = 0; i < 4; ++i) {
            PlayerState& p = *match.player(i % 2 == 0 ? kLeft : kRight, 1 + i / 2);
            p.pos = {-30.0 + 17.0 * i, 5.0 * i};
            p.body = 40.0 * i;
        }
        for (int cycle = 1; cycle <= 20; ++cycle) {
            match.step();
            match.sendDueSees(cycle * 100);
            for (const Outgoing& o : match.takeOutgoing()) {
                texts.push_back(o.text);
            }
        }
        return texts;
    };
    const auto first = play(11);
    EXPECT_EQ(play(11), first);
    EXPECT_NE(play(12), first);
}

}  // namespace
}  // namespace zamo::practice
