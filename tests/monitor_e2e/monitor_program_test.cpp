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
#include "support/match_record.h"
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
    const std::string compressed = test::readText(kSample);
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
        // Why the reader refused it comes along.
        {{dir.write("notes.txt", "the match was fine\n").string(), "--cycle", "1", "--screenshot",
          picture},
         1,
         "not a text game log"},
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

// Broken lines are the reader's to skip, and its tests show it; the program has to read a long
// match in time and refuse a large file of noise.
TEST_F(MonitorProgramTest, HugeLogsAreReadInTime) {
    const auto picture = (dir.path() / "big.png").string();
    // 50 MB: the sample's shows again and again with cycles counting on.
    std::vector<std::string> shows;  // each after its cycle number
    std::istringstream sample(test::gzipText(kSample));
    for (std::string line; std::getline(sample, line);) {
        if (line.starts_with("(show ")) {
            shows.push_back(line.substr(line.find(' ', 6)));
        }
    }
    std::ofstream big(dir.path() / "big.rcg");
    big << "ULG6\n";
    std::size_t size = 0;
    int cycle = 1;
    while (size < 50'000'000) {
        for (const std::string& show : shows) {
            const std::string text = "(show " + std::to_string(cycle++) + show + "\n";
            big << text;
            size += text.size();
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
