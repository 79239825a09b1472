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

TEST(LaunchSettingsTest, CuttingKeepsWholeCharacters) {
    EXPECT_EQ(cutToField("abcdef", 4), "abcd");
    EXPECT_EQ(cutToField("abc", 4), "abc");
    // "é" is two bytes; cutting through it drops the whole character.
    EXPECT_EQ(cutToField("abc\xC3\xA9xyz", 4), "abc");
    EXPECT_EQ(cutToField("abc\xC3\xA9xyz", 5), "abc\xC3\xA9");
}

TEST(ManagerConfigLineTest, KeysIgnoreCaseAndTakeTheFirstWordOfTheRest) {
    const std::string longWord(1000, 'x');
    const struct {
        std::string line;
        std::string LaunchSettings::*field;
        std::string value;
    } cases[] = {
        {"team_name : Blue", &LaunchSettings::teamName, ":"},
        {"Team_Name Blue Red", &LaunchSettings::teamName, "Blue"},
        {"   team_name Blue", &LaunchSettings::teamName, "Blue"},
        {"SERVER_IP 10.0.0.7\r", &LaunchSettings::serverIp, "10.0.0.7"},
        {"server_port\t6001", &LaunchSettings::serverPort, "6001"},
        {"server_version 9.4", &LaunchSettings::serverVersion, "9.4"},
        {"monitor_path /opt/m", &LaunchSettings::monitorPath, "/opt/m"},
        {"server_path /opt/s", &LaunchSettings::serverPath, "/opt/s"},
        {"zamo_path /opt/z", &LaunchSettings::agentPath, "/opt/z"},
        {"zamo_conf_path /opt/z.conf", &LaunchSettings::agentConfPath, "/opt/z.conf"},
        // Values are taken verbatim: an equals sign is part of the value or of the key.
        {"team_name=Blue", &LaunchSettings::teamName, "Zamo"},
        {"team_name =Blue", &LaunchSettings::teamName, "=Blue"},
        // Long values are cut to their fields.
        {"team_name " + longWord, &LaunchSettings::teamName, std::string(kShortFieldLength, 'x')},
        {"server_ip " + longWord, &LaunchSettings::serverIp, std::string(kShortFieldLength, 'x')},
        {"zamo_path /" + longWord, &LaunchSettings::agentPath, "/" + std::string(254, 'x')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(afterLine(c.line).*c.field, c.value) << c.line.substr(0, 40);
    }
}

TEST(ManagerConfigLineTest, WaitIntervalIsAnIntegerKeptWithinAMinute) {
    const std::pair<const char*, int> cases[] = {
        {"WAIT_INTERVAL 2000", 2000},
        {"\twait_interval 40", 40},
        {"wait_interval -5", 0},
        {"wait_interval 99999999", 60000},
        {"wait_interval 99999999999999999999999", 60000},
        {"wait_interval -99999999999999999999999", 0},
        {"wait_interval +250", 250},
        {"wait_interval 300ms", 300},
        {"wait_interval 0", 0},
        // Lines that change nothing.
        {"#wait_interval 9", 500},
        {"wait_interval", 500},
        {"wait_interval abc", 500},
        {"wait_interval - 5", 500},
        {"wait_interval x12", 500},
    };
    for (const auto& [line, wait] : cases) {
        EXPECT_EQ(afterLine(line).waitInterval, wait) << line;
    }
    for (const char* line : {"", "# team_name Blue", "   \t ", "team_name", "team_name   ",
                             "team_names Blue", "colour red"}) {
        EXPECT_EQ(afterLine(line).teamName, "Zamo") << line;
    }
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

TEST_F(ManagerConfigFileTest, FileValuesOverrideAndMissingKeysOrFilesKeepTheirs) {
    LaunchSettings s = defaults();
    s.serverIp = "10.1.1.1";
    EXPECT_FALSE(readManagerConfig(dir_.filePath("absent.conf").toStdString(), s));
    EXPECT_FALSE(readManagerConfig(dir_.path().toStdString(), s));
    EXPECT_FALSE(readManagerConfig("", s));
    EXPECT_EQ(s.teamName, "Zamo");
    const std::string path =
        write("a.conf", "# launcher\n\nTEAM_NAME Blue\r\nserver_port 6010\r\nwait_interval 2000");
    ASSERT_TRUE(readManagerConfig(path, s));
    EXPECT_EQ(s.teamName, "Blue");
    EXPECT_EQ(s.serverPort, "6010");
    EXPECT_EQ(s.waitInterval, 2000);
    EXPECT_EQ(s.serverIp, "10.1.1.1");
    EXPECT_EQ(s.serverVersion, "7.11");
}

TEST_F(ManagerConfigFileTest, LongLinesNulAndBinaryStayWithinTheFields) {
    // Past the counted part of the line stands text that would set the wait if it were a line.
    std::string longLine = "team_name " + std::string(kConfigLineLength - 10, 'y');
    longLine += "wait_interval 7 " + std::string(10000, 'z');
    LaunchSettings s = defaults();
    ASSERT_TRUE(readManagerConfig(write("long.conf", longLine + "\nserver_port 6020\n"), s));
    EXPECT_EQ(s.teamName, std::string(kShortFieldLength, 'y'));
    EXPECT_EQ(s.waitInterval, 500);
    EXPECT_EQ(s.serverPort, "6020");

    // A NUL ends the line's text, not the line.
    const std::string content = std::string("team_name Red\0Blue\nwait_interval 9\0 1", 37) + "\n";
    ASSERT_TRUE(readManagerConfig(write("nul.conf", content), s));
    EXPECT_EQ(s.teamName, "Red");
    EXPECT_EQ(s.waitInterval, 9);

    std::mt19937 random(7);
    std::string binary;
    for (int i = 0; i < 200000; ++i) {
        binary += static_cast<char>(random() & 0xFFU);
        if (i % 5000 == 0) {
            binary += "\nzamo_path ";
        }
    }
    ASSERT_TRUE(readManagerConfig(write("binary.conf", binary), s));
    expectWithinFields(s);
}

}  // namespace
}  // namespace zamo
