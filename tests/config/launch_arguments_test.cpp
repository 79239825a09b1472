#include "agent/config/launch_arguments.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace zamo {
namespace {

CommandLine parse(std::vector<std::string_view> args) {
    return parseArguments(args);
}

// The six fields joined by '|', so that one comparison checks them all.
std::string fields(const LaunchArguments& a) {
    return a.teamName + '|' + a.playerId + '|' + a.serverIp + '|' + a.serverPort + '|' +
           a.serverVersion + '|' + a.confPath;
}

TEST(TextForm, SwitchesValuesAndBlanks) {
    const struct {
        std::string line;
        std::string fields;
    } cases[] = {
        {"", "|||||"},
        {"   ", "|||||"},
        {"/", "|||||"},
        {"//", "|||||"},
        {"/team_name /Zamo_Left /player_id /5 /server_ip /127.0.0.1 /server_port /6000 "
         "/server_version /9.35 /zamo_conf_path /C:\\agent\\zamo_soccer.conf",
         "Zamo_Left|5|127.0.0.1|6000|9.35|C:\\agent\\zamo_soccer.conf"},
        // A blank restarts the value, and a later switch overwrites.
        {"/team_name /My Team", "Team|||||"},
        {"/server_port /6001 /server_port /7", "|||7||"},
        {"/team_name /Longer /team_name /Ab", "Ab|||||"},
        {"/server_port /" + std::string(300, '9') + " /server_port /7", "|||7||"},
        // A blank inside a switch name restarts the name too.
        {"/junk team_name /Zamo", "Zamo|||||"},
        // Unknown or miscased switches, and a value before any switch, fill no field.
        {"/Team_Name /X /colour /red /team_name /A /team /B /team_names /C", "A|||||"},
        {"stray /team_name /A", "A|||||"},
        // Cut to the name buffer, a long name is another name; a blank restarts it.
        {"/team_name" + std::string(40, 'x') + " /A", "|||||"},
        {"/" + std::string(31, 'x') + "team_name /A", "|||||"},
        {"/" + std::string(500, 'x') + " team_name /A", "A|||||"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 60));
        EXPECT_EQ(fields(parseCommandLine(c.line)), c.fields);
    }
}

TEST(TextForm, LongValuesAreCutToTheirFieldsInBothForms) {
    std::string line;
    for (const char* name : {"team_name", "player_id", "server_ip", "server_port", "server_version",
                             "zamo_conf_path"}) {
        line += std::string(" /") + name + " /" + std::string(300, '9');
    }
    const LaunchArguments a = parseCommandLine(line);
    EXPECT_EQ(a.teamName, std::string(kTeamNameArgWidth, '9'));
    EXPECT_EQ(a.playerId, std::string(kPlayerIdArgWidth, '9'));
    EXPECT_EQ(a.serverIp, std::string(kServerIpArgWidth, '9'));
    EXPECT_EQ(a.serverPort, std::string(kServerPortArgWidth, '9'));
    EXPECT_EQ(a.serverVersion, std::string(kServerVersionArgWidth, '9'));
    EXPECT_EQ(a.confPath, std::string(kConfPathArgWidth, '9'));
    // Verbatim values are cut alike.
    const std::string longPath = "/" + std::string(400, 'p');
    const CommandLine cut =
        parse({"--team_name", std::string(40, 't'), "--zamo_conf_path", longPath});
    EXPECT_EQ(cut.arguments.teamName, std::string(kTeamNameArgWidth, 't'));
    EXPECT_EQ(cut.arguments.confPath, longPath.substr(0, kConfPathArgWidth));
}

TEST(TextForm, HundredThousandCharactersAreScannedQuicklyAndBounded) {
    const std::string huge(100000, 'z');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(parseCommandLine("/team_name /" + huge).teamName,
              std::string(kTeamNameArgWidth, 'z'));
    EXPECT_EQ(parseCommandLine("/" + huge + " /A").teamName, "");
    EXPECT_EQ(parseCommandLine(std::string(100000, '/')).teamName, "");
    EXPECT_EQ(parseCommandLine(std::string(100000, ' ') + "/player_id /4").playerId, "4");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(Arguments, SwitchValuesInBothFormsAndTheLaterWins) {
    const struct {
        std::vector<std::string_view> args;
        std::string fields;
    } cases[] = {
        {{"--team_name", "Zamo Right", "--player_id=3", "--server_ip", "localhost",
          "--server_port=6001", "--server_version", "7.11", "--zamo_conf_path",
          "/home/my team/zamo_soccer.conf"},
         "Zamo Right|3|localhost|6001|7.11|/home/my team/zamo_soccer.conf"},
        {{"--zamo_conf_path=/a b/c=d.conf"}, "|||||/a b/c=d.conf"},
        // Other arguments are one text-form line, also when a single argument holds it all.
        {{"/team_name", "/My", "Team", "--headless", "/server_port", "/6001", "/player_id"},
         "Team|||6001||"},
        {{"/team_name /A /player_id /2"}, "A|2||||"},
        {{"/team_name", "/A", "--team_name", "B"}, "B|||||"},
        {{"--team_name", "B", "/team_name", "/A"}, "A|||||"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fields);
        const CommandLine line = parse(c.args);
        EXPECT_EQ(line.error, "");
        EXPECT_EQ(fields(line.arguments), c.fields);
    }
}

TEST(Arguments, OptionsSetOnlyTheirOwnFlags) {
    const CommandLine all = parse({"--headless", "--minimized", "--verbose", "--help", "--draw"});
    EXPECT_EQ(all.error, "");
    EXPECT_TRUE(all.headless && all.minimized && all.verbose && all.help && all.draw);
    const CommandLine none = parse({"--team_name", "A"});
    EXPECT_FALSE(none.headless || none.minimized || none.verbose || none.help || none.draw);
    const CommandLine one = parse({"--headless"});
    EXPECT_TRUE(one.headless);
    EXPECT_FALSE(one.minimized || one.verbose || one.help || one.draw);
}

TEST(Arguments, StatsTakesAFileNameAndRefusesNoneOrAnOverlongOne) {
    EXPECT_EQ(parse({"--headless"}).statsPath, "");
    const CommandLine spaced = parse({"--stats", "/tmp/my stats/p1.stats", "--headless"});
    EXPECT_EQ(spaced.error, "");
    EXPECT_EQ(spaced.statsPath, "/tmp/my stats/p1.stats");
    EXPECT_TRUE(spaced.headless);
    EXPECT_EQ(parse({"--stats=a=b.stats"}).statsPath, "a=b.stats");

    for (const auto& args :
         std::vector<std::vector<std::string_view>>{{"--stats"}, {"--stats="}, {"--stats", ""}}) {
        const CommandLine c = parse(args);
        EXPECT_NE(c.error, "") << args.size();
        EXPECT_EQ(c.statsPath, "");
    }
    // Cut, a long path would name some other file: it is refused instead.
    const std::string longPath(kStatsPathMaxLength + 1, 's');
    const CommandLine tooLong = parse({"--stats", longPath});
    EXPECT_NE(tooLong.error.find("longer"), std::string::npos) << tooLong.error;
    EXPECT_EQ(tooLong.statsPath, "");
    EXPECT_EQ(parse({"--stats", longPath.substr(1)}).statsPath, longPath.substr(1));
}

TEST(Arguments, BadOptionsGiveAOneLineErrorNamingThem) {
    const struct {
        std::vector<std::string_view> args;
        std::string named;
    } cases[] = {
        {{"--team_name", "A", "--colour", "red"}, "--colour"},
        {{"--headless", "--server_port"}, "--server_port"},
        {{"--headless=yes"}, "--headless"},
        {{"--draw=1"}, "--draw"},
        {{"--"}, "--"},
        {{"--Team_Name", "A"}, "--Team_Name"},
    };
    for (const auto& c : cases) {
        const CommandLine line = parse(c.args);
        EXPECT_NE(line.error.find(c.named), std::string::npos) << line.error;
        EXPECT_EQ(line.error.find('\n'), std::string::npos) << line.error;
    }
    EXPECT_LT(parse({"--" + std::string(100000, 'x')}).error.size(), 200u);
}

TEST(Arguments, UsageNamesEverySwitchAndOption) {
    const std::string_view usage = commandLineUsage();
    for (const std::string_view name :
         {"--team_name", "--player_id", "--server_ip", "--server_port", "--server_version",
          "--zamo_conf_path", "--headless", "--minimized", "--help", "--verbose", "--draw",
          "--stats", "/switch /value", "exit status 0", "1 when the automatic connection fails",
          // Scripts that run matches look for this to know the player follows the server's mode.
          "synchronous mode"}) {
        EXPECT_NE(usage.find(name), std::string_view::npos) << name;
    }
}

}  // namespace
}  // namespace zamo
