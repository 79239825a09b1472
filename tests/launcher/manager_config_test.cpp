#include "launcher/manager_config.h"

#include <fstream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "launcher/launch_settings.h"

namespace zamo {
namespace {

LaunchSettings defaults() {
    return defaultLaunchSettings("/home/coach/team");
}

LaunchSettings afterLine(std::string_view line) {
    LaunchSettings settings = defaults();
    applyManagerConfigLine(line, settings);
    return settings;
}

void expectWithinFields(const LaunchSettings& s) {
    for (const std::string* text : {&s.teamName, &s.serverIp, &s.serverPort, &s.serverVersion}) {
        EXPECT_LE(text->size(), kShortFieldLength);
    }
    for (const std::string* path :
         {&s.monitorPath, &s.serverPath, &s.agentPath, &s.agentConfPath, &s.managerConfPath}) {
        EXPECT_LE(path->size(), kPathFieldLength);
    }
    EXPECT_GE(s.waitInterval, kMinWaitInterval);
    EXPECT_LE(s.waitInterval, kMaxWaitInterval);
}

TEST(LaunchSettingsTest, DefaultsNameTheProgramsInTheWorkingDirectory) {
    const LaunchSettings s = defaults();
    EXPECT_EQ(s.teamName, "Zamo");
    EXPECT_EQ(s.serverIp, "127.0.0.1");
    EXPECT_EQ(s.serverPort, "6000");
    EXPECT_EQ(s.serverVersion, "7.11");
    EXPECT_EQ(s.monitorPath, "/home/coach/team/ZamoMonitor");
    EXPECT_EQ(s.serverPath, "/home/coach/team/rcssserver");
    EXPECT_EQ(s.agentPath, "/home/coach/team/ZamoSoccer");
    EXPECT_EQ(s.agentConfPath, "/home/coach/team/zamo_soccer.conf");
    EXPECT_EQ(s.managerConfPath, "/home/coach/team/zamo_manager.conf");
    EXPECT_EQ(s.waitInterval, 500);
    EXPECT_EQ(defaultLaunchSettings("/").serverPath, "/rcssserver");
}

TEST(LaunchSettingsTest, CuttingKeepsWholeCharacters) {
    EXPECT_EQ(cutToField("abcdef", 4), "abcd");
    EXPECT_EQ(cutToField("abc", 4), "abc");
    // "é" is two bytes; cutting through it drops the whole character.
    EXPECT_EQ(cutToField("abc\xC3\xA9xyz", 4), "abc");
    EXPECT_EQ(cutToField("abc\xC3\xA9xyz", 5), "abc\xC3\xA9");
    EXPECT_EQ(clampWaitInterval(-5), 0);
    EXPECT_EQ(clampWaitInterval(99999999), 60000);
    EXPECT_EQ(clampWaitInterval(1234), 1234);
}

TEST(ManagerConfigLineTest, KeysIgnoreCaseAndTakeTheFirstWordOfTheRest) {
    EXPECT_EQ(afterLine("WAIT_INTERVAL 2000").waitInterval, 2000);
    EXPECT_EQ(afterLine("team_name : Blue").teamName, ":");
    EXPECT_EQ(afterLine("Team_Name Blue Red").teamName, "Blue");
    EXPECT_EQ(afterLine("SERVER_IP 10.0.0.7\r").serverIp, "10.0.0.7");
    EXPECT_EQ(afterLine("server_port\t6001").serverPort, "6001");
    EXPECT_EQ(afterLine("server_version 9.4").serverVersion, "9.4");
    EXPECT_EQ(afterLine("monitor_path /opt/m").monitorPath, "/opt/m");
    EXPECT_EQ(afterLine("server_path /opt/s").serverPath, "/opt/s");
    EXPECT_EQ(afterLine("zamo_path /opt/z").agentPath, "/opt/z");
    EXPECT_EQ(afterLine("zamo_conf_path /opt/z.conf").agentConfPath, "/opt/z.conf");
    // Values are taken verbatim: an equals sign is part of the value.
    EXPECT_EQ(afterLine("team_name=Blue").teamName, "Zamo");
    EXPECT_EQ(afterLine("team_name =Blue").teamName, "=Blue");
}

TEST(ManagerConfigLineTest, IndentedKeyFindsItsOwnValue) {
    EXPECT_EQ(afterLine("   team_name Blue").teamName, "Blue");
    EXPECT_EQ(afterLine("\twait_interval 40").waitInterval, 40);
}

TEST(ManagerConfigLineTest, LinesThatChangeNothing) {
    const LaunchSettings before = defaults();
    for (const char* line : {"", "# team_name Blue", "#wait_interval 9", "   \t ", "team_name",
                             "team_name   ", "team_names Blue", "colour red", "wait_interval",
                             "wait_interval abc", "wait_interval - 5", "wait_interval x12"}) {
        const LaunchSettings after = afterLine(line);
        EXPECT_EQ(after.teamName, before.teamName) << line;
        EXPECT_EQ(after.waitInterval, before.waitInterval) << line;
    }
}

TEST(ManagerConfigLineTest, WaitIntervalIsKeptWithinAMinute) {
    EXPECT_EQ(afterLine("wait_interval -5").waitInterval, 0);
    EXPECT_EQ(afterLine("wait_interval 99999999").waitInterval, 60000);
    EXPECT_EQ(afterLine("wait_interval 99999999999999999999999").waitInterval, 60000);
    EXPECT_EQ(afterLine("wait_interval -99999999999999999999999").waitInterval, 0);
    EXPECT_EQ(afterLine("wait_interval +250").waitInterval, 250);
    EXPECT_EQ(afterLine("wait_interval 300ms").waitInterval, 300);
    EXPECT_EQ(afterLine("wait_interval 0").waitInterval, 0);
}

TEST(ManagerConfigLineTest, LongValuesAreCutToTheirFields) {
    const std::string longWord(1000, 'x');
    const LaunchSettings s = afterLine("team_name " + longWord);
    EXPECT_EQ(s.teamName, std::string(kShortFieldLength, 'x'));
    EXPECT_EQ(afterLine("server_ip " + longWord).serverIp.size(), kShortFieldLength);
    EXPECT_EQ(afterLine("zamo_path /" + longWord).agentPath, "/" + std::string(254, 'x'));
}

class ManagerConfigFileTest : public testing::Test {
  protected:
    std::string write(const std::string& name, const std::string& content) {
        const std::string path = dir_.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    QTemporaryDir dir_;
};

TEST_F(ManagerConfigFileTest, FileValuesOverrideAndMissingKeysKeepTheirs) {
    LaunchSettings s = defaults();
    s.serverIp = "10.1.1.1";
    const std::string path =
        write("a.conf", "# launcher\n\nTEAM_NAME Blue\r\nserver_port 6010\r\nwait_interval 2000");
    ASSERT_TRUE(readManagerConfig(path, s));
    EXPECT_EQ(s.teamName, "Blue");
    EXPECT_EQ(s.serverPort, "6010");
    EXPECT_EQ(s.waitInterval, 2000);
    EXPECT_EQ(s.serverIp, "10.1.1.1");
    EXPECT_EQ(s.serverVersion, "7.11");
}

TEST_F(ManagerConfigFileTest, MissingFileOrDirectoryChangesNothing) {
    LaunchSettings s = defaults();
    EXPECT_FALSE(readManagerConfig(dir_.filePath("absent.conf").toStdString(), s));
    EXPECT_FALSE(readManagerConfig(dir_.path().toStdString(), s));
    EXPECT_FALSE(readManagerConfig("", s));
    EXPECT_EQ(s.teamName, "Zamo");
    EXPECT_EQ(s.waitInterval, 500);
}

TEST_F(ManagerConfigFileTest, TailOfALongLineIsNotReadAsAnotherLine) {
    // Past the counted part of the line stands text that would set the wait if it were a line.
    std::string longLine = "team_name " + std::string(kConfigLineLength - 10, 'y');
    longLine += "wait_interval 7 " + std::string(10000, 'z');
    const std::string path = write("long.conf", longLine + "\nserver_port 6020\n");
    LaunchSettings s = defaults();
    ASSERT_TRUE(readManagerConfig(path, s));
    EXPECT_EQ(s.teamName, std::string(kShortFieldLength, 'y'));
    EXPECT_EQ(s.waitInterval, 500);
    EXPECT_EQ(s.serverPort, "6020");
    expectWithinFields(s);
}

TEST_F(ManagerConfigFileTest, NulEndsTheLineText) {
    const std::string content = std::string("team_name Red\0Blue\nwait_interval 9\0 1", 37) + "\n";
    LaunchSettings s = defaults();
    ASSERT_TRUE(readManagerConfig(write("nul.conf", content), s));
    EXPECT_EQ(s.teamName, "Red");
    EXPECT_EQ(s.waitInterval, 9);
}

TEST_F(ManagerConfigFileTest, BinaryFileStaysWithinTheFields) {
    std::mt19937 random(7);
    std::string content;
    for (int i = 0; i < 200000; ++i) {
        content += static_cast<char>(random() & 0xFFU);
        if (i % 5000 == 0) {
            content += "\nzamo_path ";
        }
    }
    LaunchSettings s = defaults();
    ASSERT_TRUE(readManagerConfig(write("binary.conf", content), s));
    expectWithinFields(s);
}

}  // namespace
}  // namespace zamo
