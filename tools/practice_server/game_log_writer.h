#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/practice_server/show_message.h"

namespace zamo::practice {

// Writes the match as a game log of text format "ULG6", as the real server does: the header,
// the parameter messages, then for every cycle of play its show line, with a play mode line
// and a team line before it whenever they change; at the end the result and the teams. Before
// the kick-off nothing is written, and time over only once.
class GameLogWriter {
  public:
    // Creates the file and writes its head; false, with a reason, when it cannot.
    bool open(const std::filesystem::path& path, const std::vector<std::string>& parameters,
              std::string& error);
    void write(const ShowSnapshot& s);
    // The closing lines; false when any write to the file failed.
    bool finish(const ShowSnapshot& s);
    bool isOpen() const { return out_.is_open(); }

  private:
    void line(const std::string& text);

    std::ofstream out_;
    int lastMode_ = -1;
    std::string lastTeams_;
    bool wroteTimeOver_ = false;
};

}  // namespace zamo::practice
