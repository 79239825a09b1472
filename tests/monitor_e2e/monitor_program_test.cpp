// The ZamoMonitor program on game logs: pictures without a display, and what it says and does
// with files it cannot use.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <QImage>

#include "gamelog/gzip_text.h"
#include "monitor/match_picture.h"
#include "support/monitor_run.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;
using test::runToEnd;

const std::string kSample = test::dataPath("zamo-selfplay.rcg.gz");

// No display at all: the programs started here see none.
class MonitorProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.unset(name);
        }
    }

    test::ProgramRun monitor(const std::vector<std::string>& arguments) {
        return runToEnd(test::monitorProgramPath(), arguments, 60s);
    }

    std::vector<std::string> sampleLines() const {
        std::istringstream text(test::gzipText(kSample));
        std::vector<std::string> lines;
        for (std::string line; std::getline(text, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    test::ScopedEnvironment environment;
    test::TempDir dir;
};

TEST_F(MonitorProgramTest, PicturesOfTheRecordedLogWithoutADisplay) {
    const auto out = dir.path() / "goal.png";
    const auto run = monitor({kSample, "--cycle", "532", "--screenshot", out.string(), "--size",
                              "640x480", "--stamina"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("cycle 532, ZamoMonitor: Zamo_Left 0 - 1 Zamo_Right"), std::string::npos)
        << run.out;
    EXPECT_EQ(test::pngSize(out), std::make_pair(640, 480));
    const QImage image(QString::fromStdString(out.string()));
    ASSERT_FALSE(image.isNull());
    // The ball lies in the left goal at this cycle.
    const monitor::PictureLayout layout(image.size());
    const QPointF ball = layout.at(-53.0647, -5.2224);
    EXPECT_EQ(image.pixel(ball.toPoint()), monitor::colours::kBall | 0xff000000U);
}

TEST_F(MonitorProgramTest, FilesItCannotUseEndWithAClearMessage) {
    const std::string compressed = [&] {
        std::ifstream in(kSample, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }();
    const auto picture = (dir.path() / "out.png").string();
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{(dir.path() / "missing.rcg").string(), "--cycle", "1", "--screenshot", picture},
         1,
         "no such file"},
        {{kSample, "--cycle", "300", "--screenshot", picture},
         1,
         "cycle 300 is not in " + kSample + " (it has cycles 1 to 600)"},
        {{dir.path().string(), "--cycle", "1", "--screenshot", picture}, 1, "is a folder"},
        {{dir.write("notes.txt", "the match was fine\n").string(), "--cycle", "1", "--screenshot",
          picture},
         1,
         "not a text game log"},
        {{dir.write("old.rcg", "ULG4\n(show 1 ((b) 0 0 0 0))\n").string(), "--cycle", "1",
          "--screenshot", picture},
         1,
         "cannot read the game log"},
        {{dir.write("empty.rcg", "").string(), "--cycle", "1", "--screenshot", picture},
         1,
         "cannot read the game log"},
        // Cut off in the middle of the first half: what is there is shown, the rest is not.
        {{dir.write("cut.rcg.gz", compressed.substr(0, compressed.size() / 3)).string(), "--cycle",
          "600", "--screenshot", picture},
         1,
         "is not in"},
        {{kSample, "--cycle", "10", "--screenshot", "/proc/no/such/folder/out.png"},
         1,
         "cannot write the picture /proc/no/such/folder/out.png"},
        {{kSample, "--screenshot", picture}, 2, "needs --cycle"},
        {{kSample, "--cycle", "ten"}, 2, "--cycle"},
        {{kSample}, 1, "no display to open the window on"},
    };
    for (const Case& c : cases) {
        const auto run = monitor(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments.front() << ": " << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.says << " in: " << run.err;
        EXPECT_NE(run.err.find("ZamoMonitor: "), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(picture));
    const auto cut =
        monitor({(dir.path() / "cut.rcg.gz").string(), "--cycle", "100", "--screenshot", picture});
    EXPECT_EQ(cut.status, 0) << cut.err;
}

TEST_F(MonitorProgramTest, BrokenShowsAreSkippedAndHugeLogsRead) {
    // Good frames around shows with 30 players, none, and numbers out of all bounds.
    const std::vector<std::string> lines = sampleLines();
    std::string good;
    for (const std::string& line : lines) {
        if (line.starts_with("(show 200 ")) {
            good = line.substr(std::string("(show 200").size());
        }
    }
    ASSERT_FALSE(good.empty());
    std::string players = good.substr(good.find(") ((l 1)") + 2);
    players = players.substr(0, players.size() - 1);
    std::string log = "ULG6\n(show 1" + good + "\n";
    log += "(show 2 ((b) 0 0 0 0)" + players + players.substr(0, players.size() / 2) + ")\n";
    log += "(show 3 ((b) 0 0 0 0))\n";
    log += "(show 4 ((b) 1e308 0 0 0)" + players + ")\n";
    log += "(show 5 ((b) nan 0 0 0)" + players + ")\n";
    log += "(show 6 ((b) 0 0 0 0) ((l 1) 0 0x1 inf 0 0 0 0 0))\n";
    log += "(show 7" + good.substr(0, good.size() / 2) + "\n";
    log += "(show 8" + good + "\n";
    const auto path = dir.write("broken.rcg", log);
    const auto picture = (dir.path() / "broken.png").string();
    for (const std::string cycle : {"1", "8"}) {
        const auto run = monitor({path.string(), "--cycle", cycle, "--screenshot", picture});
        EXPECT_EQ(run.status, 0) << cycle << ": " << run.err;
    }
    for (const std::string cycle : {"2", "3", "4", "5", "6", "7"}) {
        const auto run = monitor({path.string(), "--cycle", cycle, "--screenshot", picture});
        EXPECT_EQ(run.status, 1) << cycle;
        EXPECT_NE(run.err.find("is not in"), std::string::npos) << run.err;
    }

    // 50 MB: the sample's shows again and again with cycles counting on.
    std::ofstream big(dir.path() / "big.rcg");
    big << "ULG6\n";
    std::size_t size = 0;
    int cycle = 1;
    while (size < 50'000'000) {
        for (const std::string& line : lines) {
            if (line.starts_with("(show ")) {
                const std::string text =
                    "(show " + std::to_string(cycle++) + line.substr(line.find(' ', 6)) + "\n";
                big << text;
                size += text.size();
            }
        }
    }
    big.close();
    const auto start = std::chrono::steady_clock::now();
    const auto run = monitor({(dir.path() / "big.rcg").string(), "--cycle",
                              std::to_string(cycle - 1), "--screenshot", picture});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    // And 50 MB of noise behind a valid header.
    std::string noise(50'000'000, '(');
    for (std::size_t i = 0; i < noise.size(); i += 7919) {
        noise[i] = static_cast<char>('\n' + (i % 90));
    }
    const auto noisy = monitor({dir.write("noise.rcg", "ULG6\n" + noise).string(), "--cycle", "1",
                                "--screenshot", picture});
    EXPECT_EQ(noisy.status, 1);
    EXPECT_NE(noisy.err.find("cannot read the game log"), std::string::npos) << noisy.err;
}

}  // namespace
}  // namespace zamo
