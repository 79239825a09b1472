#include "gamelog/game_log_reader.h"

#include <zlib.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace zamo::gamelog {
namespace {

// A show line of 22 players is about 5 kB and the server's parameters about 10 kB; a longer
// line is no line of a game log.
constexpr std::size_t kMaxLineLength = 1 << 20;
constexpr std::size_t kChunk = 1 << 16;
constexpr std::size_t kMaxProblems = 20;

}  // namespace

// zlib reads plain files unchanged, so one reader serves both.
struct GameLogReader::File {
    gzFile handle = nullptr;
    std::array<char, kChunk> buffer{};
    std::size_t begin = 0;
    std::size_t end = 0;
    bool finished = false;

    ~File() {
        if (handle != nullptr) {
            gzclose(handle);
        }
    }
};

GameLogReader::GameLogReader() = default;
GameLogReader::~GameLogReader() = default;

bool GameLogReader::readLine(std::string& line) {
    line.clear();
    bool tooLong = false;
    File& file = *file_;
    while (true) {
        if (file.begin == file.end) {
            if (file.finished) {
                break;
            }
            const int read = gzread(file.handle, file.buffer.data(), kChunk);
            if (read <= 0) {
                file.finished = true;
                if (read < 0) {
                    int code = Z_OK;
                    const char* text = gzerror(file.handle, &code);
                    error_ = std::string("read error after line ") + std::to_string(lineNumber_) +
                             ": " + (text != nullptr ? text : "unknown");
                }
                break;
            }
            file.begin = 0;
            file.end = static_cast<std::size_t>(read);
        }
        const char* start = file.buffer.data() + file.begin;
        const std::size_t available = file.end - file.begin;
        const void* newline = std::memchr(start, '\n', available);
        const std::size_t take =
            newline != nullptr ? static_cast<std::size_t>(static_cast<const char*>(newline) - start)
                               : available;
        if (!tooLong && line.size() + take <= kMaxLineLength) {
            line.append(start, take);
        } else {
            tooLong = true;
            line.clear();
        }
        file.begin += take;
        if (newline != nullptr) {
            ++file.begin;
            ++lineNumber_;
            if (tooLong) {
                skip("longer than " + std::to_string(kMaxLineLength) + " bytes");
                tooLong = false;
                continue;
            }
            return true;
        }
    }
    // The last line has no line end: most likely cut off, but a complete one is taken.
    if (tooLong || !line.empty()) {
        ++lineNumber_;
        if (tooLong) {
            skip("longer than " + std::to_string(kMaxLineLength) + " bytes");
            return false;
        }
        return true;
    }
    return false;
}

void GameLogReader::skip(const std::string& reason) {
    ++skippedLines_;
    if (problems_.size() < kMaxProblems) {
        problems_.push_back("line " + std::to_string(lineNumber_) + ": " + reason);
    }
}

bool GameLogReader::open(const std::filesystem::path& path) {
    decoder_ = LineDecoder{};
    messages_.clear();
    problems_.clear();
    error_.clear();
    version_ = 0;
    lineNumber_ = 0;
    skippedLines_ = 0;
    file_ = std::make_unique<File>();
    file_->handle = gzopen(path.c_str(), "rb");
    if (file_->handle == nullptr) {
        error_ = "cannot open " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    std::string header;
    if (!readLine(header)) {
        if (error_.empty()) {
            error_ = path.string() + " is empty";
        }
        return false;
    }
    if (!header.empty() && header.back() == '\r') {
        header.pop_back();
    }
    if (header == "ULG5" || header == "ULG6") {
        version_ = header[3] - '0';
        return true;
    }
    if (header.size() == 4 && header.starts_with("ULG")) {
        error_ = path.string() + ": game log format " + header.substr(3) +
                 " is not supported (only 5 and 6)";
    } else {
        error_ = path.string() + " is not a text game log (it does not begin with ULG5 or ULG6)";
    }
    return false;
}

bool GameLogReader::next() {
    if (!file_ || version_ == 0) {
        return false;
    }
    while (readLine(line_)) {
        if (!line_.empty() && line_.back() == '\r') {
            line_.pop_back();
        }
        switch (decoder_.decode(line_)) {
            case LineKind::kShow:
                return true;
            case LineKind::kMessage:
                messages_.push_back(decoder_.message());
                break;
            case LineKind::kBad:
                skip(decoder_.error());
                break;
            default:
                break;
        }
    }
    return false;
}

std::optional<GameLog> readGameLog(const std::filesystem::path& path, std::string& error) {
    GameLogReader reader;
    if (!reader.open(path)) {
        error = reader.error();
        return std::nullopt;
    }
    GameLog log;
    log.version = reader.version();
    while (reader.next()) {
        log.frames.push_back(reader.frame());
    }
    if (log.frames.empty()) {
        error = !reader.error().empty() ? reader.error() : path.string() + " holds no frame";
        return std::nullopt;
    }
    log.serverParams = reader.decoder().serverParams();
    log.playerParams = reader.decoder().playerParams();
    log.playerTypes = reader.decoder().playerTypes();
    log.messages = reader.messages();
    log.skippedLines = reader.skippedLines();
    log.problems = reader.problems();
    if (!reader.error().empty()) {
        log.problems.push_back(reader.error());
    }
    return log;
}

}  // namespace zamo::gamelog
