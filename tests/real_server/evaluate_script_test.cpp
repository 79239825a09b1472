// scripts/evaluate.sh on the real server: two short matches from start to summary, an
// interrupted evaluation that leaves nothing behind, and the refusal of bad options.
#include <gtest/gtest.h>
#include <regex.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gamelog/game_log_reader.h"
#include "support/agent_process.h"
#include "support/match_record.h"
#include "support/monitor_run.h"
#include "support/real_server.h"
#include "support/temp_dir.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

const std::string kScript = std::string(ZAMO_SOURCE_DIR) + "/scripts/evaluate.sh";

// Whether the whole of text matches the POSIX extended expression (anchored here).
bool matchesWhole(const std::string& text, const std::string& pattern) {
    regex_t expression;
    if (regcomp(&expression, ("^" + pattern + "$").c_str(), REG_EXTENDED | REG_NOSUB) != 0) {
        return false;
    }
    const bool matched = regexec(&expression, text.c_str(), 0, nullptr, 0) == 0;
    regfree(&expression);
    return matched;
}

// Processes that still have a file open below dir: the server writes its log there and every
// player its output, so none may remain once the script has ended.
std::vector<std::string> processesUsing(const std::filesystem::path& dir) {
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos ||
            pid == std::to_string(::getpid())) {
            continue;
        }
        std::error_code ignored;
        for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", ignored)) {
            const std::string target = std::filesystem::read_symlink(fd.path(), ignored).string();
            if (target.starts_with(dir.string())) {
                found.push_back(pid + " " +
                                test::readText(process.path() / "cmdline").substr(0, 80));
                break;
            }
        }
    }
    return found;
}

// Runs the script to its end within timeout; past it, asks it to stop as a user would.
std::optional<int> finishOrStop(test::AgentProcess& script, std::chrono::seconds timeout) {
    auto status = script.waitForExit(timeout);
    if (!status) {
        script.signal(SIGTERM);
        script.waitForExit(60s);
    }
    return status;
}

// Each test starts an evaluation of the built team against itself into a folder of its own.
class EvaluateScriptTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server_ = test::realServerProgram();
        if (!server_) {
            GTEST_SKIP() << test::kNoRealServer;
        }
        out_ = dir_.path() / "evaluation";
    }

    bool startEvaluation(int matches, int halfCycles) {
        const std::string build = ZAMO_BINARY_DIR;
        return script_.start(
            kScript, {"--baseline", "HEAD", "--matches", std::to_string(matches), "--half-cycles",
                      std::to_string(halfCycles), "--out", out_.string(), "--server", *server_,
                      "--new-build", build, "--baseline-build", build});
    }

    std::optional<std::string> server_;
    test::TempDir dir_;
    std::filesystem::path out_;
    test::AgentProcess script_;
};

TEST_F(EvaluateScriptTest, PlaysTwoMatchesAndSummarisesThem) {
    ASSERT_TRUE(startEvaluation(2, 100));
    const auto status = finishOrStop(script_, 240s);
    const std::string output = script_.standardOutput();
    ASSERT_EQ(status, 0) << output << script_.standardError();

    // Progress, the mode and the verdict as the last line.
    // Both sides are this build, which plays in the server's synchronous mode.
    EXPECT_NE(output.find("== synchronous mode"), std::string::npos) << output;
    EXPECT_NE(output.find("match 1 of 2: "), std::string::npos) << output;
    EXPECT_NE(output.find("match 2 of 2: "), std::string::npos) << output;
    const std::string lastLine = output.substr(output.rfind('\n', output.size() - 2) + 1);
    EXPECT_TRUE(matchesWhole(lastLine,
                             "new vs [0-9a-f]{7}: W-D-L [0-2]-[0-2]-[0-2], goal difference per "
                             "match -?[0-9]+\\.[0-9]{2} \\[(-?[0-9.]+|-inf), ([0-9.-]+|inf)\\]\n"))
        << lastLine;
    EXPECT_EQ(test::readText(out_ / "summary.txt"), output.substr(output.find("Evaluation of")));

    // One row a match, sides alternating, goals as the game logs have them.
    std::istringstream table(test::readText(out_ / "matches.csv"));
    std::string header;
    std::string first;
    std::string second;
    std::getline(table, header);
    std::getline(table, first);
    std::getline(table, second);
    EXPECT_TRUE(header.starts_with("match,new_side,goals_new,goals_baseline,")) << header;
    EXPECT_TRUE(first.starts_with("1,l,")) << first;
    EXPECT_TRUE(second.starts_with("2,r,")) << second;
    EXPECT_NE(first.find(",synchronous,"), std::string::npos) << first;
    EXPECT_TRUE(test::pngSize(out_ / "summary.png"));
    for (const int match : {1, 2}) {
        std::string error;
        const auto log = gamelog::readGameLog(out_ / ("match-" + std::to_string(match)) /
                                                  ("match-" + std::to_string(match) + ".rcg.gz"),
                                              error);
        ASSERT_TRUE(log.has_value()) << error;
        EXPECT_EQ(log->frames.back().cycle, 200);
        EXPECT_EQ(log->frames.back().players.size(), 22U);
        const auto& teams = log->frames.back().teams;
        EXPECT_TRUE(teams.left.starts_with(match == 1 ? "New_" : "Base_")) << teams.left;
        EXPECT_LE(teams.left.size(), 15U);
    }
    EXPECT_EQ(processesUsing(out_), std::vector<std::string>{});

    // Joined again on its own, the evaluation gives the same verdict and rows.
    test::AgentProcess merge;
    const auto merged = dir_.path() / "merged";
    ASSERT_TRUE(merge.start(kScript, {"--merge", out_.string(), "--out", merged.string(),
                                      "--new-build", ZAMO_BINARY_DIR}));
    ASSERT_EQ(merge.waitForExit(60s), 0) << merge.standardError();
    EXPECT_TRUE(merge.standardOutput().ends_with(lastLine)) << merge.standardOutput();
    const std::string joined = test::readText(merged / "matches.csv");
    EXPECT_NE(joined.find("\n" + first.substr(0, 40)), std::string::npos) << joined;
    EXPECT_NE(joined.find("\n" + second.substr(0, 40)), std::string::npos) << joined;
    EXPECT_EQ(merge.standardOutput().find("could not be read"), std::string::npos)
        << "the logs are found from the merged table";
}

TEST_F(EvaluateScriptTest, AnInterruptedEvaluationStopsEverything) {
    ASSERT_TRUE(startEvaluation(2, 3000));
    const auto deadline = std::chrono::steady_clock::now() + 90s;
    while (script_.standardOutput().find(": cycle ") == std::string::npos && script_.running() &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(200ms);
    }
    ASSERT_NE(script_.standardOutput().find(": cycle "), std::string::npos)
        << script_.standardOutput() << script_.standardError();
    EXPECT_FALSE(processesUsing(out_).empty()) << "the match is being played";
    script_.signal(SIGTERM);
    EXPECT_EQ(script_.waitForExit(40s), 143) << script_.standardError();
    EXPECT_EQ(processesUsing(out_), std::vector<std::string>{});
    EXPECT_FALSE(std::filesystem::exists(out_ / "matches.csv"));
}

TEST(EvaluateScriptOptionsTest, RefusesBadOptions) {
    // A build whose players would find no strategy files (they play on without) is refused.
    test::TempDir dir;
    const auto stray = dir.path() / "build";
    std::filesystem::create_directories(stray);
    std::filesystem::create_symlink(test::agentProgramPath(), stray / "ZamoSoccer");
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"--matches", "3"}, 2, "error: "},
        {{"--baseline", "HEAD", "--matches", "0"}, 2, "error: "},
        {{"--baseline", "HEAD", "--jobs", "17"}, 2, "error: "},
        {{"--baseline", "HEAD", "--half-cycles", "5"}, 2, "error: "},
        {{"--baseline", "HEAD", "--seed-from", "x"}, 2, "error: "},
        {{"--baseline", "no-such-revision-anywhere"}, 2, "error: "},
        {{"--baseline", "HEAD", "--server", "/nonexistent/rcssserver"}, 2, "error: "},
        {{"--baseline", "HEAD", "--frobnicate"}, 2, "error: "},
        {{"--merge"}, 2, "error: "},
        {{"--merge", "/nonexistent/folder"}, 2, "error: "},
        {{"--baseline", "HEAD", "--baseline-build", stray.string()}, 2, "no strategy files"},
        {{"--help"}, 0, "synchronous mode"},
    };
    for (const Case& c : cases) {
        const test::ProgramRun run = test::runToEnd(kScript, c.arguments, 30s);
        EXPECT_EQ(run.status, c.status) << c.arguments.back();
        // Help on the standard output, errors on the standard error.
        EXPECT_NE((c.status == 0 ? run.out : run.err).find(c.says), std::string::npos)
            << c.arguments.back() << ": " << run.out << run.err;
    }
}

}  // namespace
}  // namespace zamo
