// The agent's configuration record: command line, built-in defaults and the configuration file.
#include "agent/config/agent_config.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>
#include <system_error>

#include "agent/config/launch_arguments.h"

namespace zamo {
namespace {

// Lines of the configuration file are read in pieces of at most this many characters; each
// piece counts as a line of its own.
constexpr std::size_t kConfPieceLength = 255;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string cut(std::string_view text, std::size_t width) {
    return std::string(text.substr(0, width));
}

std::string_view skipSpace(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) {
        ++i;
    }
    return text.substr(i);
}

// The first whitespace-delimited word of the text; empty when there is none.
std::string_view firstWord(std::string_view text) {
    text = skipSpace(text);
    std::size_t length = 0;
    while (length < text.size() && !isSpace(text[length])) {
        ++length;
    }
    return text.substr(0, length);
}

// The word after optional whitespace and a colon, as in "player_id :2"; empty when malformed.
std::string_view wordAfterColon(std::string_view text) {
    text = skipSpace(text);
    if (text.empty() || text.front() != ':') {
        return {};
    }
    return firstWord(text.substr(1));
}

int leadingInteger(std::string_view text) {
    text = skipSpace(text);
    int value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && value >= 0 ? value : 0;
}

// Independent of the process locale, which the window toolkit may change.
double leadingReal(std::string_view text) {
    text = skipSpace(text);
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && std::isfinite(value) ? value : 0.0;
}

// The working directory as a prefix to which "/name" is appended; "/" itself gives "".
std::string directoryPrefix(const std::filesystem::path& workingDirectory) {
    std::string directory = workingDirectory.string();
    while (!directory.empty() && directory.back() == '/') {
        directory.pop_back();
    }
    return directory;
}

class ConfFileApplier {
  public:
    explicit ConfFileApplier(AgentConfig& config) : config_(config) {}

    void applyLine(std::string_view line) {
        // Text ends at a NUL byte, as for any C text line.
        line = line.substr(0, line.find('\0'));
        // Keys start in the first column; an indented line would misplace its value.
        if (line.empty() || line.front() == '#' || isSpace(line.front())) {
            return;
        }
        const std::string_view key = firstWord(line);
        const std::string_view rest = line.substr(key.size());
        if (key == "player_id") {
            const std::string_view id = wordAfterColon(rest);
            inSection_ = !id.empty() && id == config_.playerIdText;
        } else if (key == "player_type") {
            const std::string_view role = wordAfterColon(rest);
            if (inSection_ && !role.empty()) {
                config_.playerType = cut(role, kWordWidth);
            }
        } else if (std::string* target = pathField(key)) {
            const std::string_view path = firstWord(rest);
            if (!path.empty()) {
                *target = cut(path, kPathWidth);
            }
        }
    }

  private:
    // Older files also name parameter files and a log directory (server_param_path,
    // player_param_path, player_type_path, log_directory_path); the agent reads neither, and
    // those keys are passed over like any unknown one.
    std::string* pathField(std::string_view key) {
        if (key == "strategy_directory_path") {
            return &config_.strategyDirectoryPath;
        }
        return nullptr;
    }

    AgentConfig& config_;
    bool inSection_ = false;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool readConfFile(AgentConfig& config, const std::filesystem::path& path) {
    // Only regular files: a directory reads as an error and a FIFO could block forever.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return false;
    }
    // Applied to a copy so that a file failing half-way changes nothing.
    AgentConfig updated = config;
    ConfFileApplier applier(updated);
    std::array<char, kConfPieceLength> piece{};
    std::size_t pieceLength = 0;
    std::array<char, 4096> chunk{};
    std::size_t count = 0;
    while ((count = std::fread(chunk.data(), 1, chunk.size(), file.get())) > 0) {
        for (std::size_t i = 0; i < count; ++i) {
            piece[pieceLength++] = chunk[i];
            if (chunk[i] == '\n' || pieceLength == piece.size()) {
                applier.applyLine(std::string_view(piece.data(), pieceLength));
                pieceLength = 0;
            }
        }
    }
    if (std::ferror(file.get()) != 0) {
        return false;
    }
    if (pieceLength > 0) {
        applier.applyLine(std::string_view(piece.data(), pieceLength));
    }
    config = std::move(updated);
    return true;
}

AgentConfig loadConfiguration(const LaunchArguments& arguments,
                              const std::filesystem::path& workingDirectory) {
    const std::string directory = directoryPrefix(workingDirectory);
    LaunchArguments given = arguments;
    if (given.teamName.empty()) {
        given.teamName = "Zamo_Left";
    }
    if (given.playerId.empty()) {
        given.playerId = "11";
    }
    if (given.serverIp.empty()) {
        given.serverIp = "127.0.0.1";
    }
    if (given.serverPort.empty()) {
        given.serverPort = "6000";
    }
    if (given.serverVersion.empty()) {
        given.serverVersion = "9.35";
    }
    if (given.confPath.empty()) {
        given.confPath = cut(directory + "/zamo_soccer.conf", kConfPathArgWidth);
    }

    AgentConfig config;
    config.teamName = cut(given.teamName, kTeamNameWidth);
    config.quotedTeamName = '"' + config.teamName + '"';
    config.playerIdText = cut(given.playerId, kWordWidth);
    config.serverIp = cut(given.serverIp, kWordWidth);
    config.serverPort = leadingInteger(given.serverPort);
    config.serverVersion = leadingReal(given.serverVersion);
    config.confPath = cut(given.confPath, kPathWidth);
    config.strategyDirectoryPath = cut(directory + "/", kPathWidth);
    // The file may name this player's role; the role decides the goalie mark.
    readConfFile(config, config.confPath);
    config.isGoalie = config.playerType == "goalie" ? 1 : 0;
    return config;
}

std::string windowCaption(const AgentConfig& config, bool connected) {
    std::string caption = " " + config.teamName;
    if (connected) {
        caption += " - No." + std::to_string(config.uniformNumber) + " - " + config.playerType;
    }
    return caption;
}

}  // namespace zamo
