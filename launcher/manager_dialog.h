#pragma once

#include <array>
#include <functional>
#include <string>

#include <QDialog>
#include <QString>

#include "launcher/button_images.h"
#include "launcher/launch_plan.h"
#include "launcher/launch_sequence.h"
#include "launcher/launch_settings.h"
#include "launcher/process_starter.h"

class QCheckBox;
class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;

namespace zamo {

// The filter of the open-file dialog for launcher configuration files.
inline constexpr char kManagerConfFilter[] = "Zamo Manager configure files (*.conf)";

// The launcher's only window: what to start, with which address, and the buttons that start it.
class ManagerDialog : public QDialog {
    Q_OBJECT

  public:
    // Asks for a configuration file to open; an empty text means cancelled.
    using FileChooser = std::function<QString(QWidget* parent, const QString& startDirectory)>;

    // Takes the defaults for `workingDirectory`, then its "zamo_manager.conf" if there is one.
    ManagerDialog(ProcessStarter& starter, const std::string& workingDirectory,
                  QWidget* parent = nullptr);

    const LaunchSettings& settings() const { return settings_; }
    bool allPlayersFlag() const { return allPlayers_; }
    const LaunchSequence& sequence() const { return *sequence_; }
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

    void startEverything();
    void startMonitor();
    void startServer();
    void chooseConfigFile();
    void toggleAllPlayers();
    void showAbout();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void buildControls();
    void takeEdits();
    void showSettings();
    void showToggleImage();
    LaunchSelection selection() const;

    ProcessStarter& starter_;
    LaunchSequence* sequence_;
    LaunchSettings settings_;
    bool allPlayers_ = false;
    FileChooser chooseFile_;

    QPushButton* startAllButton_ = nullptr;
    QPushButton* startMonitorButton_ = nullptr;
    QPushButton* startServerButton_ = nullptr;
    QLineEdit* serverPortEdit_ = nullptr;
    QLineEdit* serverIpEdit_ = nullptr;
    QLineEdit* confPathEdit_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QGroupBox* playersGroup_ = nullptr;
    std::array<QCheckBox*, kPlayerCount> playerBoxes_{};
    QCheckBox* monitorBox_ = nullptr;
    QCheckBox* serverBox_ = nullptr;
    QPushButton* toggleAllButton_ = nullptr;
};

}  // namespace zamo
