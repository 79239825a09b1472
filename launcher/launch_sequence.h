#pragma once

#include <cstddef>
#include <vector>

#include <QObject>
#include <QTimer>

#include "launcher/launch_plan.h"
#include "launcher/process_starter.h"

namespace zamo {

// Starts a plan one program after another with a pause after each successful start. The pause is
// a timer, so the window's thread keeps handling events in between; a failed start is skipped
// without the pause.
class LaunchSequence : public QObject {
    Q_OBJECT

  public:
    explicit LaunchSequence(ProcessStarter& starter, QObject* parent = nullptr);

    // Starts the first program now and the rest from the event loop. Returns false, doing
    // nothing, while an earlier run is still going.
    bool run(std::vector<StartRequest> plan, int waitInterval);
    bool running() const { return running_; }

  signals:
    void finished();

  private:
    void startNext();

    ProcessStarter& starter_;
    QTimer pause_;
    std::vector<StartRequest> plan_;
    std::size_t next_ = 0;
    bool running_ = false;
};

}  // namespace zamo
