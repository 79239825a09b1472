// What the agent asks of the program that hosts it (window or headless).
#pragma once

#include <string_view>

namespace zamo {

enum class DialogKind { kConnect, kReconnect };

// Why the agent asks its host to close.
enum class CloseReason {
    kConnectFailed,  // the automatic connection did not get the agent registered
    kServerSilent,   // the server stopped sending while the agent played
};

// What the agent needs from whoever hosts it: the main window, or the headless program. Every
// call may come from any of the agent's threads and must return promptly; the host does the work
// on its own thread.
class AgentHost {
  public:
    virtual ~AgentHost() = default;

    // The world changed or the drawing was switched: redraw the field.
    virtual void redraw() = 0;
    // False for a host without a picture: the agent then asks for no redraw after each cycle.
    virtual bool drawsEachCycle() const { return true; }
    // Show the set-up dialog for Agent::dialogValues(kind) and, once it is closed, answer with
    // Agent::answerDialog(kind, accepted).
    virtual void requestDialog(DialogKind kind) = 0;
    // Run Agent::teardown and close; the program ends.
    virtual void requestClose(CloseReason reason) = 0;
    // The caption changed, after a connection or a teardown.
    virtual void updateTitle(std::string_view caption) = 0;
    // One line about a lifecycle event: connected, paused, playing, silence, teardown.
    virtual void lifecycleEvent(std::string_view text) = 0;
};

}  // namespace zamo
