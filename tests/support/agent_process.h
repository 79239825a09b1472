#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace zamo::test {

// Path of the built ZamoSoccer program.
std::string agentProgramPath();
bool agentProgramBuilt();

// One agent program run as a child process, its standard streams caught in files. The process is
// killed by its id when the object goes, if it still runs.
class AgentProcess {
  public:
    AgentProcess() = default;
    ~AgentProcess();
    AgentProcess(const AgentProcess&) = delete;
    AgentProcess& operator=(const AgentProcess&) = delete;

    // Starts program with arguments, in workingDirectory when one is given; false when it could
    // not be started.
    bool start(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& workingDirectory = {});
    // The exit status once the process has ended within timeout; nothing otherwise, or when it
    // ended by a signal.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    bool signal(int signalNumber) const;
    // Milliseconds from start to exit (or to now while it runs).
    double elapsedMs() const;
    bool running() const { return pid_ > 0 && !exited_; }
    pid_t pid() const { return pid_; }
    std::string standardOutput() const;
    std::string standardError() const;

  private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point ended_;
    std::string outPath_;
    std::string errPath_;
};

}  // namespace zamo::test
