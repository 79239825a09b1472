#include "agent/config/agent_config.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "agent/config/launch_arguments.h"
#include "support/temp_dir.h"

namespace zamo {
namespace {

using test::TempDir;

AgentConfig loadWithFile(const std::string& playerId, std::string_view fileText) {
    TempDir dir;
    dir.write("zamo_soccer.conf", fileText);
    LaunchArguments arguments;
    arguments.playerId = playerId;
    return loadConfiguration(arguments, dir.path());
}

AgentConfig readFile(std::string_view fileText, const std::string& playerId = "2") {
    TempDir dir;
    AgentConfig config;
    config.playerIdText = playerId;
    EXPECT_TRUE(readConfFile(config, dir.write("test.conf", fileText)));
    return config;
}

void expectSameConfig(const AgentConfig& a, const AgentConfig& b) {
    EXPECT_EQ(a.isGoalie, b.isGoalie);
    EXPECT_EQ(a.playerType, b.playerType);
    EXPECT_EQ(a.strategyDirectoryPath, b.strategyDirectoryPath);
}

TEST(LoadConfiguration, EmptyCommandLineGivesTheDefaults) {
    TempDir dir;
    const std::string d = dir.path().string();
    const AgentConfig c = loadConfiguration(parseCommandLine(""), dir.path());
    EXPECT_EQ(c.teamName, "Zamo_Left");
    EXPECT_EQ(c.quotedTeamName, "\"Zamo_Left\"");
    EXPECT_EQ(c.opponentTeamName, "Zamo_Opponent");
    EXPECT_EQ(c.playerIdText, "11");
    EXPECT_EQ(c.serverIp, "127.0.0.1");
    EXPECT_EQ(c.serverPort, 6000);
    EXPECT_DOUBLE_EQ(c.serverVersion, 9.35);
    EXPECT_EQ(c.confPath, d + "/zamo_soccer.conf");
    EXPECT_EQ(c.strategyDirectoryPath, d + "/");
    EXPECT_EQ(c.playerType, "offender");
    EXPECT_EQ(c.isGoalie, 0);
    EXPECT_EQ(c.uniformNumber, kNoTime);
    EXPECT_EQ(c.side, 0);

    // A trailing slash or the root directory gives no doubled separator.
    EXPECT_EQ(loadConfiguration({}, d + "/").confPath, d + "/zamo_soccer.conf");
    EXPECT_EQ(loadConfiguration({}, "/").strategyDirectoryPath, "/");
}

TEST(LoadConfiguration, CommandLineValuesWinOverDefaults) {
    TempDir dir;
    const std::string conf = dir.write("my dir/agent.conf", "strategy_directory_path /s/\n");
    const std::vector<std::string_view> args = {
        "--team_name",   "Zamo_Right", "--player_id",      "7",    "--server_ip",      "localhost",
        "--server_port", "6123",       "--server_version", "7.11", "--zamo_conf_path", conf};
    const AgentConfig c = loadConfiguration(parseArguments(args).arguments, dir.path());
    EXPECT_EQ(c.teamName, "Zamo_Right");
    EXPECT_EQ(c.quotedTeamName, "\"Zamo_Right\"");
    EXPECT_EQ(c.playerIdText, "7");
    EXPECT_EQ(c.serverIp, "localhost");
    EXPECT_EQ(c.serverPort, 6123);
    EXPECT_DOUBLE_EQ(c.serverVersion, 7.11);
    EXPECT_EQ(c.confPath, conf);
    EXPECT_EQ(c.strategyDirectoryPath, "/s/");
}

TEST(LoadConfiguration, NumbersTakeTheirLeadingPartOrZero) {
    TempDir dir;
    const auto load = [&](std::string port, std::string version) {
        LaunchArguments a;
        a.serverPort = std::move(port);
        a.serverVersion = std::move(version);
        return loadConfiguration(a, dir.path());
    };
    EXPECT_EQ(load("6001abc", "9.35x").serverPort, 6001);
    EXPECT_DOUBLE_EQ(load("6001abc", "9.35x").serverVersion, 9.35);
    EXPECT_EQ(load("port", "v9").serverPort, 0);
    EXPECT_DOUBLE_EQ(load("port", "v9").serverVersion, 0.0);
    EXPECT_EQ(load("-5", "nan").serverPort, 0);
    EXPECT_DOUBLE_EQ(load("-5", "nan").serverVersion, 0.0);
    EXPECT_DOUBLE_EQ(load("1", "inf").serverVersion, 0.0);
}

TEST(LoadConfiguration, LongValuesAreCutToTheRecordsWidths) {
    TempDir dir;
    LaunchArguments a;
    a.teamName = std::string(40, 'n');
    a.playerId = std::string(40, '1');
    a.serverIp = std::string(40, 'h');
    a.confPath = std::string(400, 'c');
    const AgentConfig c = loadConfiguration(a, dir.path());
    EXPECT_EQ(c.teamName, std::string(kTeamNameWidth, 'n'));
    EXPECT_EQ(c.quotedTeamName, "\"" + std::string(kTeamNameWidth, 'n') + "\"");
    EXPECT_EQ(c.playerIdText.size(), kWordWidth);
    EXPECT_EQ(c.serverIp.size(), kWordWidth);
    EXPECT_EQ(c.confPath.size(), kPathWidth);

    const std::string deep = "/" + std::string(300, 'd');
    const AgentConfig d = loadConfiguration({}, deep);
    EXPECT_LE(d.confPath.size(), kPathWidth);
    EXPECT_LE(d.strategyDirectoryPath.size(), kPathWidth);
}

TEST(ConfFile, OnlyThePlayerWhoseIdMatchesTakesTheRole) {
    const std::string text =
        "player_id :2\nplayer_type :goalie\nplayer_id :3\nplayer_type :defender\n";
    const AgentConfig two = loadWithFile("2", text);
    EXPECT_EQ(two.playerType, "goalie");
    EXPECT_EQ(two.isGoalie, 1);
    const AgentConfig three = loadWithFile("3", text);
    EXPECT_EQ(three.playerType, "defender");
    EXPECT_EQ(three.isGoalie, 0);
    const AgentConfig eleven = loadWithFile("11", text);
    EXPECT_EQ(eleven.playerType, "offender");
    EXPECT_EQ(eleven.isGoalie, 0);
    // The id must match whole: "2" is not "21".
    EXPECT_EQ(loadWithFile("21", text).playerType, "offender");
}

TEST(ConfFile, RoleOutsideTheOwnSectionIsIgnored) {
    EXPECT_EQ(readFile("player_type :goalie\nplayer_id :2\n").playerType, "offender");
    EXPECT_EQ(readFile("player_id :2\nplayer_id :5\nplayer_type :goalie\n").playerType, "offender");
    // A malformed id line ends the section too.
    EXPECT_EQ(readFile("player_id :2\nplayer_id 2\nplayer_type :goalie\n").playerType, "offender");
}

TEST(ConfFile, SyntaxOfIdAndRoleLines) {
    // The key is the first blank-delimited word, so a colon must not touch it.
    EXPECT_EQ(readFile("player_id:2\nplayer_type :goalie\n").playerType, "offender");
    EXPECT_EQ(readFile("player_id :2\nplayer_type:goalie\n").playerType, "offender");
    EXPECT_EQ(readFile("player_id :2\nplayer_type :goalie\n").playerType, "goalie");
    EXPECT_EQ(readFile("player_id \t: 2 trailing\nplayer_type : midfielder x\n").playerType,
              "midfielder");
    EXPECT_EQ(readFile("player_id :2\r\nplayer_type :goalie\r\n").playerType, "goalie");
    EXPECT_EQ(readFile("player_id :2\nplayer_type :" + std::string(40, 'r') + "\n").playerType,
              std::string(kWordWidth, 'r'));
    // Keys are case-sensitive and start in the first column.
    EXPECT_EQ(readFile("Player_id :2\nplayer_type :goalie\n").playerType, "offender");
    EXPECT_EQ(readFile("player_id :2\n player_type :goalie\n").playerType, "offender");
    EXPECT_EQ(readFile(" strategy_directory_path /x/\n").strategyDirectoryPath, "");
}

TEST(ConfFile, CommentsAndBlankLinesAreSkippedWithoutEndingTheSection) {
    const AgentConfig c = readFile(
        "# roles\nplayer_id :2\n\n# the keeper\n   \n\t\nplayer_type :goalie\n"
        "#strategy_directory_path /commented/\n");
    EXPECT_EQ(c.playerType, "goalie");
    EXPECT_EQ(c.strategyDirectoryPath, "");
}

TEST(ConfFile, PathKeysTakeTheirFirstWordVerbatim) {
    const AgentConfig c = readFile(
        "strategy_directory_path :/srv/zamo/strategy/\n"
        "server_param_path /etc/zamo/server.conf extra words\n"
        "player_param_path\t/p.conf\n"
        "player_type_path /t.conf\n"
        "log_directory_path /var/log/zamo/\n"
        "strategy_directory_path_x /wrong/\n"
        "server_param_path\n");
    EXPECT_EQ(c.strategyDirectoryPath, ":/srv/zamo/strategy/");
    // The keys of files the agent does not read are accepted and change nothing.
    AgentConfig strategyOnly;
    strategyOnly.playerIdText = "2";
    strategyOnly.strategyDirectoryPath = ":/srv/zamo/strategy/";
    expectSameConfig(c, strategyOnly);
    EXPECT_EQ(readFile("strategy_directory_path /a/\nstrategy_directory_path /b/\n")
                  .strategyDirectoryPath,
              "/b/");
}

TEST(ConfFile, LongLinesAreReadInPiecesOf255) {
    // The first piece names the player, the second sets the role: each piece is a line.
    std::string piece1 = "player_id :2";
    piece1.resize(255, ' ');
    std::string piece2 = "player_type :goalie";
    piece2.resize(255, ' ');
    std::string line = piece1 + piece2;
    line.resize(10000, 'x');
    EXPECT_EQ(readFile(line + "\n").playerType, "goalie");

    // A line that does not start a piece with a key changes nothing, and the next line counts.
    const AgentConfig after =
        readFile(std::string(10000, 'y') + "\nplayer_id :2\nplayer_type :goalie\n");
    EXPECT_EQ(after.playerType, "goalie");

    // A long path is cut by the piece, never past the field.
    const std::string key = "strategy_directory_path ";
    const AgentConfig path = readFile(key + std::string(10000, 'a') + "\n");
    EXPECT_EQ(path.strategyDirectoryPath, std::string(255 - key.size(), 'a'));

    // Without a final line feed the last piece still counts.
    EXPECT_EQ(readFile("player_id :2\nplayer_type :goalie").playerType, "goalie");
}

TEST(ConfFile, BinaryBytesAndNulsDoNotBreakReading) {
    const std::string withNul("player_id :2\0junk\nplayer_type :goa\0lie\n", 40);
    EXPECT_EQ(readFile(withNul).playerType, "goa");
    const std::string binary = std::string("\xff\xfe\x01\x80 \x00\x00\n", 8) +
                               "player_id :2\n\x7f\x9f\n\0\n" + "player_type :goalie\n";
    EXPECT_EQ(readFile(binary).playerType, "goalie");

    std::mt19937 random(12345);
    std::string noise(1 << 16, '\0');
    for (char& byte : noise) {
        byte = static_cast<char>(random());
    }
    const AgentConfig c = readFile(noise + "\nplayer_id :2\nplayer_type :goalie\n");
    EXPECT_EQ(c.playerType, "goalie");
    EXPECT_LE(c.strategyDirectoryPath.size(), kPathWidth);
}

TEST(ConfFile, UnreadableFileReturnsFalseAndChangesNothing) {
    TempDir dir;
    AgentConfig before;
    before.playerIdText = "2";
    before.strategyDirectoryPath = "/keep/";
    AgentConfig c = before;
    EXPECT_FALSE(readConfFile(c, dir.path() / "missing.conf"));
    expectSameConfig(c, before);
    EXPECT_FALSE(readConfFile(c, dir.path()));
    expectSameConfig(c, before);
    EXPECT_FALSE(readConfFile(c, ""));
    expectSameConfig(c, before);

    // Loading without a file keeps the defaults.
    const AgentConfig loaded = loadConfiguration({}, dir.path());
    EXPECT_EQ(loaded.playerType, "offender");
    EXPECT_EQ(loaded.strategyDirectoryPath, dir.path().string() + "/");
}

TEST(Caption, ShowsTeamAndOnceConnectedNumberAndRole) {
    AgentConfig c;
    c.teamName = "Zamo_Left";
    c.uniformNumber = 1;
    c.playerType = "goalie";
    EXPECT_EQ(windowCaption(c, false), " Zamo_Left");
    EXPECT_EQ(windowCaption(c, true), " Zamo_Left - No.1 - goalie");
    c.teamName = "Zamo_Right";
    c.uniformNumber = 11;
    c.playerType = "offender";
    EXPECT_EQ(windowCaption(c, true), " Zamo_Right - No.11 - offender");
    TempDir dir;
    EXPECT_EQ(windowCaption(loadConfiguration({}, dir.path()), false), " Zamo_Left");
}

}  // namespace
}  // namespace zamo
