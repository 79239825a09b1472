#include "tools/practice_server/game_log_writer.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

namespace zamo::practice {

namespace {

// What the result line calls a team: its name, or the side's word while it had none.
std::string resultName(std::string_view name, std::string_view otherwise) {
    return std::string(name.empty() ? otherwise : name);
}

}  // namespace

bool GameLogWriter::open(const std::filesystem::path& path,
                         const std::vector<std::string>& parameters, std::string& error) {
    out_.open(path, std::ios::binary | std::ios::trunc);
    if (!out_) {
        error = "cannot write the game log " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    line("ULG6");
    for (const std::string& p : parameters) {
        line(p);
    }
    out_.flush();
    return static_cast<bool>(out_);
}

void GameLogWriter::line(const std::string& text) {
    out_ << text << '\n';
}

void GameLogWriter::write(const ShowSnapshot& s) {
    if (!out_.is_open() || s.mode == kBeforeKickOff || wroteTimeOver_) {
        return;
    }
    const int mode = serverPlayModeNumber(s.mode);
    if (mode != lastMode_ && mode != 0) {
        lastMode_ = mode;
        line(logPlayModeLine(s));
    }
    std::string teams = std::string(s.leftName) + ' ' + std::string(s.rightName) + ' ' +
                        std::to_string(s.leftScore) + ' ' + std::to_string(s.rightScore);
    if (teams != lastTeams_) {
        lastTeams_ = std::move(teams);
        line(logTeamLine(s));
    }
    line(logShowLine(s));
    wroteTimeOver_ = s.mode == kTimeOver;
    // A viewer may follow the log while it grows.
    out_.flush();
}

bool GameLogWriter::finish(const ShowSnapshot& s) {
    if (!out_.is_open()) {
        return true;
    }
    const std::time_t now = std::time(nullptr);
    char date[32] = "0";
    if (const std::tm* local = std::localtime(&now)) {
        std::strftime(date, sizeof date, "%Y%m%d%H%M", local);
    }
    line("(msg " + std::to_string(s.time) + " 1 \"(result " + date + ' ' +
         resultName(s.leftName, "left") + '_' + std::to_string(s.leftScore) + "-vs-" +
         resultName(s.rightName, "right") + '_' + std::to_string(s.rightScore) + ")\")");
    line(logTeamLine(s));
    out_.flush();
    const bool good = static_cast<bool>(out_);
    out_.close();
    return good && !out_.fail();
}

}  // namespace zamo::practice
