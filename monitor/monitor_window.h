#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QElapsedTimer>
#include <QMainWindow>
#include <QWidget>

#include "gamelog/game_log_reader.h"
#include "gamelog/line_decoder.h"
#include "monitor/log_lookup.h"
#include "monitor/match_picture.h"
#include "monitor/monitor_link.h"
#include "monitor/monitor_options.h"
#include "monitor/replay_cursor.h"

class QAction;
class QComboBox;
class QLabel;
class QSlider;
class QSocketNotifier;
class QTimer;
class QToolBar;

namespace zamo::monitor {

// The field and what is on it, drawn to the widget's size.
class FieldWidget : public QWidget {
  public:
    explicit FieldWidget(QWidget* parent = nullptr);
    void show(const gamelog::Frame* frame, const PictureOptions& options);
    const PictureOptions& options() const { return options_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const gamelog::Frame* frame_ = nullptr;
    PictureOptions options_;
};

// ZamoMonitor's window: a live match from a server, or a game log replayed.
class MonitorWindow : public QMainWindow {
    Q_OBJECT

  public:
    // Watches the server named in the options; false from start() when no socket can be had.
    explicit MonitorWindow(const MonitorOptions& options, QWidget* parent = nullptr);
    // Replays a game log read before, from the given frame on.
    MonitorWindow(const MonitorOptions& options, gamelog::GameLog log, int firstFrame,
                  QWidget* parent = nullptr);
    ~MonitorWindow() override;

    // Live: opens the connection; false, with a reason, when that cannot be done.
    bool start(std::string& error);

    bool live() const { return !log_; }
    const gamelog::Frame* frame() const;
    ReplayCursor* cursor() { return cursor_ ? &*cursor_ : nullptr; }
    const MonitorLink& link() const { return link_; }
    FieldWidget& field() { return *field_; }
    QAction* kickOffAction() const { return kickOff_; }
    QAction* playAction() const { return play_; }
    QSlider* slider() const { return slider_; }
    QString statusText() const;
    // The cycles of the frames a live server has shown so far.
    int framesShown() const { return framesShown_; }

  signals:
    // A new frame is on the screen.
    void frameShown(int cycle);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildCommon();
    void buildLive();
    void buildReplay();
    void addPictureToggles(QToolBar& bar);
    PictureOptions firstPicture() const;
    void readDatagrams();
    void tickLive();
    void showConnected();
    void tickReplay();
    void showCurrent();
    void toggleOption(bool PictureOptions::*option);
    void updateReplayControls();

    MonitorOptions options_;
    FieldWidget* field_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer* timer_ = nullptr;
    QAction* viewCones_ = nullptr;
    QAction* stamina_ = nullptr;

    // Live.
    MonitorLink link_;
    gamelog::LineDecoder decoder_;
    std::optional<gamelog::Frame> liveFrame_;
    QSocketNotifier* notifier_ = nullptr;
    QAction* kickOff_ = nullptr;
    QElapsedTimer clock_;
    int framesShown_ = 0;

    // Replay.
    std::optional<gamelog::GameLog> log_;
    std::optional<ReplayCursor> cursor_;
    QAction* play_ = nullptr;
    QComboBox* speed_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* position_ = nullptr;
    QElapsedTimer playClock_;
};

}  // namespace zamo::monitor
