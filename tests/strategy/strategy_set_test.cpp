#include "agent/strategy/strategy_set.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "agent/config/agent_config.h"

namespace zamo {
namespace {

namespace fs = std::filesystem;

// One block of a strategy file.
std::string block(const std::string& id, const std::string& region = "-30 -10 -5 10",
                  const std::string& position = "-20 3",
                  const std::string& pressing = "-40 -20 -10 20") {
    return "Player ID = " + id + "\nPlayer Region = " + region + "\nPlayer Position = " + position +
           "\nPressing Region = " + pressing + "\n\n";
}

std::string header(int type, const std::string& offside = "0 -34 52.5 34") {
    return "Strategy File Type = " + std::to_string(type) + "\nOffside Region = " + offside +
           "\n\n";
}

class StrategySetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zamo_strategy_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        config_.playerIdText = "7";
        config_.strategyDirectoryPath = dir_.string() + "/";
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(dir_, error);
    }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }

    fs::path dir_;
    AgentConfig config_;
    StrategySet set_{config_};
};

TEST_F(StrategySetTest, TakesTheBlockOfTheOwnIdAmongElevenAndStoresCornersInFileOrder) {
    std::string text = header(7, "-52.5 -34 10 20");
    for (int id = 1; id <= 11; ++id) {
        const std::string n = std::to_string(id);
        text += block(n, "-" + n + " -" + n + " " + n + " " + n, "-" + n + ".5 " + n,
                      "-1" + n + " -2 1 2");
    }
    write("a.stg", text);
    const Strategy s = set_.loadFile("a.stg");
    EXPECT_EQ(s.fileType, 7);
    EXPECT_EQ(s.fileName, "a.stg");
    EXPECT_EQ(s.playerRegion, (Region{-7, 7, -7, 7}));
    EXPECT_EQ(s.offsideRegion, (Region{-52.5, 10, -34, 20}));
    EXPECT_EQ(s.pressingRegion, (Region{-17, 1, -2, 2}));
    EXPECT_EQ(s.homePosition, (Vec2{-7.5, 7}));
}

TEST_F(StrategySetTest, AcceptsBoundsOnTheFieldEdgeUnseparatedBlocksAndAnEleventhBlock) {
    write("edge.stg", header(7) + block("7", "-52.5 -34 52.5 34", "-20 0", "-52.5 -34 52.5 34"));
    EXPECT_EQ(set_.loadFile("edge.stg").playerRegion, (Region{-52.5, 52.5, -34, 34}));
    write("tight.stg",
          "Strategy File Type = 7\nOffside Region = 0 -34 52.5 34\nPlayer ID = 7\nPlayer Region "
          "= -30 -10 -5 10\nPlayer Position = -20 3\nPressing Region = -40 -20 -10 20");
    EXPECT_EQ(set_.loadFile("tight.stg").fileType, 7);
    std::string text = header(7);
    for (int i = 0; i < 10; ++i) {
        text += block("1");
    }
    write("eleventh.stg", text + block("7"));
    EXPECT_EQ(set_.loadFile("eleventh.stg").fileType, 7);
    config_.playerIdText = std::string(15, 'p');
    write("max.stg", header(7) + block(std::string(15, 'p')));
    EXPECT_EQ(set_.loadFile("max.stg").fileType, 7);
}

// Each of these files lacks a well-formed header or a well-formed block for player 7.
TEST_F(StrategySetTest, RejectsAFileWithoutAStrictlyWellFormedHeaderAndBlock) {
    const std::string region = "-30 -10 -5 10";
    std::string twelfth = header(7);
    for (int i = 0; i < 11; ++i) {
        twelfth += block("1");
    }
    const std::string rejected[] = {
        "",
        "Strategy File Type = seven\nOffside Region = 0 -34 52.5 34\n" + block("7"),
        "Strategy File Type = 7\nOffside Region = 0 -34 52.5\n" + block("7"),
        "Strategy File Type = 99999999999\nOffside Region = 0 -34 52.5 34\n" + block("7"),
        header(7, "0 34 52.5 -34") + block("7"),
        header(7) + block("07") + block("7x") + block("17"),
        twelfth + block("7"),
        header(7) + block("7", "-52.6 -34 0 34"),
        header(7) + block("7", "10 5 -10 -5"),
        header(7) + block("7", region, "-20 0", "-10 -20 0 34.01"),
        header(7) +
            "Player ID = 7\nPlayer Region = -30 -10 -5 10\nPressing Region = -40 -20 -10 20\n",
        header(7) +
            "Player ID = 7\nplayer region = -30 -10 -5 10\nPlayer Position = -20 3\n"
            "Pressing Region = -40 -20 -10 20\n",
        header(7) + block("7", "-30 -10 -5"),
        header(7) + block("7", "-30 -10 -5 ten"),
        header(7) + block("7", "-30 -10 -5 1" + std::string(10000, '0')),
        header(7) + block("7", region, "-20 3", "-40 -20 -10 20abc"),
        header(7) + block("7", region, "1.5.3 3"),
        header(7) + block("7", region, "nan 3"),
        header(7) + block("7", region, "-20 inf"),
        header(7) + block("7", region, "-20 1e400"),
        header(7) + block("7", region, "1e300 3"),
        header(7) +
            "Player ID = 7\nPlayer Region = -30 -10 -5 10\nPlayer Position = -20 3\n"
            "Pressing Region = -40 -20 -10",
    };
    for (const std::string& text : rejected) {
        write("bad.stg", text);
        EXPECT_EQ(set_.loadFile("bad.stg").fileType, kStrategyRejected) << text.substr(0, 200);
    }
    EXPECT_EQ(set_.loadFile("missing.stg").fileType, kStrategyRejected);
    config_.playerIdText = std::string(16, 'p');
    write("long.stg", header(7) + block(std::string(16, 'p')));
    EXPECT_EQ(set_.loadFile("long.stg").fileType, kStrategyRejected);
}

TEST_F(StrategySetTest, ABrokenOrInvalidBlockGivesWayToTheFirstValidLaterOne) {
    write("a.stg", header(3) + "Player ID = 3\nPlayer Region = x y z w\nPlayer Position = 0 0\n" +
                       "Pressing Region = 0 0 0 0\n\n" +
                       "Player ID = 5\nPlayer Region = " + std::string(10000, ' ') +
                       std::string(10000, '9') + "\n\n" + block("7", "10 5 -10 -5", "-1 -1") +
                       block("7", "-30 -10 -5 10", "-2 -2") + block("7", "-30 -10 -5 10", "-3 -3"));
    const Strategy s = set_.loadFile("a.stg");
    EXPECT_EQ(s.fileType, 3);
    EXPECT_EQ(s.homePosition, (Vec2{-2, -2}));
}

TEST_F(StrategySetTest, ReloadKeepsValidFilesInNameOrderAndTheFirstKickOffFileWins) {
    write("c.stg", header(7) + block("7", "-30 -10 -5 10", "-3 0"));
    write("a.stg", header(3) + block("7", "-30 -10 -5 10", "-1 0"));
    write("b.stg", header(7) + block("7", "-30 -10 -5 10", "-2 0"));
    write("d.stg", header(9) + block("7", "-30 -10 -5 10", "-4 0"));
    write("e.stg", header(7) + block("8"));
    write("f.txt", header(7) + block("7", "-30 -10 -5 10", "-6 0"));
    write("x.stgx", header(7) + block("7", "-30 -10 -5 10", "-6 0"));
    set_.reload();
    ASSERT_EQ(set_.size(), 3u);
    EXPECT_EQ(set_.records()[0].fileName, "a.stg");
    EXPECT_EQ(set_.records()[1].fileName, "b.stg");
    EXPECT_EQ(set_.records()[2].fileName, "c.stg");
    const Formation f = set_.selectFormation();
    EXPECT_EQ(f.homePosition, (Vec2{-2, 0}));
    EXPECT_EQ(f.playerRegion, (Region{-30, -5, -10, 10}));
    EXPECT_EQ(f.offsideRegion, (Region{0, 52.5, -34, 34}));
    EXPECT_EQ(f.pressingRegion, (Region{-40, -10, -20, 20}));

    // Edits take effect at the next reload, and the set starts afresh.
    fs::remove(dir_ / "b.stg");
    set_.reload();
    ASSERT_EQ(set_.size(), 2u);
    EXPECT_EQ(set_.selectFormation().homePosition, (Vec2{-3, 0}));
}

TEST_F(StrategySetTest, APhaseFormationIsTheFirstOfItsTypeElseTheKickOffFormation) {
    write("a.stg", header(kAttackFormation) + block("7", "-30 -10 -5 10", "-1 0"));
    write("b.stg", header(kAttackFormation) + block("7", "-30 -10 -5 10", "-2 0"));
    write("c.stg", header(kKickOffFormation) + block("7", "-30 -10 -5 10", "-3 0"));
    set_.reload();
    EXPECT_EQ(set_.selectFormation(kAttackFormation).homePosition, (Vec2{-1, 0}));
    EXPECT_EQ(set_.selectFormation(kDefenceFormation).homePosition, (Vec2{-3, 0}));
    EXPECT_EQ(set_.selectFormation(kKickOffFormation), set_.selectFormation());
    fs::remove(dir_ / "c.stg");
    set_.reload();
    EXPECT_EQ(set_.selectFormation(kSetPlayFormation), kDefaultFormation);
}

TEST_F(StrategySetTest, OddDirectoryEntriesAndPathsAreSkippedQuietly) {
    write("z.stg", header(7) + block("7", "-30 -10 -5 10", "-9 0"));
    fs::create_directory(dir_ / "x.stg");
    fs::create_symlink(dir_ / "nowhere", dir_ / "dangling.stg");
    ASSERT_EQ(::mkfifo((dir_ / "fifo.stg").c_str(), 0600), 0);
    write("locked.stg", header(7) + block("7", "-30 -10 -5 10", "-1 0"));
    fs::permissions(dir_ / "locked.stg", fs::perms::none);
    set_.reload();
    // Root reads any file whatever its mode; everybody else cannot read the locked one.
    const bool lockedReadable = ::geteuid() == 0;
    ASSERT_EQ(set_.size(), lockedReadable ? 2u : 1u);
    EXPECT_EQ(set_.records().back().fileName, "z.stg");

    config_.strategyDirectoryPath = dir_.string();
    set_.reload();
    EXPECT_EQ(set_.size(), 0u);
    EXPECT_EQ(set_.selectFormation(), kDefaultFormation);

    config_.strategyDirectoryPath = (dir_ / "absent").string() + "/";
    set_.reload();
    EXPECT_EQ(set_.size(), 0u);
}

// Every shipped formation has a valid block for every player, keeps the goalie's home in its
// penalty area, the kick-off homes in the own half, and covers the field with the regions.
TEST(ShippedStrategyTest, FormationsPlaceAndCoverTheWholeTeam) {
    AgentConfig config;
    config.strategyDirectoryPath = std::string(ZAMO_SOURCE_DIR) + "/data/strategy/";
    StrategySet set(config);
    for (const int type :
         {kKickOffFormation, kAttackFormation, kDefenceFormation, kSetPlayFormation}) {
        std::vector<Region> regions;
        for (int id = 1; id <= 11; ++id) {
            SCOPED_TRACE("type " + std::to_string(type) + " player " + std::to_string(id));
            config.playerIdText = std::to_string(id);
            set.reload();
            const auto found =
                std::find_if(set.records().begin(), set.records().end(),
                             [type](const Strategy& s) { return s.fileType == type; });
            ASSERT_NE(found, set.records().end());
            const Formation f = set.selectFormation(type);
            EXPECT_EQ(f.homePosition, found->homePosition);
            EXPECT_GE(f.homePosition.x, f.playerRegion.xMin);
            EXPECT_LE(f.homePosition.x, f.playerRegion.xMax);
            EXPECT_GE(f.homePosition.y, f.playerRegion.yMin);
            EXPECT_LE(f.homePosition.y, f.playerRegion.yMax);
            EXPECT_GT(f.pressingRegion.xMax, f.pressingRegion.xMin);
            EXPECT_GT(f.offsideRegion.xMax, f.offsideRegion.xMin);
            if (type == kKickOffFormation) {
                EXPECT_LT(f.homePosition.x, 0.0);
            }
            if (id == 1) {
                EXPECT_LE(f.homePosition.x, -36.0);
                EXPECT_LE(std::abs(f.homePosition.y), 20.16);
            }
            regions.push_back(f.playerRegion);
        }
        for (double x = -52.5; x <= 52.5; x += 0.5) {
            for (double y = -34; y <= 34; y += 0.5) {
                const bool covered =
                    std::any_of(regions.begin(), regions.end(), [&](const Region& r) {
                        return x >= r.xMin && x <= r.xMax && y >= r.yMin && y <= r.yMax;
                    });
                ASSERT_TRUE(covered) << type << ": " << x << " " << y;
            }
        }
    }
}

// The shipped configuration gives every player a role and, from the data folder the team is
// started in, finds the shipped strategy files.
TEST(ShippedStrategyTest, ConfigurationNamesRolesAndAStrategyDirectoryThatWorks) {
    const fs::path data = fs::path(ZAMO_SOURCE_DIR) / "data";
    const fs::path saved = fs::current_path();
    fs::current_path(data);
    std::map<std::string, int> roles;
    for (int id = 1; id <= 11; ++id) {
        AgentConfig config;
        config.playerIdText = std::to_string(id);
        config.playerType.clear();
        ASSERT_TRUE(readConfFile(config, data / "zamo_soccer.conf"));
        ++roles[config.playerType];
        EXPECT_EQ(config.playerType == "goalie", id == 1) << id;
        ASSERT_EQ(config.strategyDirectoryPath.back(), '/');
        StrategySet set(config);
        set.reload();
        EXPECT_NE(set.selectFormation(), kDefaultFormation) << id;
    }
    fs::current_path(saved);
    EXPECT_EQ(roles["goalie"], 1);
    EXPECT_EQ(roles["defender"] + roles["midfielder"] + roles["offender"], 10);
    EXPECT_GE(roles["defender"], 4);
    EXPECT_GE(roles["midfielder"], 3);
    EXPECT_GE(roles["offender"], 2);
}

}  // namespace
}  // namespace zamo
