// The agent's lifecycle: connecting, the threads, pausing, teardown.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "agent/runtime/agent_context.h"
#include "agent/runtime/agent_host.h"
#include "agent/runtime/auto_reset_event.h"

namespace zamo {

struct LaunchArguments;

// The values the set-up dialogs show and take. They live as long as the agent, so a dialog shown
// again keeps what the user typed.
struct DialogValues {
    std::string teamName;
    bool isGoalie = false;
    std::string serverIp;
    int serverPort = 0;
    int uniformNumber = 0;  // reconnect only; 0 while none is known
};

enum class AgentState { kStarting, kConnecting, kDisconnected, kPlaying, kPaused };

// One agent: its components, its connection state and its threads. The host (window or headless
// program) turns menu commands into the calls below and answers the agent's requests.
//
// Threads stop cooperatively: teardown sets a thread's stop flag and wakes it from whatever it
// sleeps on (a connection attempt sees the flag within 10 ms), then joins it, so once teardown
// returns no stopped thread takes another step and the components are ready for the next
// connection. No thread wakes but for work or a request. Teardown, loadConfiguration and the
// start calls belong to the host's thread; the agent's own threads never call them, they ask the
// host instead.
class Agent {
  public:
    explicit Agent(AgentHost& host);
    ~Agent();
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;

    AgentContext& context() { return *context_; }

    // Builds the configuration from the command line, the defaults and the configuration file,
    // and starts the display refresh.
    void loadConfiguration(const LaunchArguments& arguments,
                           const std::filesystem::path& workingDirectory);

    // Each starts its thread unless one of its kind is running; false when it did not start.
    bool startAutoConnect();
    bool startConnectDialog();
    bool startReconnect();
    bool startReconnectDialog();

    // One registration attempt each; on success the agent plays. Run on a connection thread (or
    // by a test) while no other connection attempt runs.
    void connectWithInit(const std::atomic<bool>* stop = nullptr);
    void connectWithReconnect(const std::atomic<bool>* stop = nullptr);
    // Ask, attempt, ask again until connected, cancelled or stopped.
    void connectDialogLoop(const std::atomic<bool>* stop = nullptr);
    void reconnectDialogLoop(const std::atomic<bool>* stop = nullptr);

    // Stops every thread but the display refresh, says goodbye when connected and closes the
    // socket.
    void teardown();

    void setPlaying(bool playing);
    void toggleDrawWorldModel();

    // Read and written by the host while it shows a dialog.
    DialogValues& dialogValues(DialogKind kind);
    void answerDialog(DialogKind kind, bool accepted);

    bool connected() const { return connected_.load() != 0; }
    bool connecting() const { return connecting_.load() != 0; }
    bool playing() const { return playing_.load() != 0; }
    bool drawWorldModel() const { return drawWorldModel_.load() != 0; }
    // "Reconnect" needs a known uniform number.
    bool uniformNumberKnown() const { return uniformNumberKnown_.load(); }
    AgentState state() const;

  private:
    struct ThreadSlot {
        std::thread thread;
        std::atomic<bool> stop{false};
        std::atomic<bool> running{false};
        // Makes the thread look at its stop flag now; none for threads that look often enough.
        std::function<void()> wake;
    };

    bool startThread(ThreadSlot& slot, std::function<void(const std::atomic<bool>&)> body,
                     std::function<void()> wake = {});
    // True when the slot had a thread, now joined.
    bool stopThread(ThreadSlot& slot);
    void dialogLoop(DialogKind kind, const std::atomic<bool>* stop);
    void finishConnection(bool succeeded, int side, int uniformNumber, int playMode);
    void applyDialogValues(DialogKind kind);
    void announceTitle();

    AgentHost& host_;
    std::unique_ptr<AgentContext> context_;

    std::atomic<int> connected_{0};
    std::atomic<int> connecting_{1};
    std::atomic<int> playing_{0};
    std::atomic<int> drawWorldModel_{0};
    std::atomic<int> connectDialogResult_{1};
    std::atomic<int> reconnectDialogResult_{1};
    std::atomic<bool> attempted_{false};
    std::atomic<bool> uniformNumberKnown_{false};

    AutoResetEvent refreshEvent_;
    AutoResetEvent connectDialogDone_;
    AutoResetEvent reconnectDialogDone_;
    DialogValues connectValues_;
    DialogValues reconnectValues_;

    std::mutex lifecycleMutex_;
    ThreadSlot refreshThread_;
    ThreadSlot autoConnectThread_;
    ThreadSlot connectDialogThread_;
    ThreadSlot reconnectThread_;
    ThreadSlot reconnectDialogThread_;
    ThreadSlot receiveThread_;
    ThreadSlot thinkThread_;
};

}  // namespace zamo
