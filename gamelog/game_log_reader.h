#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gamelog/frame.h"
#include "gamelog/line_decoder.h"

namespace zamo::gamelog {

// Reads a game log of text format 5 or 6 ("ULG5", "ULG6"; the server's default), plain or
// gzip-compressed, one frame at a time in the order written. Lines that cannot be read (garbage,
// a last line cut off when the server was killed) are skipped and counted; the parameters,
// play mode, teams and messages come from the lines read so far.
class GameLogReader {
  public:
    GameLogReader();
    ~GameLogReader();
    GameLogReader(const GameLogReader&) = delete;
    GameLogReader& operator=(const GameLogReader&) = delete;

    // Opens the log and reads its header; false, with error(), when the file cannot be read or
    // is not a text game log of format 5 or 6.
    bool open(const std::filesystem::path& path);
    // Reads on to the next frame; false at the end of the log, and also on a read error, which
    // error() then tells.
    bool next();

    const Frame& frame() const { return decoder_.frame(); }
    int version() const { return version_; }
    // Parameters, play mode and teams as read so far.
    const LineDecoder& decoder() const { return decoder_; }
    const std::vector<Message>& messages() const { return messages_; }
    int skippedLines() const { return skippedLines_; }
    // The reasons of the first skipped lines, with their line numbers.
    const std::vector<std::string>& problems() const { return problems_; }
    const std::string& error() const { return error_; }

  private:
    struct File;

    bool readLine(std::string& line);
    void skip(const std::string& reason);

    std::unique_ptr<File> file_;
    LineDecoder decoder_;
    std::vector<Message> messages_;
    std::vector<std::string> problems_;
    std::string error_;
    std::string line_;
    int version_ = 0;
    long lineNumber_ = 0;
    int skippedLines_ = 0;
};

// A whole game log in memory.
struct GameLog {
    int version = 0;
    ParamBlock serverParams;
    ParamBlock playerParams;
    std::vector<ParamBlock> playerTypes;
    std::vector<Frame> frames;
    std::vector<Message> messages;
    int skippedLines = 0;
    std::vector<std::string> problems;  // also a read error after the last frame
};

// Reads a whole log; nothing, with error, when it cannot be read or holds no frame.
std::optional<GameLog> readGameLog(const std::filesystem::path& path, std::string& error);

}  // namespace zamo::gamelog
