// The main window: menus, tool bar, status bar and the agent it owns.
#include "agent/ui/main_frame.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <QString>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include "agent/config/agent_config.h"
#include "agent/config/launch_arguments.h"
#include "agent/ui/about_box.h"
#include "agent/ui/zamo_soccer_view.h"

namespace zamo {
namespace {

constexpr int kCommandRefreshMs = 100;
constexpr int kLifecycleMessageMs = 5000;

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The tool-bar picture of the world-model toggle: a small field.
QIcon fieldIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(QColor(20, 150, 20));
    QPainter painter(&pixmap);
    painter.setPen(Qt::white);
    painter.drawRect(1, 3, 13, 9);
    painter.drawLine(8, 3, 8, 12);
    painter.setBrush(QColor(130, 145, 250));
    painter.setPen(Qt::black);
    painter.drawEllipse(QPoint(5, 8), 2, 2);
    return QIcon(pixmap);
}

SetupValues toSetup(const DialogValues& values) {
    return {values.teamName, values.isGoalie, values.serverIp, values.serverPort,
            values.uniformNumber};
}

void fromSetup(const SetupValues& setup, DialogValues& values) {
    values.teamName = setup.teamName;
    values.isGoalie = setup.isGoalie;
    values.serverIp = setup.serverIp;
    values.serverPort = setup.serverPort;
    values.uniformNumber = setup.uniformNumber;
}

}  // namespace

CMainFrame::CMainFrame(const LaunchArguments& arguments,
                       const std::filesystem::path& workingDirectory,
                       std::optional<std::chrono::milliseconds> startDelay)
    : agent_(std::make_unique<Agent>(*this)), view_(new CZamoSoccerView(this)) {
    setCentralWidget(view_);
    view_->setSceneSource([this] { return captureScene(); });
    connectDialog_ = new SetupDialog(SetupKind::kConnect, this);
    reconnectDialog_ = new SetupDialog(SetupKind::kReconnect, this);

    createActions();
    createBars();
    createMenus();
    resize(1000, 780);

    agent_->loadConfiguration(arguments, workingDirectory);
    setWindowTitle(toQString(windowCaption(agent_->context().config, false)));

    commandTimer_ = new QTimer(this);
    connect(commandTimer_, &QTimer::timeout, this, &CMainFrame::refreshCommands);
    commandTimer_->start(kCommandRefreshMs);
    refreshCommands();

    if (startDelay) {
        QTimer::singleShot(*startDelay, this, [this] { agent_->startAutoConnect(); });
    }
}

CMainFrame::~CMainFrame() {
    // The agent's threads call back into the window: they end before the window does.
    agent_.reset();
}

QAction* CMainFrame::addCommand(MenuCommand command, const QString& text,
                                void (CMainFrame::*slot)()) {
    auto* action = new QAction(text, this);
    action->setObjectName(QStringLiteral("command%1").arg(static_cast<int>(command)));
    connect(action, &QAction::triggered, this, slot);
    actions_[command] = action;
    return action;
}

void CMainFrame::createActions() {
    addCommand(MenuCommand::kConnectDialog, QStringLiteral("Connect to server ..."),
               &CMainFrame::connectDialog);
    addCommand(MenuCommand::kConnect, QStringLiteral("Connect"), &CMainFrame::connectNow);
    addCommand(MenuCommand::kReconnectDialog, QStringLiteral("Reconnect as ..."),
               &CMainFrame::reconnectDialog);
    addCommand(MenuCommand::kReconnect, QStringLiteral("Reconnect"), &CMainFrame::reconnectNow);
    addCommand(MenuCommand::kDisconnect, QStringLiteral("Disconnect"), &CMainFrame::disconnectNow);
    addCommand(MenuCommand::kPlayLeft, QStringLiteral("Play in left team"), &CMainFrame::playLeft)
        ->setCheckable(true);
    addCommand(MenuCommand::kPlayRight, QStringLiteral("Play in right team"),
               &CMainFrame::playRight)
        ->setCheckable(true);
    addCommand(MenuCommand::kExit, QStringLiteral("Exit"), &CMainFrame::exitProgram);
    addCommand(MenuCommand::kStartZamo, QStringLiteral("Start Zamo"), &CMainFrame::startZamo);
    addCommand(MenuCommand::kStopZamo, QStringLiteral("Stop Zamo"), &CMainFrame::stopZamo);
    addCommand(MenuCommand::kAbout, QStringLiteral("&About Zamo Soccer..."), &CMainFrame::about)
        ->setIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));

    QAction* draw = addCommand(MenuCommand::kDrawWorldModel, QStringLiteral("Draw world model"),
                               &CMainFrame::toggleDrawing);
    draw->setCheckable(true);
    draw->setIcon(fieldIcon());
    draw->setToolTip(QStringLiteral("Draw Zamo world model on/off"));
    draw->setStatusTip(QStringLiteral("Draw Zamo world model on/off"));
}

void CMainFrame::createBars() {
    toolBar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->setMovable(true);
    toolBar_->addAction(action(MenuCommand::kDrawWorldModel));
    toolBar_->addAction(action(MenuCommand::kAbout));
    addToolBar(Qt::TopToolBarArea, toolBar_);

    ready_ = new QLabel(QStringLiteral("Ready"), this);
    statusBar()->addWidget(ready_, 1);
}

void CMainFrame::createMenus() {
    QMenu* zamo = menuBar()->addMenu(QStringLiteral("Zamo"));
    zamo->addAction(action(MenuCommand::kConnectDialog));
    zamo->addAction(action(MenuCommand::kConnect));
    zamo->addAction(action(MenuCommand::kReconnectDialog));
    zamo->addAction(action(MenuCommand::kReconnect));
    zamo->addAction(action(MenuCommand::kDisconnect));
    zamo->addSeparator();
    zamo->addAction(action(MenuCommand::kPlayLeft));
    zamo->addAction(action(MenuCommand::kPlayRight));
    zamo->addSeparator();
    zamo->addAction(action(MenuCommand::kExit));

    QMenu* operations = menuBar()->addMenu(QStringLiteral("Operations"));
    operations->addAction(action(MenuCommand::kStartZamo));
    operations->addAction(action(MenuCommand::kStopZamo));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* toolBarShown = toolBar_->toggleViewAction();
    toolBarShown->setText(QStringLiteral("&Toolbar"));
    view->addAction(toolBarShown);
    QAction* statusBarShown = view->addAction(QStringLiteral("&Status Bar"));
    statusBarShown->setCheckable(true);
    statusBarShown->setChecked(true);
    connect(statusBarShown, &QAction::toggled, statusBar(), &QStatusBar::setVisible);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(action(MenuCommand::kAbout));

    for (QMenu* menu : {zamo, operations}) {
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::refreshCommands);
    }
}

QAction* CMainFrame::action(MenuCommand command) const {
    const auto found = actions_.find(command);
    return found == actions_.end() ? nullptr : found->second;
}

ConnectionFlags CMainFrame::connectionFlags() const {
    ConnectionFlags flags;
    flags.connected = agent_->connected();
    flags.connecting = agent_->connecting();
    flags.starting = agent_->state() == AgentState::kStarting;
    flags.playing = agent_->playing();
    flags.drawWorldModel = agent_->drawWorldModel();
    flags.uniformNumberKnown = agent_->uniformNumberKnown();
    flags.side = agent_->context().config.side;
    return flags;
}

void CMainFrame::applyCommandStates(const ConnectionFlags& flags) {
    for (const auto& [command, action] : actions_) {
        const CommandState state = commandState(command, flags);
        action->setEnabled(state.enabled);
        if (action->isCheckable()) {
            action->setChecked(state.checked);
        }
    }
}

void CMainFrame::refreshCommands() {
    applyCommandStates(connectionFlags());
}

FieldScene CMainFrame::captureScene() {
    FieldScene scene;
    scene.connected = agent_->connected();
    scene.drawWorldModel = agent_->drawWorldModel();
    if (!scene.connected || !scene.drawWorldModel) {
        return scene;
    }
    AgentContext& context = agent_->context();
    std::lock_guard lock(context.runtime.mutex());
    scene.snapshot = context.worldModel.currentSnapshot();
    scene.self = context.self;
    scene.see = context.sensorStore.lastSee;
    scene.cycle = context.clock.cycle;
    scene.uniformNumber = context.config.uniformNumber;
    scene.side = context.config.side;
    scene.ownTeamName = context.config.teamName;
    scene.opponentTeamName = context.config.opponentTeamName;
    scene.params = context.serverParams;
    return scene;
}

void CMainFrame::redraw() {
    QMetaObject::invokeMethod(
        this, [this] { view_->redraw(); }, Qt::QueuedConnection);
}

void CMainFrame::requestDialog(DialogKind kind) {
    QMetaObject::invokeMethod(
        this, [this, kind] { runDialog(kind); }, Qt::QueuedConnection);
}

void CMainFrame::requestClose(CloseReason reason) {
    QMetaObject::invokeMethod(
        this,
        [this, reason] {
            closeReason_ = reason;
            agent_->teardown();
            close();
        },
        Qt::QueuedConnection);
}

void CMainFrame::updateTitle(std::string_view caption) {
    QMetaObject::invokeMethod(
        this, [this, title = toQString(caption)] { setWindowTitle(title); }, Qt::QueuedConnection);
}

void CMainFrame::lifecycleEvent(std::string_view text) {
    if (verbose_) {
        std::fprintf(stderr, "ZamoSoccer: %.*s\n", static_cast<int>(text.size()), text.data());
    }
    QMetaObject::invokeMethod(
        this,
        [this, message = toQString(text)] {
            statusBar()->showMessage(message, kLifecycleMessageMs);
        },
        Qt::QueuedConnection);
}

void CMainFrame::runDialog(DialogKind kind) {
    SetupDialog& dialog = kind == DialogKind::kConnect ? *connectDialog_ : *reconnectDialog_;
    DialogValues& values = agent_->dialogValues(kind);
    dialog.setValues(toSetup(values));
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (accepted) {
        fromSetup(dialog.values(), values);
    }
    agent_->answerDialog(kind, accepted);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    agent_->teardown();
    event->accept();
}

void CMainFrame::connectDialog() {
    agent_->startConnectDialog();
}

void CMainFrame::connectNow() {
    agent_->startAutoConnect();
}

void CMainFrame::reconnectDialog() {
    agent_->startReconnectDialog();
}

void CMainFrame::reconnectNow() {
    agent_->startReconnect();
}

void CMainFrame::disconnectNow() {
    agent_->teardown();
    refreshCommands();
}

void CMainFrame::stopZamo() {
    agent_->setPlaying(false);
    refreshCommands();
}

void CMainFrame::startZamo() {
    agent_->setPlaying(true);
    refreshCommands();
}

void CMainFrame::exitProgram() {
    agent_->teardown();
    close();
}

void CMainFrame::playIn(int side) {
    AgentConfig& config = agent_->context().config;
    config.teamName = side == 1 ? "Zamo_Left" : "Zamo_Right";
    config.quotedTeamName = '"' + config.teamName + '"';
    config.side = side;
    setWindowTitle(toQString(windowCaption(config, agent_->connected())));
    refreshCommands();
}

void CMainFrame::playLeft() {
    playIn(1);
}

void CMainFrame::playRight() {
    playIn(2);
}

void CMainFrame::toggleDrawing() {
    agent_->toggleDrawWorldModel();
    refreshCommands();
}

void CMainFrame::about() {
    AboutBox box(this);
    box.exec();
}

}  // namespace zamo
