#include "launcher/manager_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "launcher/about_dialog.h"
#include "launcher/manager_config.h"

namespace zamo {

namespace {

// The dialog's size in dialog units, a quarter of the average character width across and an
// eighth of the line height down.
constexpr int kWidthUnits = 236;
constexpr int kHeightUnits = 178;
constexpr int kServerPortEditLength = 5;
constexpr int kServerIpEditLength = 15;

QString fromBytes(const std::string& text) {
    return QString::fromLocal8Bit(text);
}

QString fromPath(const std::string& path) {
    return QFile::decodeName(path.c_str());
}

QString defaultFileChooser(QWidget* parent, const QString& startDirectory) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), startDirectory,
                                        QString::fromLatin1(kManagerConfFilter));
}

QPushButton* pictureButton(QWidget* parent, const char* name, int controlId, ButtonImage image,
                           const QString& toolTip) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setProperty("controlId", controlId);
    button->setProperty("imageId", static_cast<int>(image));
    button->setIcon(QIcon(buttonImage(image)));
    button->setIconSize(QSize(kButtonImageSize, kButtonImageSize));
    button->setToolTip(toolTip);
    // Enter ends the dialog instead of pressing the focused button.
    button->setAutoDefault(false);
    return button;
}

}  // namespace

ManagerDialog::ManagerDialog(ProcessStarter& starter, const std::string& workingDirectory,
                             QWidget* parent)
    : QDialog(parent),
      starter_(starter),
      sequence_(new LaunchSequence(starter, this)),
      settings_(defaultLaunchSettings(workingDirectory)),
      chooseFile_(defaultFileChooser) {
    readManagerConfig(settings_.managerConfPath, settings_);
    buildControls();
    connect(sequence_, &LaunchSequence::finished, this,
            [this] { startAllButton_->setEnabled(true); });
    showSettings();
}

void ManagerDialog::buildControls() {
    setWindowTitle(QStringLiteral(" Zamo Manager"));
    setWindowIcon(QIcon(buttonImage(ButtonImage::kStartAll)));

    startAllButton_ = pictureButton(this, "startAllButton", 1000, ButtonImage::kStartAll, {});
    startMonitorButton_ =
        pictureButton(this, "startMonitorButton", 1001, ButtonImage::kStartMonitor,
                      QStringLiteral("Start the monitor only"));
    startServerButton_ = pictureButton(this, "startServerButton", 1022, ButtonImage::kStartServer,
                                       QStringLiteral("Start the server only"));
    toggleAllButton_ = pictureButton(this, "toggleAllButton", 1009, ButtonImage::kAllPlayersCleared,
                                     QStringLiteral("Check or clear all players"));

    serverIpEdit_ = new QLineEdit(this);
    serverIpEdit_->setObjectName(QStringLiteral("serverIpEdit"));
    serverIpEdit_->setMaxLength(kServerIpEditLength);
    serverPortEdit_ = new QLineEdit(this);
    serverPortEdit_->setObjectName(QStringLiteral("serverPortEdit"));
    serverPortEdit_->setMaxLength(kServerPortEditLength);
    confPathEdit_ = new QLineEdit(this);
    confPathEdit_->setObjectName(QStringLiteral("confPathEdit"));
    // Only "..." changes which file is read; typing here would change nothing.
    confPathEdit_->setReadOnly(true);
    browseButton_ = new QPushButton(QStringLiteral("..."), this);
    browseButton_->setObjectName(QStringLiteral("browseButton"));
    browseButton_->setAutoDefault(false);

    playersGroup_ = new QGroupBox(QStringLiteral("Players"), this);
    playersGroup_->setObjectName(QStringLiteral("playersGroup"));
    auto* playersLayout = new QGridLayout(playersGroup_);
    constexpr int kColumns = 4;
    for (int number = 1; number <= kPlayerCount; ++number) {
        auto* box = new QCheckBox(QStringLiteral("Player %1").arg(number), playersGroup_);
        box->setObjectName(QStringLiteral("player%1").arg(number));
        playersLayout->addWidget(box, (number - 1) / kColumns, (number - 1) % kColumns);
        playerBoxes_[static_cast<std::size_t>(number - 1)] = box;
    }
    playersLayout->addWidget(toggleAllButton_, (kPlayerCount - 1) / kColumns, kColumns - 1);
    monitorBox_ = new QCheckBox(QStringLiteral("Monitor"), this);
    monitorBox_->setObjectName(QStringLiteral("monitorBox"));
    serverBox_ = new QCheckBox(QStringLiteral("Server"), this);
    serverBox_->setObjectName(QStringLiteral("serverBox"));

    auto* buttonsRow = new QHBoxLayout;
    buttonsRow->addWidget(startAllButton_);
    buttonsRow->addWidget(startMonitorButton_);
    buttonsRow->addWidget(startServerButton_);
    buttonsRow->addStretch(1);
    auto* addressGrid = new QGridLayout;
    addressGrid->addWidget(new QLabel(QStringLiteral("Server IP"), this), 0, 0);
    addressGrid->addWidget(serverIpEdit_, 0, 1);
    addressGrid->addWidget(new QLabel(QStringLiteral("Server Port"), this), 1, 0);
    addressGrid->addWidget(serverPortEdit_, 1, 1);
    buttonsRow->addLayout(addressGrid);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(confPathEdit_, 1);
    pathRow->addWidget(browseButton_);

    auto* boxesRow = new QHBoxLayout;
    boxesRow->addWidget(monitorBox_);
    boxesRow->addWidget(serverBox_);
    boxesRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttonsRow);
    layout->addWidget(new QLabel(QStringLiteral("Zamo Manager configure file path"), this));
    layout->addLayout(pathRow);
    layout->addWidget(playersGroup_);
    layout->addLayout(boxesRow);

    // Qt offers no system menu; the dialog's context menu carries the About item instead.
    auto* aboutAction = new QAction(QStringLiteral("&About Zamo Manager..."), this);
    aboutAction->setObjectName(QStringLiteral("aboutAction"));
    addAction(aboutAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(startAllButton_, &QPushButton::clicked, this, &ManagerDialog::startEverything);
    connect(startMonitorButton_, &QPushButton::clicked, this, &ManagerDialog::startMonitor);
    connect(startServerButton_, &QPushButton::clicked, this, &ManagerDialog::startServer);
    connect(browseButton_, &QPushButton::clicked, this, &ManagerDialog::chooseConfigFile);
    connect(toggleAllButton_, &QPushButton::clicked, this, &ManagerDialog::toggleAllPlayers);
    connect(aboutAction, &QAction::triggered, this, &ManagerDialog::showAbout);

    const QFontMetrics metrics(font());
    resize(QSize(kWidthUnits * metrics.averageCharWidth() / 4, kHeightUnits * metrics.height() / 8)
               .expandedTo(sizeHint()));
}

void ManagerDialog::takeEdits() {
    settings_.serverIp =
        cutToField(serverIpEdit_->text().toLocal8Bit().toStdString(), kShortFieldLength);
    settings_.serverPort =
        cutToField(serverPortEdit_->text().toLocal8Bit().toStdString(), kShortFieldLength);
}

void ManagerDialog::showSettings() {
    playersGroup_->setTitle(fromBytes(settings_.teamName));
    serverIpEdit_->setText(fromBytes(settings_.serverIp));
    serverPortEdit_->setText(fromBytes(settings_.serverPort));
    confPathEdit_->setText(fromPath(settings_.managerConfPath));
    // Only the address and the port have edits; the rest of what a start uses is shown here.
    startAllButton_->setToolTip(
        QStringLiteral("Start everything checked, %1 ms apart\n"
                       "Server: %2\nMonitor: %3\nPlayers: %4\n"
                       "Team %5, protocol version %6, configuration %7")
            .arg(settings_.waitInterval)
            .arg(fromPath(settings_.serverPath), fromPath(settings_.monitorPath),
                 fromPath(settings_.agentPath), fromBytes(settings_.teamName),
                 fromBytes(settings_.serverVersion), fromPath(settings_.agentConfPath)));
}

void ManagerDialog::showToggleImage() {
    const ButtonImage image =
        allPlayers_ ? ButtonImage::kAllPlayersSet : ButtonImage::kAllPlayersCleared;
    toggleAllButton_->setIcon(QIcon(buttonImage(image)));
    toggleAllButton_->setProperty("imageId", static_cast<int>(image));
}

LaunchSelection ManagerDialog::selection() const {
    LaunchSelection chosen;
    chosen.server = serverBox_->isChecked();
    chosen.monitor = monitorBox_->isChecked();
    for (std::size_t i = 0; i < playerBoxes_.size(); ++i) {
        chosen.players[i] = playerBoxes_[i]->isChecked();
    }
    return chosen;
}

void ManagerDialog::startEverything() {
    if (sequence_->running()) {
        return;
    }
    takeEdits();
    startAllButton_->setEnabled(false);
    sequence_->run(buildLaunchPlan(settings_, selection()), settings_.waitInterval);
}

void ManagerDialog::startMonitor() {
    starter_.start(startRequestFor(settings_.monitorPath));
}

void ManagerDialog::startServer() {
    starter_.start(startRequestFor(settings_.serverPath));
}

void ManagerDialog::chooseConfigFile() {
    takeEdits();
    const QString chosen =
        chooseFile_(this, QFileInfo(fromPath(settings_.managerConfPath)).absolutePath());
    if (chosen.isEmpty()) {
        return;
    }
    const std::string path = QFile::encodeName(chosen).toStdString();
    if (path.size() > kPathFieldLength) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("The path is longer than %1 bytes:\n%2")
                                 .arg(kPathFieldLength)
                                 .arg(chosen));
        return;
    }
    settings_.managerConfPath = path;
    readManagerConfig(settings_.managerConfPath, settings_);
    showSettings();
}

void ManagerDialog::toggleAllPlayers() {
    allPlayers_ = !allPlayers_;
    showToggleImage();
    for (QCheckBox* box : playerBoxes_) {
        box->setChecked(allPlayers_);
    }
}

void ManagerDialog::showAbout() {
    auto* about = new AboutDialog(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

void ManagerDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace zamo
