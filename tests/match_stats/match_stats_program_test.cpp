// The zamo-match-stats program as the evaluation script runs it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/agent_process.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

const std::string kProgram = std::string(ZAMO_BINARY_DIR) + "/zamo-match-stats";

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome run(const std::vector<std::string>& arguments) {
    test::AgentProcess process;
    Outcome result;
    if (!process.start(kProgram, arguments)) {
        return result;
    }
    result.status = process.waitForExit(30s).value_or(-1);
    result.out = process.standardOutput();
    result.err = process.standardError();
    return result;
}

std::string read(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(MatchStatsProgramTest, TablesAMatchAndSummarisesTables) {
    test::TempDir dir;
    const std::string log = test::dataPath("zamo-selfplay.rcg.gz");
    const auto first = dir.path() / "m1" / "row.csv";
    const auto second = dir.path() / "m2" / "row.csv";
    std::filesystem::create_directories(first.parent_path());
    std::filesystem::create_directories(second.parent_path());
    Outcome r =
        run({"match", log, "--new-team", "Zamo_Right", "--match", "1", "--mode", "real time",
             "--new-rev", "new1", "--baseline-rev", "base1", "--out", first.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string table = read(first);
    EXPECT_NE(table.find("\n1,r,1,0,"), std::string::npos) << table;
    r = run({"match", log, "--new-team", "Zamo_Left", "--match", "2", "--new-rev", "new1",
             "--baseline-rev", "base1", "--out", second.string()});
    ASSERT_EQ(r.status, 0) << r.err;

    const auto out = dir.path() / "summary";
    r = run({"summary", "--out", out.string(), first.string(), second.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.ends_with(
        "new vs base1: W-D-L 1-0-1, goal difference per match 0.00 [-12.71, 12.71]\n"))
        << r.out;
    EXPECT_EQ(read(out / "summary.txt"), r.out);
    const std::string joined = read(out / "matches.csv");
    EXPECT_NE(joined.find("\n1,r,"), std::string::npos);
    EXPECT_NE(joined.find("\n2,l,"), std::string::npos);
    EXPECT_EQ(read(out / "summary.png").substr(1, 3), "PNG");
    EXPECT_EQ(r.out.find("could not be read"), std::string::npos) << "both logs found again";

    // A joined table summarises again from where it lies, its logs still found.
    r = run({"summary", "--out", (dir.path() / "again").string(), (out / "matches.csv").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("could not be read"), std::string::npos) << r.out;
}

TEST(MatchStatsProgramTest, SaysWhatIsWrong) {
    test::TempDir dir;
    const std::string log = test::dataPath("zamo-selfplay.rcg.gz");
    const std::string out = (dir.path() / "row.csv").string();
    Outcome r = run({"match", log, "--new-team", "Nobody", "--out", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no team Nobody"), std::string::npos) << r.err;
    r = run({"match", (dir.path() / "missing.rcg").string(), "--new-team", "A", "--out", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot open"), std::string::npos) << r.err;
    r = run({"match", log, "--new-team", "A"});
    EXPECT_EQ(r.status, 2);
    r = run({"match", log, "--new-team", "A", "--out", out, "--match", "two"});
    EXPECT_EQ(r.status, 2);
    r = run({"summary", "--out", dir.path().string(), dir.write("bad.csv", "x\n").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("header differs"), std::string::npos) << r.err;
    r = run({"frobnicate"});
    EXPECT_EQ(r.status, 2);
    r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("goal difference per match"), std::string::npos);
}

}  // namespace
}  // namespace zamo
