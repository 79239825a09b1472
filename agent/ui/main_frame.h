// The main window: menus, tool bar, status bar and the agent it owns.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

#include <QMainWindow>

#include "agent/runtime/agent.h"
#include "agent/runtime/agent_host.h"
#include "agent/ui/field_renderer.h"
#include "agent/ui/menu_rules.h"
#include "agent/ui/setup_dialog.h"
#include "agent/ui/zamo_soccer_doc.h"

class QAction;
class QLabel;
class QTimer;
class QToolBar;

namespace zamo {

struct LaunchArguments;
class CZamoSoccerView;

// The agent's main window: it owns the agent, turns menu commands into the agent's operations
// and answers the agent's requests. Those requests come from the agent's threads; each is
// queued to the window's thread, so widgets are only ever touched there.
class CMainFrame : public QMainWindow, public AgentHost {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds kStartDelay{1000};

    // Loads the configuration and, unless startDelay is empty, starts the automatic connection
    // once that delay has passed.
    CMainFrame(const LaunchArguments& arguments, const std::filesystem::path& workingDirectory,
               std::optional<std::chrono::milliseconds> startDelay = kStartDelay);
    ~CMainFrame() override;

    Agent& agent() { return *agent_; }
    CZamoSoccerView& view() { return *view_; }
    QAction* action(MenuCommand command) const;
    QToolBar* toolBar() const { return toolBar_; }
    QLabel* readyLabel() const { return ready_; }
    // With verbose set, lifecycle events also go to the standard error stream, as without a
    // window.
    void setVerbose(bool verbose) { verbose_ = verbose; }
    // Why the agent asked the window to close, when it did.
    std::optional<CloseReason> closeReason() const { return closeReason_; }

    // The connection flags as the agent holds them now.
    ConnectionFlags connectionFlags() const;
    // Sets every command's enabling and check mark for the given flags.
    void applyCommandStates(const ConnectionFlags& flags);
    // The same for the agent's current flags; runs on a short timer and before a menu opens.
    void refreshCommands();

    // Everything the picture needs, copied under the agent's lock.
    FieldScene captureScene();

    // AgentHost: called from any of the agent's threads.
    void redraw() override;
    void requestDialog(DialogKind kind) override;
    void requestClose(CloseReason reason) override;
    void updateTitle(std::string_view caption) override;
    void lifecycleEvent(std::string_view text) override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void createActions();
    void createMenus();
    void createBars();
    QAction* addCommand(MenuCommand command, const QString& text, void (CMainFrame::*slot)());
    void runDialog(DialogKind kind);
    void playIn(int side);

    void connectDialog();
    void connectNow();
    void reconnectDialog();
    void reconnectNow();
    void disconnectNow();
    void stopZamo();
    void startZamo();
    void exitProgram();
    void playLeft();
    void playRight();
    void toggleDrawing();
    void about();

    CZamoSoccerDoc document_;
    std::unique_ptr<Agent> agent_;
    CZamoSoccerView* view_;
    std::map<MenuCommand, QAction*> actions_;
    QToolBar* toolBar_ = nullptr;
    QLabel* ready_ = nullptr;
    bool verbose_ = false;
    QTimer* commandTimer_ = nullptr;
    SetupDialog* connectDialog_ = nullptr;
    SetupDialog* reconnectDialog_ = nullptr;
    std::optional<CloseReason> closeReason_;
};

}  // namespace zamo
