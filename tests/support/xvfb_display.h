#pragma once

#include <optional>
#include <string>

#include "support/agent_process.h"

namespace zamo::test {

// The line a test prints when it skips for want of an X server without a screen.
inline constexpr const char* kNoXvfb =
    "Xvfb is not installed, so there is no display to open windows on (scripts/test.sh installs "
    "the Debian package xvfb)";

// The Xvfb program on the PATH, if there is one.
std::optional<std::string> xvfbProgram();

// An X server without a screen, on a display number it picks itself, for tests of windows on a
// real display. Stopped by its id when the object goes.
class XvfbDisplay {
  public:
    XvfbDisplay() = default;
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    // Starts the server and waits until it takes clients; false, with its output, when not.
    bool start(const std::string& program, std::string& why);
    // ":N", the value of DISPLAY for its clients.
    const std::string& display() const { return display_; }

  private:
    AgentProcess process_;
    std::string display_;
};

}  // namespace zamo::test
