#include "monitor/monitor_window.h"

#include <string>
#include <utility>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace zamo::monitor {

namespace {

constexpr int kLiveTickMs = 200;
constexpr int kPlayTickMs = 10;
constexpr int kJumpFrames = 100;  // 10 s of play
constexpr int kDefaultWidth = 1150;
constexpr int kDefaultHeight = 900;

QString hostText(const MonitorOptions& o) {
    return QStringLiteral("%1:%2").arg(QString::fromStdString(o.host)).arg(o.port);
}

}  // namespace

FieldWidget::FieldWidget(QWidget* parent) : QWidget(parent) {
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FieldWidget::show(const gamelog::Frame* frame, const PictureOptions& options) {
    frame_ = frame;
    options_ = options;
    update();
}

void FieldWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintMatch(painter, PictureLayout(size()), frame_, options_);
}

MonitorWindow::MonitorWindow(const MonitorOptions& options, QWidget* parent)
    : QMainWindow(parent), options_(options) {
    buildCommon();
    buildLive();
}

MonitorWindow::MonitorWindow(const MonitorOptions& options, gamelog::GameLog log, int firstFrame,
                             QWidget* parent)
    : QMainWindow(parent), options_(options), log_(std::move(log)) {
    cursor_.emplace(static_cast<int>(log_->frames.size()));
    cursor_->seek(firstFrame);
    buildCommon();
    buildReplay();
}

MonitorWindow::~MonitorWindow() {
    // Before the link closes its socket, which the notifier watches.
    delete notifier_;
}

void MonitorWindow::buildCommon() {
    field_ = new FieldWidget(this);
    setCentralWidget(field_);
    status_ = new QLabel(this);
    statusBar()->addWidget(status_, 1);
    timer_ = new QTimer(this);
    resize(kDefaultWidth, kDefaultHeight);
    setWindowTitle(matchTitle({}));
    // Keys go to the window, as in a video player, not to whichever control was clicked last.
    setFocusPolicy(Qt::StrongFocus);
}

void MonitorWindow::addPictureToggles(QToolBar& bar) {
    viewCones_ = bar.addAction(QStringLiteral("View cones"), this,
                               [this] { toggleOption(&PictureOptions::viewCones); });
    viewCones_->setToolTip(QStringLiteral("Every player's view cone (V)"));
    stamina_ = bar.addAction(QStringLiteral("Stamina"), this,
                             [this] { toggleOption(&PictureOptions::stamina); });
    stamina_->setToolTip(QStringLiteral("Every player's stamina bar (S)"));
    viewCones_->setCheckable(true);
    stamina_->setCheckable(true);
    viewCones_->setChecked(options_.viewCones);
    stamina_->setChecked(options_.stamina);
}

PictureOptions MonitorWindow::firstPicture() const {
    PictureOptions picture;
    picture.viewCones = options_.viewCones;
    picture.stamina = options_.stamina;
    return picture;
}

void MonitorWindow::buildLive() {
    QToolBar* bar = addToolBar(QStringLiteral("Match"));
    bar->setMovable(false);
    kickOff_ = bar->addAction(QStringLiteral("Kick off"), this, [this] { link_.kickOff(); });
    kickOff_->setToolTip(QStringLiteral("Start the match on a server that waits for a kick-off"));
    kickOff_->setEnabled(false);
    addPictureToggles(*bar);
    connect(timer_, &QTimer::timeout, this, &MonitorWindow::tickLive);
    PictureOptions picture = firstPicture();
    picture.notice = QStringLiteral("waiting for a server at %1").arg(hostText(options_));
    field_->show(nullptr, picture);
    status_->setText(picture.notice);
}

bool MonitorWindow::start(std::string& error) {
    if (!live()) {
        return true;
    }
    if (!link_.open(options_.host, options_.port, error)) {
        return false;
    }
    clock_.start();
    notifier_ = new QSocketNotifier(link_.socket(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &MonitorWindow::readDatagrams);
    link_.tick(clock_.elapsed());
    timer_->start(kLiveTickMs);
    return true;
}

void MonitorWindow::readDatagrams() {
    std::vector<std::string> texts;
    link_.receive(clock_.elapsed(), texts);
    bool shown = false;
    PictureOptions picture = field_->options();
    for (const std::string& text : texts) {
        switch (decoder_.decode(text)) {
            case gamelog::LineKind::kShow:
                liveFrame_ = decoder_.frame();
                shown = true;
                break;
            case gamelog::LineKind::kServerParam:
                picture.staminaMax = staminaMaxOf(decoder_.serverParams());
                break;
            default:
                // Parameters, messages and lines that cannot be read change nothing drawn.
                break;
        }
    }
    if (shown) {
        picture.notice.clear();
        ++framesShown_;
        showConnected();
    }
    field_->show(liveFrame_ ? &*liveFrame_ : nullptr, picture);
    if (shown) {
        setWindowTitle(matchTitle(liveFrame_->teams));
        kickOff_->setEnabled(liveFrame_->playMode == gamelog::kPlayModeBeforeKickOff);
        emit frameShown(liveFrame_->cycle);
    }
}

void MonitorWindow::tickLive() {
    link_.tick(clock_.elapsed());
    PictureOptions picture = field_->options();
    if (link_.state() == MonitorLink::State::kConnected) {
        showConnected();
        return;
    }
    kickOff_->setEnabled(false);
    const QString waiting = QStringLiteral("waiting for a server at %1").arg(hostText(options_));
    status_->setText(waiting);
    if (picture.notice != waiting) {
        picture.notice = waiting;
        field_->show(liveFrame_ ? &*liveFrame_ : nullptr, picture);
    }
}

QString MonitorWindow::statusText() const {
    return status_->text();
}

void MonitorWindow::showConnected() {
    status_->setText(QStringLiteral("connected to %1 (the server answers from port %2)")
                         .arg(hostText(options_))
                         .arg(link_.serverPort()));
}

void MonitorWindow::buildReplay() {
    QToolBar* bar = addToolBar(QStringLiteral("Replay"));
    bar->setMovable(false);
    const auto button = [&](const QString& text, const QString& tip, auto move) {
        QAction* action = bar->addAction(text, this, [this, move] {
            move(*cursor_);
            showCurrent();
        });
        action->setToolTip(tip);
        return action;
    };
    button(QStringLiteral("|<"), QStringLiteral("First cycle (Home)"),
           [](ReplayCursor& c) { c.seek(0); });
    button(QStringLiteral("<"), QStringLiteral("One cycle back (Left)"),
           [](ReplayCursor& c) { c.step(-1); });
    play_ = button(QStringLiteral("Play"), QStringLiteral("Play or pause (Space)"),
                   [](ReplayCursor& c) { c.togglePlay(); });
    button(QStringLiteral(">"), QStringLiteral("One cycle forward (Right)"),
           [](ReplayCursor& c) { c.step(1); });
    button(QStringLiteral(">|"), QStringLiteral("Last cycle (End)"),
           [](ReplayCursor& c) { c.seek(c.frameCount() - 1); });
    speed_ = new QComboBox(bar);
    for (const int speed : ReplayCursor::kSpeeds) {
        speed_->addItem(QStringLiteral("%1x").arg(speed), speed);
    }
    speed_->setFocusPolicy(Qt::NoFocus);
    speed_->setToolTip(QStringLiteral("Speed (+ and -)"));
    connect(speed_, &QComboBox::activated, this, [this](int index) {
        cursor_->setSpeed(speed_->itemData(index).toInt());
        showCurrent();
    });
    bar->addWidget(speed_);
    addPictureToggles(*bar);
    slider_ = new QSlider(Qt::Horizontal, bar);
    slider_->setRange(0, std::max(0, cursor_->frameCount() - 1));
    slider_->setFocusPolicy(Qt::NoFocus);
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        if (value != cursor_->index()) {
            cursor_->seek(value);
            showCurrent();
        }
    });
    bar->addWidget(slider_);
    position_ = new QLabel(bar);
    bar->addWidget(position_);
    for (QWidget* w : bar->findChildren<QWidget*>()) {
        w->setFocusPolicy(Qt::NoFocus);
    }
    connect(timer_, &QTimer::timeout, this, &MonitorWindow::tickReplay);
    PictureOptions picture = firstPicture();
    picture.staminaMax = staminaMaxOf(log_->serverParams);
    field_->show(frame(), picture);
    showCurrent();
}

const gamelog::Frame* MonitorWindow::frame() const {
    if (log_) {
        return log_->frames.empty() ? nullptr
                                    : &log_->frames[static_cast<std::size_t>(cursor_->index())];
    }
    return liveFrame_ ? &*liveFrame_ : nullptr;
}

void MonitorWindow::tickReplay() {
    const double elapsed = static_cast<double>(playClock_.restart());
    if (cursor_->advance(elapsed) || !cursor_->playing()) {
        showCurrent();
    }
}

void MonitorWindow::showCurrent() {
    if (live()) {
        return;
    }
    if (cursor_->playing() && !timer_->isActive()) {
        playClock_.start();
        timer_->start(kPlayTickMs);
    } else if (!cursor_->playing() && timer_->isActive()) {
        timer_->stop();
    }
    field_->show(frame(), field_->options());
    updateReplayControls();
    if (const gamelog::Frame* f = frame()) {
        emit frameShown(f->cycle);
    }
}

void MonitorWindow::updateReplayControls() {
    const gamelog::Frame* f = frame();
    setWindowTitle(matchTitle(f != nullptr ? f->teams : gamelog::Teams{}));
    play_->setText(cursor_->playing() ? QStringLiteral("Pause") : QStringLiteral("Play"));
    const int speedIndex = speed_->findData(cursor_->speed());
    if (speedIndex != speed_->currentIndex()) {
        speed_->setCurrentIndex(speedIndex);
    }
    if (slider_->value() != cursor_->index()) {
        const QSignalBlocker quiet(slider_);
        slider_->setValue(cursor_->index());
    }
    const int first = log_->frames.empty() ? 0 : log_->frames.front().cycle;
    const int last = log_->frames.empty() ? 0 : log_->frames.back().cycle;
    position_->setText(QStringLiteral(" cycle %1 of %2-%3 ")
                           .arg(f != nullptr ? f->cycle : 0)
                           .arg(first)
                           .arg(last));
    status_->setText(
        QStringLiteral("%1: frame %2 of %3, %4x%5")
            .arg(QString::fromStdString(options_.logPath.string()))
            .arg(cursor_->index() + 1)
            .arg(cursor_->frameCount())
            .arg(cursor_->speed())
            .arg(cursor_->playing() ? QStringLiteral(", playing") : QStringLiteral(", paused")));
}

void MonitorWindow::toggleOption(bool PictureOptions::*option) {
    PictureOptions picture = field_->options();
    picture.*option = !(picture.*option);
    viewCones_->setChecked(picture.viewCones);
    stamina_->setChecked(picture.stamina);
    field_->show(frame(), picture);
}

void MonitorWindow::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    if (key == Qt::Key_Q) {
        close();
        return;
    }
    if (key == Qt::Key_V) {
        toggleOption(&PictureOptions::viewCones);
        return;
    }
    if (key == Qt::Key_S) {
        toggleOption(&PictureOptions::stamina);
        return;
    }
    if (live()) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    ReplayCursor& c = *cursor_;
    switch (key) {
        case Qt::Key_Space:
        case Qt::Key_K:
            c.togglePlay();
            break;
        case Qt::Key_Right:
            c.step(shift ? kJumpFrames : 1);
            break;
        case Qt::Key_Left:
            c.step(shift ? -kJumpFrames : -1);
            break;
        case Qt::Key_Period:
            c.step(1);
            break;
        case Qt::Key_Comma:
            c.step(-1);
            break;
        case Qt::Key_L:
            c.seek(c.index() + kJumpFrames);
            break;
        case Qt::Key_J:
            c.seek(c.index() - kJumpFrames);
            break;
        case Qt::Key_Home:
            c.seek(0);
            break;
        case Qt::Key_End:
            c.seek(c.frameCount() - 1);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
        case Qt::Key_BracketRight:
        case Qt::Key_Up:
            c.faster();
            break;
        case Qt::Key_Minus:
        case Qt::Key_BracketLeft:
        case Qt::Key_Down:
            c.slower();
            break;
        default:
            QMainWindow::keyPressEvent(event);
            return;
    }
    showCurrent();
}

void MonitorWindow::closeEvent(QCloseEvent* event) {
    // The socket goes with the goodbye; nothing may wait on it any more.
    delete notifier_;
    notifier_ = nullptr;
    timer_->stop();
    // The server stops sending to a monitor that says goodbye.
    link_.close();
    QMainWindow::closeEvent(event);
}

}  // namespace zamo::monitor
