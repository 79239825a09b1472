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

TEST(TextForm, EmptyLineLeavesEveryFieldEmpty) {
    for (const std::string_view line : {"", "   ", "/", "//"}) {
        const LaunchArguments a = parseCommandLine(line);
        EXPECT_EQ(a.teamName, "") << line;
        EXPECT_EQ(a.playerId, "");
        EXPECT_EQ(a.serverIp, "");
        EXPECT_EQ(a.serverPort, "");
        EXPECT_EQ(a.serverVersion, "");
        EXPECT_EQ(a.confPath, "");
    }
}

TEST(TextForm, LauncherLineFillsAllSixFields) {
    const LaunchArguments a = parseCommandLine(
        "/team_name /Zamo_Left /player_id /5 /server_ip /127.0.0.1 /server_port /6000 "
        "/server_version /9.35 /zamo_conf_path /C:\\agent\\zamo_soccer.conf");
    EXPECT_EQ(a.teamName, "Zamo_Left");
    EXPECT_EQ(a.playerId, "5");
    EXPECT_EQ(a.serverIp, "127.0.0.1");
    EXPECT_EQ(a.serverPort, "6000");
    EXPECT_EQ(a.serverVersion, "9.35");
    EXPECT_EQ(a.confPath, "C:\\agent\\zamo_soccer.conf");
}

TEST(TextForm, BlanksRestartTheValueAndLaterSwitchesOverwrite) {
    EXPECT_EQ(parseCommandLine("/team_name /My Team").teamName, "Team");
    EXPECT_EQ(parseCommandLine("/server_port /6001 /server_port /7").serverPort, "7");
    EXPECT_EQ(parseCommandLine("/team_name /Longer /team_name /Ab").teamName, "Ab");
    // A blank inside a switch name restarts the name too.
    EXPECT_EQ(parseCommandLine("/junk team_name /Zamo").teamName, "Zamo");
}

TEST(TextForm, UnknownOrMiscasedSwitchesAreIgnored) {
    const LaunchArguments a =
        parseCommandLine("/Team_Name /X /colour /red /team_name /A /team /B /team_names /C");
    EXPECT_EQ(a.teamName, "A");
    EXPECT_EQ(a.playerId, "");
    // A value before any switch belongs to no field.
    EXPECT_EQ(parseCommandLine("stray /team_name /A").teamName, "A");
}

TEST(TextForm, LongValuesAreCutToTheirFields) {
    const std::string longValue(300, '9');
    const LaunchArguments a =
        parseCommandLine("/team_name /" + longValue + " /player_id /" + longValue +
                         " /server_ip /" + longValue + " /server_port /" + longValue +
                         " /server_version /" + longValue + " /zamo_conf_path /" + longValue);
    EXPECT_EQ(a.teamName, std::string(kTeamNameArgWidth, '9'));
    EXPECT_EQ(a.playerId, std::string(kPlayerIdArgWidth, '9'));
    EXPECT_EQ(a.serverIp, std::string(kServerIpArgWidth, '9'));
    EXPECT_EQ(a.serverPort, std::string(kServerPortArgWidth, '9'));
    EXPECT_EQ(a.serverVersion, std::string(kServerVersionArgWidth, '9'));
    EXPECT_EQ(a.confPath, std::string(kConfPathArgWidth, '9'));
    // Overwriting a cut value with a short one keeps only the short one.
    EXPECT_EQ(parseCommandLine("/server_port /" + longValue + " /server_port /7").serverPort, "7");
}

TEST(TextForm, LongSwitchNamesMatchNothingAndDoNotSpill) {
    // Cut to the name buffer, "team_name" followed by more characters is another name.
    EXPECT_EQ(parseCommandLine("/team_name" + std::string(40, 'x') + " /A").teamName, "");
    EXPECT_EQ(parseCommandLine("/" + std::string(31, 'x') + "team_name /A").teamName, "");
    // After a long name, a blank restarts the name from its first character.
    EXPECT_EQ(parseCommandLine("/" + std::string(500, 'x') + " team_name /A").teamName, "A");
}

TEST(TextForm, HundredThousandCharactersAreScannedQuicklyAndBounded) {
    const std::string huge(100000, 'z');
    const std::vector<std::string> lines = {
        "/team_name /" + huge,
        "/" + huge + " /A",
        std::string(100000, '/'),
        std::string(100000, ' ') + "/player_id /4",
    };
    const auto start = std::chrono::steady_clock::now();
    const LaunchArguments value = parseCommandLine(lines[0]);
    const LaunchArguments name = parseCommandLine(lines[1]);
    const LaunchArguments slashes = parseCommandLine(lines[2]);
    const LaunchArguments blanks = parseCommandLine(lines[3]);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(value.teamName, std::string(kTeamNameArgWidth, 'z'));
    EXPECT_EQ(name.teamName, "");
    EXPECT_EQ(slashes.teamName, "");
    EXPECT_EQ(blanks.playerId, "4");
}

TEST(Arguments, SwitchesTakeTheirValueVerbatimInBothSpellings) {
    const CommandLine c = parse({"--team_name", "Zamo Right", "--player_id=3", "--server_ip",
                                 "localhost", "--server_port=6001", "--server_version", "7.11",
                                 "--zamo_conf_path", "/home/my team/zamo_soccer.conf"});
    EXPECT_EQ(c.error, "");
    EXPECT_EQ(c.arguments.teamName, "Zamo Right");
    EXPECT_EQ(c.arguments.playerId, "3");
    EXPECT_EQ(c.arguments.serverIp, "localhost");
    EXPECT_EQ(c.arguments.serverPort, "6001");
    EXPECT_EQ(c.arguments.serverVersion, "7.11");
    EXPECT_EQ(c.arguments.confPath, "/home/my team/zamo_soccer.conf");
    EXPECT_EQ(parse({"--zamo_conf_path=/a b/c=d.conf"}).arguments.confPath, "/a b/c=d.conf");
    EXPECT_FALSE(c.headless || c.minimized || c.help || c.verbose || c.draw);
}

TEST(Arguments, VerbatimValuesAreCutToTheirFields) {
    const std::string longPath = "/" + std::string(400, 'p');
    const CommandLine c =
        parse({"--team_name", std::string(40, 't'), "--zamo_conf_path", longPath});
    EXPECT_EQ(c.arguments.teamName, std::string(kTeamNameArgWidth, 't'));
    EXPECT_EQ(c.arguments.confPath, longPath.substr(0, kConfPathArgWidth));
}

TEST(Arguments, OptionsSetTheirFlags) {
    const CommandLine c = parse({"--headless", "--minimized", "--verbose", "--help", "--draw"});
    EXPECT_EQ(c.error, "");
    EXPECT_TRUE(c.draw);
    EXPECT_TRUE(c.headless);
    EXPECT_TRUE(c.minimized);
    EXPECT_TRUE(c.verbose);
    EXPECT_TRUE(c.help);
    EXPECT_TRUE(parse({"--headless"}).headless);
    EXPECT_FALSE(parse({"--headless"}).minimized);
    EXPECT_FALSE(parse({"--headless"}).draw);
    EXPECT_NE(parse({"--draw=1"}).error, "");
}

TEST(Arguments, StatsTakesAFileNameAndRefusesNoneOrAnOverlongOne) {
    EXPECT_EQ(parse({"--headless"}).statsPath, "");
    const CommandLine spaced = parse({"--stats", "/tmp/my stats/p1.stats", "--headless"});
    EXPECT_EQ(spaced.error, "");
    EXPECT_EQ(spaced.statsPath, "/tmp/my stats/p1.stats");
    EXPECT_TRUE(spaced.headless);
    EXPECT_EQ(parse({"--stats=a=b.stats"}).statsPath, "a=b.stats");

    for (const auto& args :
         {std::vector<std::string_view>{"--stats"}, std::vector<std::string_view>{"--stats="},
          std::vector<std::string_view>{"--stats", ""}}) {
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

TEST(Arguments, OtherArgumentsAreOneTextFormLine) {
    const CommandLine c =
        parse({"/team_name", "/My", "Team", "--headless", "/server_port", "/6001", "/player_id"});
    EXPECT_EQ(c.error, "");
    EXPECT_TRUE(c.headless);
    EXPECT_EQ(c.arguments.teamName, "Team");
    EXPECT_EQ(c.arguments.serverPort, "6001");
    EXPECT_EQ(c.arguments.playerId, "");
    // A single argument holding the whole line, as a shell-less launcher might pass it.
    EXPECT_EQ(parse({"/team_name /A /player_id /2"}).arguments.playerId, "2");
}

TEST(Arguments, TheLaterOfBothFormsWins) {
    EXPECT_EQ(parse({"/team_name", "/A", "--team_name", "B"}).arguments.teamName, "B");
    EXPECT_EQ(parse({"--team_name", "B", "/team_name", "/A"}).arguments.teamName, "A");
}

TEST(Arguments, BadOptionsGiveAOneLineError) {
    const CommandLine unknown = parse({"--team_name", "A", "--colour", "red"});
    EXPECT_NE(unknown.error.find("--colour"), std::string::npos) << unknown.error;
    const CommandLine missing = parse({"--headless", "--server_port"});
    EXPECT_NE(missing.error.find("--server_port"), std::string::npos) << missing.error;
    const CommandLine valued = parse({"--headless=yes"});
    EXPECT_NE(valued.error.find("--headless"), std::string::npos) << valued.error;
    EXPECT_NE(parse({"--"}).error, "");
    EXPECT_NE(parse({"--Team_Name", "A"}).error, "");
    const CommandLine huge = parse({"--" + std::string(100000, 'x')});
    EXPECT_LT(huge.error.size(), 200u);
    for (const CommandLine& c : {unknown, missing, valued, huge}) {
        EXPECT_EQ(c.error.find('\n'), std::string::npos) << c.error;
    }
}

TEST(Arguments, UsageNamesEverySwitchAndOption) {
    const std::string_view usage = commandLineUsage();
    for (const std::string_view name :
         {"ZamoSoccer", "--team_name", "--player_id", "--server_ip", "--server_port",
          "--server_version", "--zamo_conf_path", "--headless", "--minimized", "--help",
          "--verbose", "--draw", "/switch /value", "Zamo_Left", "127.0.0.1", "6000", "9.35"}) {
        EXPECT_NE(usage.find(name), std::string_view::npos) << name;
    }
    EXPECT_NE(usage.find("exit status 0"), std::string_view::npos);
    EXPECT_NE(usage.find("1 when the automatic connection fails"), std::string_view::npos);
    // Scripts that run matches look for this to know the player follows the server's mode.
    EXPECT_NE(usage.find("synchronous mode"), std::string_view::npos);
}

}  // namespace
}  // namespace zamo
