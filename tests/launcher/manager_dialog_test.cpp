#include "launcher/manager_dialog.h"

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include "launcher/about_dialog.h"
#include "launcher/button_images.h"
#include "launcher_test_support.h"

namespace zamo {
namespace {

using test::processEventsUntil;
using test::RecordingStarter;

class ManagerDialogTest : public testing::Test {
  protected:
    std::string directory() const { return dir_.path().toStdString(); }

    std::string write(const std::string& name, const std::string& content) {
        const std::string path = directory() + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    template <typename T>
    T* child(ManagerDialog& dialog, const char* name) {
        T* found = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QCheckBox* player(ManagerDialog& dialog, int number) {
        return child<QCheckBox>(dialog, QStringLiteral("player%1").arg(number).toLatin1().data());
    }

    static bool sameImage(const QPushButton* button, ButtonImage image) {
        const QSize size(kButtonImageSize, kButtonImageSize);
        return button->icon().pixmap(size).toImage() == buttonImage(image).toImage();
    }

    QTemporaryDir dir_;
    RecordingStarter starter_;
};

TEST_F(ManagerDialogTest, BadConfigurationShowsWhatWillBeUsed) {
    write("zamo_manager.conf", "team_name " + std::string(10000, 'T') + "\nserver_ip " +
                                   std::string(40, '9') + "\nserver_port 600000\n" +
                                   "wait_interval 99999999\n");
    ManagerDialog dialog(starter_, directory());
    EXPECT_EQ(child<QGroupBox>(dialog, "playersGroup")->title().toStdString(),
              std::string(kShortFieldLength, 'T'));
    EXPECT_EQ(child<QLineEdit>(dialog, "serverIpEdit")->text().toStdString(), std::string(15, '9'));
    EXPECT_EQ(child<QLineEdit>(dialog, "serverPortEdit")->text(), QStringLiteral("60000"));
    EXPECT_TRUE(child<QPushButton>(dialog, "startAllButton")->toolTip().contains("60000 ms"));

    player(dialog, 2)->setChecked(true);
    child<QPushButton>(dialog, "startAllButton")->click();
    ASSERT_EQ(starter_.calls.size(), 1U);
    const std::vector<std::string>& arguments = starter_.calls[0].request.arguments;
    EXPECT_EQ(arguments[1], std::string(kShortFieldLength, 'T'));
    EXPECT_EQ(arguments[3], "2");
    EXPECT_EQ(arguments[5], std::string(15, '9'));
    EXPECT_EQ(arguments[7], "60000");
}

TEST_F(ManagerDialogTest, BrowseKeepsSettingsTheNewFileLacks) {
    write("zamo_manager.conf", "team_name Blue\nserver_version 9.4\n");
    const std::string other = write("other.conf", "SERVER_PORT 7000\n");
    ManagerDialog dialog(starter_, directory());
    child<QLineEdit>(dialog, "serverIpEdit")->setText(QStringLiteral("10.0.0.5"));
    QString startedIn;
    dialog.setFileChooser([&](QWidget*, const QString& start) {
        startedIn = start;
        return QString::fromStdString(other);
    });
    child<QPushButton>(dialog, "browseButton")->click();

    // The file of the working directory was read at the start; the new one adds its port.
    EXPECT_EQ(startedIn.toStdString(), directory());
    EXPECT_EQ(dialog.settings().serverVersion, "9.4");
    EXPECT_EQ(dialog.settings().serverIp, "10.0.0.5");
    EXPECT_EQ(child<QLineEdit>(dialog, "confPathEdit")->text().toStdString(), other);
    EXPECT_EQ(child<QLineEdit>(dialog, "serverPortEdit")->text(), QStringLiteral("7000"));
    EXPECT_EQ(child<QLineEdit>(dialog, "serverIpEdit")->text(), QStringLiteral("10.0.0.5"));
    EXPECT_EQ(child<QGroupBox>(dialog, "playersGroup")->title(), QStringLiteral("Blue"));

    dialog.setFileChooser([](QWidget*, const QString&) { return QString(); });
    child<QPushButton>(dialog, "browseButton")->click();
    EXPECT_EQ(dialog.settings().managerConfPath, other);
}

TEST_F(ManagerDialogTest, TogglePressedTwiceClearsAllPlayersAgain) {
    ManagerDialog dialog(starter_, directory());
    auto* toggle = child<QPushButton>(dialog, "toggleAllButton");
    child<QCheckBox>(dialog, "monitorBox")->setChecked(true);
    player(dialog, 4)->setChecked(true);

    EXPECT_TRUE(sameImage(toggle, ButtonImage::kAllPlayersCleared));
    for (const bool all : {true, false}) {
        toggle->click();
        EXPECT_EQ(dialog.allPlayersFlag(), all);
        EXPECT_TRUE(
            sameImage(toggle, all ? ButtonImage::kAllPlayersSet : ButtonImage::kAllPlayersCleared));
        for (int number = 1; number <= kPlayerCount; ++number) {
            EXPECT_EQ(player(dialog, number)->isChecked(), all) << number;
        }
    }
    EXPECT_TRUE(child<QCheckBox>(dialog, "monitorBox")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(dialog, "serverBox")->isChecked());
}

TEST_F(ManagerDialogTest, StaysResponsiveWhileStartingThirteenProcesses) {
    write("zamo_manager.conf", "wait_interval 40\n");
    ManagerDialog dialog(starter_, directory());
    dialog.show();
    child<QPushButton>(dialog, "toggleAllButton")->click();
    child<QCheckBox>(dialog, "monitorBox")->setChecked(true);
    child<QCheckBox>(dialog, "serverBox")->setChecked(true);

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(2);
    std::vector<int> ticksAtStart;
    starter_.onStart = [&] { ticksAtStart.push_back(ticks); };

    auto* startAll = child<QPushButton>(dialog, "startAllButton");
    startAll->click();
    // The click returns after the first start; the rest come from the event loop.
    EXPECT_EQ(starter_.calls.size(), 1U);
    EXPECT_FALSE(startAll->isEnabled());
    startAll->click();
    ASSERT_TRUE(processEventsUntil([&] { return !dialog.sequence().running(); }, 10000));
    EXPECT_TRUE(startAll->isEnabled());

    ASSERT_EQ(starter_.calls.size(), 13U);
    for (std::size_t i = 1; i < ticksAtStart.size(); ++i) {
        EXPECT_GT(ticksAtStart[i], ticksAtStart[i - 1]) << "no events handled before start " << i;
        EXPECT_GE(starter_.calls[i].atMs - starter_.calls[i - 1].atMs, 40);
    }
}

TEST_F(ManagerDialogTest, SingleStartButtonsStartOneProgramWithoutWaiting) {
    ManagerDialog dialog(starter_, directory());
    child<QPushButton>(dialog, "startMonitorButton")->click();
    child<QPushButton>(dialog, "startServerButton")->click();
    ASSERT_EQ(starter_.calls.size(), 2U);
    EXPECT_EQ(starter_.calls[0].request.program, directory() + "/ZamoMonitor");
    EXPECT_EQ(starter_.calls[0].request.workingDirectory, directory());
    EXPECT_TRUE(starter_.calls[0].request.arguments.empty());
    EXPECT_EQ(starter_.calls[1].request.program, directory() + "/rcssserver");
    EXPECT_FALSE(dialog.sequence().running());
}

// Without a configuration file: the dialog's texts, the About item, and players 1 and 11
// started with the default wait between them.
TEST_F(ManagerDialogTest, TextsAboutBoxAndTwoPlayersStartedWithTheDefaultWait) {
    ManagerDialog dialog(starter_, directory());
    dialog.show();
    QStringList texts{dialog.windowTitle(), child<QGroupBox>(dialog, "playersGroup")->title()};
    for (int number = 1; number <= kPlayerCount; ++number) {
        texts << player(dialog, number)->text();
    }
    texts << child<QAction>(dialog, "aboutAction")->text();
    EXPECT_EQ(texts, (QStringList{" Zamo Manager", "Zamo", "Player 1", "Player 2", "Player 3",
                                  "Player 4", "Player 5", "Player 6", "Player 7", "Player 8",
                                  "Player 9", "Player 10", "Player 11", "&About Zamo Manager..."}));

    EXPECT_EQ(dialog.contextMenuPolicy(), Qt::ActionsContextMenu);
    child<QAction>(dialog, "aboutAction")->trigger();
    auto* about = dialog.findChild<AboutDialog*>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    const auto* aboutText = about->findChild<QLabel*>(QStringLiteral("aboutText"));
    const auto* buttons = about->findChild<QDialogButtonBox*>();
    ASSERT_TRUE(aboutText != nullptr && buttons != nullptr);
    QStringList aboutTexts{about->windowTitle(), aboutText->text()};
    for (const QAbstractButton* button : buttons->buttons()) {
        aboutTexts << button->text();
    }
    EXPECT_EQ(aboutTexts, (QStringList{"About Zamo Manager", "Zamo Manager Version 1.0", "OK"}));
    about->accept();

    player(dialog, 1)->setChecked(true);
    player(dialog, 11)->setChecked(true);
    child<QPushButton>(dialog, "startAllButton")->click();
    ASSERT_TRUE(processEventsUntil([&] { return !dialog.sequence().running(); }, 5000));
    ASSERT_EQ(starter_.calls.size(), 2U);
    for (const std::size_t i : {0U, 1U}) {
        const std::vector<std::string>& a = starter_.calls[i].request.arguments;
        ASSERT_GE(a.size(), 10U);
        // Team, player, server address, port and version.
        EXPECT_EQ(
            (std::vector<std::string>{a[1], a[3], a[5], a[7], a[9]}),
            (std::vector<std::string>{"Zamo", i == 0 ? "1" : "11", "127.0.0.1", "6000", "7.11"}));
    }
    const qint64 gap = starter_.calls[1].atMs - starter_.calls[0].atMs;
    EXPECT_GE(gap, 500);
    // Timers never fire early; the upper bound only allows for a busy machine.
    EXPECT_LT(gap, 900);
}

TEST_F(ManagerDialogTest, EnterAndEscapeEndTheDialog) {
    for (const auto& [key, result] : {std::pair{Qt::Key_Return, QDialog::Accepted},
                                      std::pair{Qt::Key_Escape, QDialog::Rejected}}) {
        ManagerDialog dialog(starter_, directory());
        dialog.show();
        child<QPushButton>(dialog, "startAllButton")->setFocus();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&dialog, &press);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), result);
    }
    EXPECT_TRUE(starter_.calls.empty());
}

}  // namespace
}  // namespace zamo
