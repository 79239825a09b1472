#pragma once

#include "launcher/launch_plan.h"

namespace zamo {

// Starts a program and forgets it; true when the system reports that it launched.
class ProcessStarter {
  public:
    virtual ~ProcessStarter() = default;
    virtual bool start(const StartRequest& request) = 0;
};

// Starts detached processes that outlive the launcher.
class DetachedProcessStarter final : public ProcessStarter {
  public:
    bool start(const StartRequest& request) override;
};

}  // namespace zamo
