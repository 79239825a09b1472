#include "support/agent_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace zamo::test {

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string temporaryPath(const char* suffix) {
    static int counter = 0;
    const char* directory = std::getenv("TMPDIR");
    return std::string(directory != nullptr ? directory : "/tmp") + "/zamo_agent_" +
           std::to_string(::getpid()) + "_" + std::to_string(counter++) + suffix;
}

}  // namespace

std::string agentProgramPath() {
    return std::string(ZAMO_BINARY_DIR) + "/ZamoSoccer";
}

bool agentProgramBuilt() {
    return ::access(agentProgramPath().c_str(), X_OK) == 0;
}

AgentProcess::~AgentProcess() {
    if (running()) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (!outPath_.empty()) {
        ::unlink(outPath_.c_str());
        ::unlink(errPath_.c_str());
    }
}

bool AgentProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory) {
    outPath_ = temporaryPath(".out");
    errPath_ = temporaryPath(".err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!workingDirectory.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    started_ = std::chrono::steady_clock::now();
    const int result =
        ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        pid_ = -1;
        return false;
    }
    exited_ = false;
    return true;
}

std::optional<int> AgentProcess::waitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0 && !exited_) {
        const pid_t done = ::waitpid(pid_, &status_, WNOHANG);
        if (done == pid_) {
            exited_ = true;
            ended_ = std::chrono::steady_clock::now();
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!exited_ || !WIFEXITED(status_)) {
        return std::nullopt;
    }
    return WEXITSTATUS(status_);
}

bool AgentProcess::signal(int signalNumber) const {
    return running() && ::kill(pid_, signalNumber) == 0;
}

double AgentProcess::elapsedMs() const {
    const auto end = exited_ ? ended_ : std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - started_).count();
}

std::string AgentProcess::standardOutput() const {
    return readFile(outPath_);
}

std::string AgentProcess::standardError() const {
    return readFile(errPath_);
}

}  // namespace zamo::test
