#include "agent/ui/main_frame.h"

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStatusBar>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

#include "agent/config/launch_arguments.h"
#include "agent/ui/menu_rules.h"
#include "agent/ui/zamo_soccer_view.h"
#include "support/udp_peer.h"

namespace zamo {
namespace {

ConnectionFlags flagsOf(bool connected, bool connecting, bool playing, bool starting = false) {
    ConnectionFlags flags;
    flags.connected = connected;
    flags.connecting = connecting;
    flags.starting = starting;
    flags.playing = playing;
    return flags;
}

// The connection states a person sees, with the enabled commands in the order of
// kAllMenuCommands: connect dialog, connect, reconnect dialog, reconnect, disconnect, stop,
// start, exit, left, right, drawing, about. 'n' is enabled only with a known uniform number.
struct NamedState {
    const char* name;
    ConnectionFlags flags;
    const char* enabled;
};

const std::array<NamedState, 5> kStates = {{
    {"Starting", flagsOf(false, true, false, true), "000000111111"},
    // A running handshake reads the team name that the side commands write.
    {"Connecting", flagsOf(false, true, false), "000000110011"},
    {"Disconnected", flagsOf(false, false, false), "111n00111111"},
    {"Playing", flagsOf(true, false, true), "000011010011"},
    {"Paused", flagsOf(true, false, false), "000010110011"},
}};

bool processEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return done();
}

// A loopback server that never answers: it only collects what the agent sends.
class MainFrameTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(server_.valid());
        arguments_.serverIp = "127.0.0.1";
        arguments_.serverPort = std::to_string(server_.port());
    }

    std::unique_ptr<CMainFrame> makeFrame(
        std::optional<std::chrono::milliseconds> delay = std::nullopt) {
        auto frame = std::make_unique<CMainFrame>(arguments_, dir_.path().toStdString(), delay);
        QCoreApplication::processEvents();
        return frame;
    }

    // Everything the agent has sent so far.
    const std::string& received() {
        while (const auto datagram = server_.receive(std::chrono::milliseconds(0))) {
            received_ += datagram->bytes;
        }
        return received_;
    }

    static void expectEnabling(CMainFrame& frame, const NamedState& state, bool numberKnown) {
        for (std::size_t i = 0; i < std::size(kAllMenuCommands); ++i) {
            const QAction* action = frame.action(kAllMenuCommands[i]);
            ASSERT_NE(action, nullptr);
            const char expected = state.enabled[i];
            EXPECT_EQ(action->isEnabled(), expected == '1' || (expected == 'n' && numberKnown))
                << state.name << " number " << numberKnown << " " << action->text().toStdString();
        }
    }

    QTemporaryDir dir_;
    test::UdpPeer server_;
    std::string received_;
    LaunchArguments arguments_;
};

TEST_F(MainFrameTest, TextsBarsSwitchAndExitTearsDownAndCloses) {
    auto frame = makeFrame();
    frame->show();
    // Each menu as "title: item|item|...".
    QStringList menus;
    for (const QAction* menu : frame->menuBar()->actions()) {
        QStringList items;
        for (const QAction* item : menu->menu()->actions()) {
            if (!item->isSeparator()) {
                items << item->text();
            }
        }
        menus << menu->text() + ": " + items.join('|');
    }
    EXPECT_EQ(menus, (QStringList{"Zamo: Connect to server ...|Connect|Reconnect as ...|Reconnect|"
                                  "Disconnect|Play in left team|Play in right team|Exit",
                                  "Operations: Start Zamo|Stop Zamo", "&View: &Toolbar|&Status Bar",
                                  "&Help: &About Zamo Soccer..."}));
    EXPECT_EQ((QStringList{frame->windowTitle(), frame->readyLabel()->text(),
                           frame->action(MenuCommand::kDrawWorldModel)->toolTip()}),
              (QStringList{" Zamo_Left", "Ready", "Draw Zamo world model on/off"}));

    // The tool bar carries the drawing toggle; the View menu switches the status bar.
    EXPECT_EQ(frame->toolBar()->actions().value(0), frame->action(MenuCommand::kDrawWorldModel));
    QAction* statusBarShown = frame->menuBar()->actions()[2]->menu()->actions()[1];
    statusBarShown->trigger();
    EXPECT_FALSE(frame->statusBar()->isVisible());
    statusBarShown->trigger();
    EXPECT_TRUE(frame->statusBar()->isVisible());

    frame->action(MenuCommand::kExit)->trigger();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(frame->agent().state(), AgentState::kDisconnected);
}

TEST_F(MainFrameTest, EnablingInEveryState) {
    auto frame = makeFrame();
    // Just started: connecting until the automatic attempt has ended.
    EXPECT_EQ(frame->agent().state(), AgentState::kStarting);
    expectEnabling(*frame, kStates[0], false);

    frame->agent().teardown();
    frame->refreshCommands();
    EXPECT_EQ(frame->agent().state(), AgentState::kDisconnected);
    expectEnabling(*frame, kStates[2], false);

    for (const auto& state : kStates) {
        for (const bool numberKnown : {false, true}) {
            ConnectionFlags flags = state.flags;
            flags.uniformNumberKnown = numberKnown;
            frame->applyCommandStates(flags);
            expectEnabling(*frame, state, numberKnown);
            // No side chosen and no drawing: no check marks.
            for (const MenuCommand command : kAllMenuCommands) {
                EXPECT_FALSE(frame->action(command)->isChecked());
            }
        }
    }
}

TEST_F(MainFrameTest, PlayInRightTeamAndBack) {
    auto frame = makeFrame();
    const AgentConfig& config = frame->agent().context().config;
    for (const int side : {2, 1}) {
        const bool right = side == 2;
        const std::string team = right ? "Zamo_Right" : "Zamo_Left";
        frame->action(right ? MenuCommand::kPlayRight : MenuCommand::kPlayLeft)->trigger();
        EXPECT_EQ(config.teamName, team);
        EXPECT_EQ(config.quotedTeamName, "\"" + team + "\"");
        EXPECT_EQ(config.side, side);
        EXPECT_EQ(frame->action(MenuCommand::kPlayRight)->isChecked(), right);
        EXPECT_EQ(frame->action(MenuCommand::kPlayLeft)->isChecked(), !right);
        EXPECT_EQ(frame->windowTitle(), QString::fromStdString(" " + team));
    }
}

TEST_F(MainFrameTest, DrawingToggleRedrawsWhileDisconnected) {
    auto frame = makeFrame();
    frame->show();
    frame->agent().teardown();
    QAction* toggle = frame->action(MenuCommand::kDrawWorldModel);
    EXPECT_FALSE(toggle->isChecked());

    for (const bool on : {true, false}) {
        const int before = frame->view().redrawCount();
        toggle->trigger();
        EXPECT_TRUE(processEventsUntil([&] { return frame->view().redrawCount() > before; }, 2000));
        EXPECT_EQ(frame->agent().drawWorldModel(), on);
        EXPECT_EQ(toggle->isChecked(), on);
        // Not connected: the picture is white, at the view's size.
        const QImage& picture = frame->view().picture();
        EXPECT_EQ(picture.size(), frame->view().size());
        EXPECT_EQ(picture.pixelColor(picture.width() / 2, picture.height() / 2), QColor(Qt::white));
    }
    frame->close();
}

TEST_F(MainFrameTest, StartUpTimerConnectsAfterOneSecondAndAFailureCloses) {
    QElapsedTimer clock;
    clock.start();
    auto frame = makeFrame(CMainFrame::kStartDelay);
    frame->show();
    EXPECT_TRUE(processEventsUntil([&] { return !received().empty(); }, 3000));
    EXPECT_GE(clock.elapsed(), 950);
    EXPECT_EQ(received().rfind("(init Zamo_Left", 0), 0u) << received();
    frame->refreshCommands();
    EXPECT_EQ(frame->agent().state(), AgentState::kConnecting);
    expectEnabling(*frame, kStates[1], false);

    // Nobody answers: the agent gives up and the window closes itself.
    EXPECT_TRUE(processEventsUntil([&] { return frame->closeReason().has_value(); }, 8000));
    EXPECT_EQ(frame->closeReason(), CloseReason::kConnectFailed);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(frame->agent().state(), AgentState::kDisconnected);
}

// Plays the part of the person at the set-up dialogs: each showing of a dialog is handed to
// the next step, which answers it.
class DialogPerson {
  public:
    using Step = std::function<void(SetupDialog&)>;

    explicit DialogPerson(std::vector<Step> steps) : steps_(std::move(steps)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<SetupDialog*>(QApplication::activeModalWidget());
            if (dialog != nullptr && dialog->isVisible() && showings_ < steps_.size()) {
                steps_[showings_++](*dialog);
            }
        });
        timer_.start(20);
    }

    std::size_t showings() const { return showings_; }

  private:
    std::vector<Step> steps_;
    std::size_t showings_ = 0;
    QTimer timer_;
};

QLineEdit* field(SetupDialog& dialog, const char* name) {
    return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
}

TEST_F(MainFrameTest, ConnectSetupShowsAgainAfterAFailureAndCancelledSetupsSendNothing) {
    auto frame = makeFrame();
    frame->agent().teardown();
    frame->refreshCommands();
    const QString port = QString::number(server_.port());

    QString secondPort;
    QString secondTeam;
    bool secondGoalie = false;
    DialogPerson person({
        [&](SetupDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Connect Setup"));
            dialog.setPromptHandler(
                [](const QString& prompt) { ADD_FAILURE() << prompt.toStdString(); });
            // The address comes from the configuration; the rest is typed.
            EXPECT_EQ(field(dialog, "serverIp")->text(), QStringLiteral("127.0.0.1"));
            EXPECT_EQ(field(dialog, "serverPort")->text(), port);
            field(dialog, "teamName")->setText(QStringLiteral("Typed_Team"));
            dialog.findChild<QCheckBox*>(QStringLiteral("goalie"))->setChecked(true);
            dialog.accept();
        },
        [&](SetupDialog& dialog) {
            secondTeam = field(dialog, "teamName")->text();
            secondPort = field(dialog, "serverPort")->text();
            secondGoalie = dialog.findChild<QCheckBox*>(QStringLiteral("goalie"))->isChecked();
            dialog.reject();
        },
        [&](SetupDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Reconnect Setup"));
            EXPECT_EQ(field(dialog, "playerNumber")->text(), QStringLiteral("0"));
            dialog.reject();
        },
    });
    frame->action(MenuCommand::kConnectDialog)->trigger();

    // The init is sent with what was typed; nobody answers, so the dialog comes back.
    EXPECT_TRUE(processEventsUntil([&] { return person.showings() == 2; }, 8000));
    EXPECT_EQ(received().rfind("(init Typed_Team", 0), 0u) << received();
    EXPECT_EQ(secondTeam, QStringLiteral("Typed_Team"));
    EXPECT_EQ(secondPort, port);
    EXPECT_TRUE(secondGoalie);
    const AgentConfig& config = frame->agent().context().config;
    EXPECT_EQ(config.teamName, "Typed_Team");
    EXPECT_EQ(config.isGoalie, 1);

    // Cancelled: the agent stays disconnected and the commands come back.
    EXPECT_TRUE(processEventsUntil(
        [&] {
            frame->refreshCommands();
            return frame->action(MenuCommand::kConnect)->isEnabled();
        },
        2000));
    EXPECT_FALSE(frame->agent().connected());

    // A cancelled reconnect sends nothing, and without a known number Reconnect stays off.
    const std::size_t sent = received().size();
    frame->action(MenuCommand::kReconnectDialog)->trigger();
    EXPECT_TRUE(processEventsUntil([&] { return person.showings() == 3; }, 3000));
    EXPECT_EQ(received().size(), sent);
    frame->refreshCommands();
    EXPECT_FALSE(frame->action(MenuCommand::kReconnect)->isEnabled());
    EXPECT_TRUE(frame->action(MenuCommand::kReconnectDialog)->isEnabled());
}

// The program without --headless opens its window; with no server answering it closes itself
// after the automatic attempt and reports the failure.
TEST_F(MainFrameTest, ProgramOpensItsWindowAndClosesWhenNobodyAnswers) {
    const QString program = QStringLiteral(ZAMO_BINARY_DIR "/ZamoSoccer");
    if (!QFileInfo::exists(program)) {
        GTEST_SKIP() << "ZamoSoccer is not built";
    }
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(dir_.path());
    process.start(program, {"--minimized", "--server_ip", "127.0.0.1", "--server_port",
                            QString::number(server_.port())});
    ASSERT_TRUE(process.waitForStarted(5000));
    const bool finished = process.waitForFinished(10000);
    if (!finished) {
        process.kill();
        process.waitForFinished(2000);
    }
    ASSERT_TRUE(finished);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(received().rfind("(init Zamo_Left", 0), 0u) << received();
}

}  // namespace
}  // namespace zamo
