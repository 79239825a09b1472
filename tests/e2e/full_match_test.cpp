// A whole match on the practice server: two teams of eleven agent processes, started with
// scripts/start.sh, play 600 cycles; the server's record of every datagram and the agents'
// statistics files show how they played.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/agent_process.h"
#include "support/team_match.h"
#include "support/temp_dir.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;
using test::AgentProcess;

const std::string kServerProgram = std::string(ZAMO_BINARY_DIR) + "/zamo-practice-server";
constexpr int kHalfCycles = 300;

// One line of the server's record: cycle, ms, direction, client port, text.
struct RecordLine {
    bool in = false;
    int port = 0;
    std::string text;
};

std::vector<RecordLine> readRecord(const std::filesystem::path& path) {
    std::vector<RecordLine> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (int i = 0; i < 4; ++i) {
            const auto tab = line.find('\t', start);
            if (tab == std::string::npos) {
                break;
            }
            fields.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        if (fields.size() == 4) {
            lines.push_back({fields[2] == "in", std::stoi(fields[3]), line.substr(start)});
        }
    }
    return lines;
}

// What the record tells about the match, by client port.
struct MatchRecord {
    std::map<int, test::Registration> clients;
    std::optional<std::size_t> firstKickOff;
    std::string modeAfterKickOff;  // the referee's first word after the first kick-off
    std::map<int, test::FieldPoint> lastMoveBeforeKickOff;
    std::map<int, int> kicks;  // executed
};

MatchRecord analyse(const std::vector<RecordLine>& lines) {
    MatchRecord record;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const RecordLine& line = lines[i];
        const std::string& text = line.text;
        if (line.in) {
            test::FieldPoint move;
            if (text.starts_with("(init ")) {
                test::Registration& client = record.clients[line.port];
                client.team = text.substr(6, text.find(' ', 6) - 6);
                client.goalie = text.find("(goalie)") != std::string::npos;
            } else if (!record.firstKickOff &&
                       std::sscanf(text.c_str(), "(move %lf %lf)", &move.x, &move.y) == 2) {
                record.lastMoveBeforeKickOff[line.port] = move;
            }
            continue;
        }
        char side = '?';
        int number = 0;
        int kicks = 0;
        if (std::sscanf(text.c_str(), "(init %c %d", &side, &number) == 2) {
            record.clients[line.port].side = side;
            record.clients[line.port].number = number;
        } else if (text.find("referee kick_off_") != std::string::npos) {
            record.firstKickOff = record.firstKickOff.value_or(i);
        } else if (const auto referee = text.find(" referee "); referee != std::string::npos) {
            if (record.firstKickOff && record.modeAfterKickOff.empty()) {
                const std::string word = text.substr(referee + 9);
                record.modeAfterKickOff = word.substr(0, word.find(')'));
            }
        } else if (text.starts_with("(sense_body ")) {
            const auto at = text.find("(kick ");
            if (at != std::string::npos &&
                std::sscanf(text.c_str() + at, "(kick %d", &kicks) == 1) {
                record.kicks[line.port] = kicks;
            }
        }
    }
    return record;
}

test::MatchSummary summarise(const MatchRecord& record) {
    test::MatchSummary summary;
    for (const auto& [port, client] : record.clients) {
        summary.players.push_back(client);
        if (const auto move = record.lastMoveBeforeKickOff.find(port);
            move != record.lastMoveBeforeKickOff.end()) {
            summary.placeBeforeKickOff[{client.team, client.number}] = move->second;
        }
    }
    summary.kickedOff = record.firstKickOff.has_value();
    summary.modeAfterKickOff = record.modeAfterKickOff;
    for (const auto& [port, count] : record.kicks) {
        summary.kicks += count;
    }
    return summary;
}

TEST(FullMatchTest, TwoTeamsOfElevenPlayAMatchOnThePracticeServer) {
    if (!test::agentProgramBuilt() || !std::filesystem::exists(kServerProgram)) {
        GTEST_SKIP() << "ZamoSoccer or zamo-practice-server is not built";
    }
    test::TempDir dir;
    test::SelfPlay teams(dir.path());
    const auto portFile = dir.path() / "port";
    const auto recordFile = dir.path() / "record.tsv";
    AgentProcess server;
    ASSERT_TRUE(server.start(kServerProgram,
                             {"--port", "0", "--port-file", portFile.string(), "--half-cycles",
                              std::to_string(kHalfCycles), "--halves", "2", "--kickoff-wait", "30",
                              "--seed", "7", "--record", recordFile.string()}));
    ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(portFile); }, 5s));
    ASSERT_TRUE(teams.startTeams(std::stoi(test::readText(portFile))));

    // 600 cycles take 60 s; the kick-off waits and the start of the teams come on top.
    const auto serverStatus = server.waitForExit(150s);
    ASSERT_EQ(serverStatus, 0) << server.standardOutput() << server.standardError();
    EXPECT_NE(server.standardOutput().find("final score: Zamo_Left "), std::string::npos)
        << server.standardOutput();
    // Nobody left early: at time over every player still runs.
    teams.expectEveryoneStayedThenStop();

    const test::MatchSummary summary = summarise(analyse(readRecord(recordFile)));
    test::expectMatchPlayed(summary);
    teams.expectStatistics(kHalfCycles);
    std::printf("match of %.0f s, %d kicks\n", server.elapsedMs() / 1000.0, summary.kicks);
}

}  // namespace
}  // namespace zamo
