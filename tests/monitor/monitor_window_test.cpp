#include "monitor/monitor_window.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QSlider>

#include "gamelog/gzip_text.h"
#include "support/recorded_session.h"
#include "support/test_data.h"
#include "support/udp_peer.h"

namespace zamo::monitor {
namespace {

using namespace std::chrono_literals;

// Runs the event loop until done() holds or the time is up.
template <typename Done>
bool processUntil(Done done, int timeoutMs = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

void press(QWidget& window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(&window, &event);
}

gamelog::GameLog sampleLog() {
    std::string error;
    auto log = gamelog::readGameLog(test::dataPath("zamo-selfplay.rcg.gz"), error);
    EXPECT_TRUE(log) << error;
    return log ? std::move(*log) : gamelog::GameLog{};
}

// The texts the real server sent the monitor of the recorded session, in order.
std::vector<std::string> recordedMonitorTexts() {
    return test::receivedTexts(test::gzipText(test::dataPath("monitor-v5-session.tsv.gz")));
}

TEST(ReplayWindowTest, KeysWorkAsInAVideoPlayer) {
    MonitorOptions options;
    options.logPath = "zamo-selfplay.rcg.gz";
    gamelog::GameLog log = sampleLog();
    const auto start = frameOfCycle(log.frames, 100);
    ASSERT_TRUE(start);
    MonitorWindow window(options, std::move(log), *start);
    ReplayCursor& c = *window.cursor();
    EXPECT_FALSE(window.live());
    EXPECT_EQ(window.frame()->cycle, 100);
    EXPECT_EQ(window.windowTitle(), "ZamoMonitor: Zamo_Left 0 - 0 Zamo_Right");
    press(window, Qt::Key_Right);
    EXPECT_EQ(window.frame()->cycle, 101);
    press(window, Qt::Key_Left);
    press(window, Qt::Key_Comma);
    EXPECT_EQ(window.frame()->cycle, 99);
    press(window, Qt::Key_L);
    EXPECT_EQ(window.frame()->cycle, 199);
    press(window, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(window.frame()->cycle, 99);
    EXPECT_EQ(window.slider()->value(), c.index());
    press(window, Qt::Key_End);
    EXPECT_EQ(window.frame()->cycle, 600);
    // At the end the goal of the match is on the board and in the title.
    EXPECT_EQ(window.windowTitle(), "ZamoMonitor: Zamo_Left 0 - 1 Zamo_Right");
    press(window, Qt::Key_Home);
    EXPECT_EQ(c.index(), 0);
    press(window, Qt::Key_Plus);
    press(window, Qt::Key_BracketRight);
    EXPECT_EQ(c.speed(), 4);
    press(window, Qt::Key_Minus);
    EXPECT_EQ(c.speed(), 2);
    press(window, Qt::Key_V);
    EXPECT_TRUE(window.field().options().viewCones);
    press(window, Qt::Key_S);
    EXPECT_TRUE(window.field().options().stamina);

    // Space plays: the frames move on by themselves and the button says Pause.
    press(window, Qt::Key_Space);
    EXPECT_TRUE(c.playing());
    EXPECT_EQ(window.playAction()->text(), "Pause");
    EXPECT_TRUE(processUntil([&] { return c.index() >= 4; }));
    press(window, Qt::Key_K);
    EXPECT_FALSE(c.playing());
    EXPECT_EQ(window.playAction()->text(), "Play");
    const int paused = c.index();
    processUntil([] { return false; }, 250);
    EXPECT_EQ(c.index(), paused);
    // The slider moves the replay.
    window.slider()->setValue(300);
    EXPECT_EQ(c.index(), 300);
    EXPECT_EQ(window.frame()->cycle, sampleLog().frames[300].cycle);
}

// A stand-in server that answers the window from its own port with the recorded texts.
class LiveWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(players.valid() && own.valid());
        options.port = players.port();
    }

    // Waits for the window's introduction and returns its port.
    int introduction() {
        for (int i = 0; i < 100; ++i) {
            QCoreApplication::processEvents();
            if (const auto d = players.receive(20ms)) {
                EXPECT_EQ(d->bytes, std::string("(dispinit version 5)") + '\0');
                return d->senderPort;
            }
        }
        ADD_FAILURE() << "no introduction";
        return 0;
    }

    test::UdpPeer players;
    test::UdpPeer own;
    MonitorOptions options;
};

TEST_F(LiveWindowTest, DrawsWhatTheServerShowsAndTalksBack) {
    MonitorWindow window(options);
    std::string error;
    ASSERT_TRUE(window.start(error)) << error;
    EXPECT_TRUE(window.live());
    EXPECT_EQ(window.frame(), nullptr);
    EXPECT_NE(window.field().options().notice.indexOf("waiting for a server"), -1);
    const int port = introduction();
    ASSERT_NE(port, 0);
    QSignalSpy shown(&window, &MonitorWindow::frameShown);

    const std::vector<std::string> texts = recordedMonitorTexts();
    ASSERT_GT(texts.size(), 100U);
    std::size_t kickOff = 0;
    for (std::size_t i = 0; i < texts.size() && kickOff == 0; ++i) {
        if (texts[i].starts_with("(show 0 (pm 1) (tm Zamo_Left Zamo_Right")) {
            kickOff = i;
        }
    }
    ASSERT_GT(kickOff, 0U);
    // The parameters first, then the shows up to one before the kick-off.
    for (std::size_t i = 0; i <= kickOff; ++i) {
        own.sendTo(port, texts[i] + '\0');
    }
    ASSERT_TRUE(processUntil([&] {
        return window.framesShown() > 0 && window.frame() != nullptr &&
               window.frame()->teams.right == "Zamo_Right";
    }));
    EXPECT_EQ(window.link().state(), MonitorLink::State::kConnected);
    EXPECT_TRUE(window.statusText().startsWith("connected to 127.0.0.1:"))
        << window.statusText().toStdString();
    EXPECT_EQ(window.windowTitle(), "ZamoMonitor: Zamo_Left 0 - 0 Zamo_Right");
    EXPECT_TRUE(window.field().options().notice.isEmpty());
    EXPECT_EQ(window.field().options().staminaMax, 8000.0);
    EXPECT_EQ(window.frame()->players.size(), 22U);
    EXPECT_GT(shown.count(), 0);
    // Before the kick-off the button asks the server to kick off.
    ASSERT_TRUE(window.kickOffAction()->isEnabled());
    window.kickOffAction()->trigger();
    const auto start = own.receive(1s);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->bytes, std::string("(dispstart)") + '\0');

    // A broken show changes nothing; the next good one is drawn.
    const int cycleBefore = window.frame()->cycle;
    own.sendTo(port, std::string("(show 5 ((b) 1 2 3") + '\0');
    own.sendTo(port, std::string("(show 6 ((b) nan 0 0 0) ((l 1) 0 0x1 0 0 0 0 0 0))") + '\0');
    processUntil([] { return false; }, 200);
    EXPECT_EQ(window.frame()->cycle, cycleBefore);
    const auto playing = std::find_if(texts.begin(), texts.end(), [](const std::string& t) {
        return t.starts_with("(show 20 ");
    });
    ASSERT_NE(playing, texts.end());
    own.sendTo(port, *playing + '\0');
    ASSERT_TRUE(processUntil([&] { return window.frame()->cycle > 0; }));
    EXPECT_FALSE(window.kickOffAction()->isEnabled());

    window.close();
    const auto bye = own.receive(1s);
    ASSERT_TRUE(bye);
    EXPECT_EQ(bye->bytes, std::string("(dispbye)") + '\0');
}

}  // namespace
}  // namespace zamo::monitor
