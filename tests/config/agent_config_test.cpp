#include "agent/config/agent_config.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "agent/config/launch_arguments.h"
#include "support/temp_dir.h"

namespace zamo {
namespace {

using test::TempDir;

// The role that player 2 takes from a configuration file with the given text.
std::string roleFromFile(std::string_view fileText) {
    TempDir dir;
    AgentConfig config;
    config.playerIdText = "2";
    EXPECT_TRUE(readConfFile(config, dir.write("test.conf", fileText)));
    return config.playerType;
}

std::string strategyPathFromFile(std::string_view fileText) {
    TempDir dir;
    AgentConfig config;
    EXPECT_TRUE(readConfFile(config, dir.write("test.conf", fileText)));
    return config.strategyDirectoryPath;
}

TEST(LoadConfiguration, EmptyCommandLineGivesTheDefaults) {
    TempDir dir;
    const std::string d = dir.path().string();
    const AgentConfig c = loadConfiguration(parseCommandLine(""), dir.path());
    EXPECT_EQ(c.teamName, "Zamo_Left");
    EXPECT_EQ(c.quotedTeamName, "\"Zamo_Left\"");
    EXPECT_EQ(c.playerIdText, "11");
    EXPECT_EQ(c.serverIp, "127.0.0.1");
    EXPECT_EQ(c.serverPort, 6000);
    EXPECT_DOUBLE_EQ(c.serverVersion, 9.35);
    EXPECT_EQ(c.confPath, d + "/zamo_soccer.conf");
    EXPECT_EQ(c.strategyDirectoryPath, d + "/");

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
    const auto load = [&](const char* port, const char* version) {
        LaunchArguments a;
        a.serverPort = port;
        a.serverVersion = version;
        const AgentConfig c = loadConfiguration(a, dir.path());
        return std::make_pair(c.serverPort, c.serverVersion);
    };
    EXPECT_EQ(load("6001abc", "9.35x"), std::make_pair(6001, 9.35));
    EXPECT_EQ(load("port", "v9"), std::make_pair(0, 0.0));
    EXPECT_EQ(load("-5", "nan"), std::make_pair(0, 0.0));
    EXPECT_EQ(load("1", "inf"), std::make_pair(1, 0.0));
}

TEST(LoadConfiguration, LongValuesAreCutToTheRecordsWidths) {
    TempDir dir;
    LaunchArguments a;
    a.teamName = std::string(40, 'n');
    a.playerId = std::string(40, '1');
    a.serverIp = std::string(40, 'h');
    a.confPath = std::string(400, 'c');
    const AgentConfig c = loadConfiguration(a, dir.path());
    EXPECT_EQ(c.quotedTeamName, "\"" + std::string(kTeamNameWidth, 'n') + "\"");
    EXPECT_EQ(c.playerIdText.size(), kWordWidth);
    EXPECT_EQ(c.serverIp.size(), kWordWidth);
    EXPECT_EQ(c.confPath.size(), kPathWidth);

    const AgentConfig deep = loadConfiguration({}, "/" + std::string(300, 'd'));
    EXPECT_LE(deep.confPath.size(), kPathWidth);
    EXPECT_LE(deep.strategyDirectoryPath.size(), kPathWidth);
}

TEST(ConfFile, OnlyThePlayerWhoseIdMatchesTakesTheRole) {
    TempDir dir;
    dir.write("zamo_soccer.conf",
              "player_id :2\nplayer_type :goalie\nplayer_id :3\nplayer_type :defender\n");
    // The id must match whole: "2" is not "21".
    for (const auto& [id, role] : std::vector<std::pair<std::string, std::string>>{
             {"2", "goalie"}, {"3", "defender"}, {"11", "offender"}, {"21", "offender"}}) {
        SCOPED_TRACE(id);
        LaunchArguments arguments;
        arguments.playerId = id;
        const AgentConfig c = loadConfiguration(arguments, dir.path());
        EXPECT_EQ(c.playerType, role);
        EXPECT_EQ(c.isGoalie, role == "goalie" ? 1 : 0);
    }
}

TEST(ConfFile, SectionsAndLineSyntax) {
    std::string idPiece = "player_id :2";
    idPiece.resize(255, ' ');
    std::string rolePiece = "player_type :goalie";
    rolePiece.resize(255, ' ');
    std::mt19937 random(12345);
    std::string noise(1 << 16, '\0');
    for (char& byte : noise) {
        byte = static_cast<char>(random());
    }
    const struct {
        std::string text;
        std::string role;
    } cases[] = {
        {"player_id :2\nplayer_type :goalie\n", "goalie"},
        // A role outside the own section, or after a malformed id line, is ignored.
        {"player_type :goalie\nplayer_id :2\n", "offender"},
        {"player_id :2\nplayer_id :5\nplayer_type :goalie\n", "offender"},
        {"player_id :2\nplayer_id 2\nplayer_type :goalie\n", "offender"},
        // The key is the first blank-delimited word, so a colon must not touch it.
        {"player_id:2\nplayer_type :goalie\n", "offender"},
        {"player_id \t: 2 trailing\nplayer_type : midfielder x\n", "midfielder"},
        {"player_id :2\r\nplayer_type :goalie\r\n", "goalie"},
        {"player_id :2\nplayer_type :" + std::string(40, 'r') + "\n", std::string(kWordWidth, 'r')},
        // Keys are case-sensitive and start in the first column.
        {"Player_id :2\nplayer_type :goalie\n", "offender"},
        {"player_id :2\n player_type :goalie\n", "offender"},
        // Comments and blank lines do not end the section.
        {"# roles\nplayer_id :2\n\n# the keeper\n   \n\t\nplayer_type :goalie\n", "goalie"},
        // Long lines are read in pieces of 255, each a line of its own; a piece that does not
        // start with a key changes nothing.
        {(idPiece + rolePiece).append(10000 - 2 * 255, 'x') + "\n", "goalie"},
        {std::string(10000, 'y') + "\nplayer_id :2\nplayer_type :goalie\n", "goalie"},
        // The last piece counts without a final line feed.
        {"player_id :2\nplayer_type :goalie", "goalie"},
        // A line ends at a NUL byte; binary noise does not break reading.
        {std::string("player_id :2\0junk\nplayer_type :goa\0lie\n", 40), "goa"},
        {noise + "\nplayer_id :2\nplayer_type :goalie\n", "goalie"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(roleFromFile(cases[i].text), cases[i].role);
    }
}

TEST(ConfFile, StrategyPathTakesTheFirstWordVerbatimAndOtherPathKeysChangeNothing) {
    const std::string key = "strategy_directory_path ";
    const struct {
        std::string text;
        std::string path;
    } cases[] = {
        {"strategy_directory_path :/srv/zamo/strategy/ extra\n"
         "server_param_path /etc/zamo/server.conf\nplayer_param_path\t/p.conf\n"
         "player_type_path /t.conf\nlog_directory_path /var/log/zamo/\n"
         "strategy_directory_path_x /wrong/\nstrategy_directory_path\n",
         ":/srv/zamo/strategy/"},
        {"strategy_directory_path /a/\nstrategy_directory_path /b/\n", "/b/"},
        {" strategy_directory_path /x/\n", ""},
        {"#strategy_directory_path /commented/\n", ""},
        // A long path is cut by the piece, never past the field.
        {key + std::string(10000, 'a') + "\n", std::string(255 - key.size(), 'a')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        EXPECT_EQ(strategyPathFromFile(c.text), c.path);
    }
}

TEST(ConfFile, UnreadableFileReturnsFalseAndChangesNothing) {
    TempDir dir;
    AgentConfig c;
    c.playerIdText = "2";
    c.strategyDirectoryPath = "/keep/";
    for (const std::filesystem::path& path :
         {dir.path() / "missing.conf", dir.path(), std::filesystem::path()}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(readConfFile(c, path));
        EXPECT_EQ(c.strategyDirectoryPath, "/keep/");
        EXPECT_EQ(c.playerType, "offender");
    }
}

TEST(Caption, ShowsTeamAndOnceConnectedNumberAndRole) {
    AgentConfig c;
    c.teamName = "Zamo_Right";
    c.uniformNumber = 11;
    c.playerType = "goalie";
    EXPECT_EQ(windowCaption(c, false), " Zamo_Right");
    EXPECT_EQ(windowCaption(c, true), " Zamo_Right - No.11 - goalie");
}

}  // namespace
}  // namespace zamo
