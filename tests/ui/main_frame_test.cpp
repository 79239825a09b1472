#include "agent/ui/main_frame.h"

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
#include "agent/ui/zamo_soccer_view.h"
#include "menu_expectations.h"
#include "support/udp_peer.h"

namespace zamo {
namespace {

using test::expectedEnabled;
using test::kStates;

bool processEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return done();
}

QStringList itemTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            texts << action->text();
        }
    }
    return texts;
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

    static void expectEnabling(CMainFrame& frame, const test::NamedState& state, bool numberKnown) {
        for (const MenuCommand command : kAllMenuCommands) {
            ASSERT_NE(frame.action(command), nullptr);
            EXPECT_EQ(frame.action(command)->isEnabled(),
                      expectedEnabled(state, numberKnown, command))
                << state.name << " number " << numberKnown << " "
                << frame.action(command)->text().toStdString();
        }
    }

    QTemporaryDir dir_;
    test::UdpPeer server_;
    std::string received_;
    LaunchArguments arguments_;
};

TEST_F(MainFrameTest, MenusToolBarStatusBarAndCaption) {
    auto frame = makeFrame();
    QStringList titles;
    for (const QAction* menu : frame->menuBar()->actions()) {
        titles << menu->text();
    }
    EXPECT_EQ(titles, (QStringList{"Zamo", "Operations", "&View", "&Help"}));
    const QList<QMenu*> menus = frame->menuBar()->findChildren<QMenu*>();
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(itemTexts(frame->menuBar()->actions()[0]->menu()),
              (QStringList{"Connect to server ...", "Connect", "Reconnect as ...", "Reconnect",
                           "Disconnect", "Play in left team", "Play in right team", "Exit"}));
    EXPECT_EQ(itemTexts(frame->menuBar()->actions()[1]->menu()),
              (QStringList{"Start Zamo", "Stop Zamo"}));
    EXPECT_EQ(itemTexts(frame->menuBar()->actions()[2]->menu()),
              (QStringList{"&Toolbar", "&Status Bar"}));
    EXPECT_EQ(itemTexts(frame->menuBar()->actions()[3]->menu()),
              (QStringList{"&About Zamo Soccer..."}));

    const QList<QAction*> tools = frame->toolBar()->actions();
    ASSERT_EQ(tools.size(), 2);
    EXPECT_EQ(tools[0], frame->action(MenuCommand::kDrawWorldModel));
    EXPECT_EQ(tools[0]->toolTip(), QStringLiteral("Draw Zamo world model on/off"));
    EXPECT_TRUE(tools[0]->isCheckable());
    EXPECT_EQ(tools[1], frame->action(MenuCommand::kAbout));

    EXPECT_EQ(frame->readyLabel()->text(), QStringLiteral("Ready"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral(" Zamo_Left"));

    // The View menu switches the bars.
    frame->show();
    QAction* statusBarShown = frame->menuBar()->actions()[2]->menu()->actions()[1];
    statusBarShown->trigger();
    EXPECT_FALSE(frame->statusBar()->isVisible());
    statusBarShown->trigger();
    EXPECT_TRUE(frame->statusBar()->isVisible());
    frame->close();
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
        }
    }
}

TEST_F(MainFrameTest, PlayInRightTeamAndBack) {
    auto frame = makeFrame();
    frame->action(MenuCommand::kPlayRight)->trigger();
    const AgentConfig& config = frame->agent().context().config;
    EXPECT_EQ(config.teamName, "Zamo_Right");
    EXPECT_EQ(config.quotedTeamName, "\"Zamo_Right\"");
    EXPECT_EQ(config.side, 2);
    EXPECT_TRUE(frame->action(MenuCommand::kPlayRight)->isChecked());
    EXPECT_FALSE(frame->action(MenuCommand::kPlayLeft)->isChecked());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral(" Zamo_Right"));

    frame->action(MenuCommand::kPlayLeft)->trigger();
    EXPECT_EQ(config.teamName, "Zamo_Left");
    EXPECT_EQ(config.side, 1);
    EXPECT_TRUE(frame->action(MenuCommand::kPlayLeft)->isChecked());
    EXPECT_FALSE(frame->action(MenuCommand::kPlayRight)->isChecked());
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

TEST_F(MainFrameTest, ConnectSetupShowsAgainWithWhatWasTypedAfterAFailure) {
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
            field(dialog, "teamName")->setText(QStringLiteral("Typed_Team"));
            field(dialog, "serverIp")->setText(QStringLiteral("127.0.0.1"));
            field(dialog, "serverPort")->setText(port);
            dialog.findChild<QCheckBox*>(QStringLiteral("goalie"))->setChecked(true);
            dialog.accept();
        },
        [&](SetupDialog& dialog) {
            secondTeam = field(dialog, "teamName")->text();
            secondPort = field(dialog, "serverPort")->text();
            secondGoalie = dialog.findChild<QCheckBox*>(QStringLiteral("goalie"))->isChecked();
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
}

TEST_F(MainFrameTest, ReconnectSetupCancelledAndRefusingTwelve) {
    auto frame = makeFrame();
    frame->agent().teardown();
    frame->refreshCommands();
    QStringList prompts;
    QString shownNumber;
    DialogPerson person({[&](SetupDialog& dialog) {
        dialog.setPromptHandler([&](const QString& prompt) { prompts << prompt; });
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Reconnect Setup"));
        shownNumber = field(dialog, "playerNumber")->text();
        field(dialog, "playerNumber")->setText(QStringLiteral("12"));
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        dialog.reject();
    }});
    frame->action(MenuCommand::kReconnectDialog)->trigger();
    EXPECT_TRUE(processEventsUntil([&] { return person.showings() == 1; }, 3000));
    EXPECT_EQ(shownNumber, QStringLiteral("0"));
    EXPECT_EQ(prompts, QStringList{QStringLiteral("Please enter an integer between 1 and 11.")});
    EXPECT_TRUE(received().empty());
    frame->refreshCommands();
    EXPECT_FALSE(frame->action(MenuCommand::kReconnect)->isEnabled());
}

TEST_F(MainFrameTest, ExitTearsDownAndCloses) {
    auto frame = makeFrame();
    frame->show();
    ASSERT_TRUE(frame->isVisible());
    frame->action(MenuCommand::kExit)->trigger();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(frame->agent().state(), AgentState::kDisconnected);
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
