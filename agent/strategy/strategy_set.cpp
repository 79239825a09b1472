// The strategy files: loading and choosing a formation.
#include "agent/strategy/strategy_set.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "agent/config/agent_config.h"

namespace zamo {
namespace {

constexpr int kMaxBlocks = 11;
// Longer player ids in a file never match: the agent's own id has at most this many.
constexpr std::size_t kMaxPlayerIdLength = 15;
// Strategy files are a few dozen lines; reading stops here so a stray huge file costs little.
constexpr std::size_t kMaxFileBytes = 256 * 1024;
constexpr std::string_view kExtension = ".stg";

constexpr double kFieldHalfLength = 52.5;
constexpr double kFieldHalfWidth = 34.0;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a text the way a formatted scan does: a blank in a format matches any run of white
// space (also none), other characters must match exactly, numbers skip leading white space.
// Every read either succeeds and advances, or fails and leaves the position where it stopped.
class FormatScanner {
  public:
    explicit FormatScanner(std::string_view text) : text_(text) {}

    std::size_t position() const { return pos_; }
    void seek(std::size_t pos) { pos_ = std::min(pos, text_.size()); }
    bool atEnd() const { return pos_ >= text_.size(); }

    void skipSpace() {
        while (pos_ < text_.size() && isSpace(text_[pos_])) {
            ++pos_;
        }
    }

    bool literal(std::string_view format) {
        for (const char c : format) {
            if (c == ' ') {
                skipSpace();
            } else if (pos_ < text_.size() && text_[pos_] == c) {
                ++pos_;
            } else {
                return false;
            }
        }
        return true;
    }

    bool integer(int& value) {
        skipSpace();
        if (pos_ < text_.size() && text_[pos_] == '+') {
            ++pos_;
        }
        const char* first = text_.data() + pos_;
        const auto [end, error] = std::from_chars(first, text_.data() + text_.size(), value);
        if (error != std::errc() || !endsField(end)) {
            return false;
        }
        pos_ += static_cast<std::size_t>(end - first);
        return true;
    }

    // Only finite values: an infinity or NaN in a strategy file is never meant.
    bool real(double& value) {
        skipSpace();
        if (pos_ < text_.size() && text_[pos_] == '+') {
            ++pos_;
        }
        const char* first = text_.data() + pos_;
        const auto [end, error] = std::from_chars(first, text_.data() + text_.size(), value);
        if (error != std::errc() || !std::isfinite(value) || !endsField(end)) {
            return false;
        }
        pos_ += static_cast<std::size_t>(end - first);
        return true;
    }

    bool word(std::string_view& value) {
        skipSpace();
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !isSpace(text_[pos_])) {
            ++pos_;
        }
        value = text_.substr(start, pos_ - start);
        return !value.empty();
    }

    // Moves to the start of the line after the current position; false at the end.
    bool nextLine() {
        const std::size_t newline = text_.find('\n', pos_);
        if (newline == std::string_view::npos) {
            pos_ = text_.size();
            return false;
        }
        pos_ = newline + 1;
        return true;
    }

  private:
    // A number must stand alone: "12abc" or "1.5.3" is not a number followed by text.
    bool endsField(const char* end) const {
        return end == text_.data() + text_.size() || isSpace(*end);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

// A region line: first corner x, y, then the opposite corner x, y.
bool readRegion(FormatScanner& scanner, std::string_view label, Region& region) {
    return scanner.literal(label) && scanner.real(region.xMin) && scanner.real(region.yMin) &&
           scanner.real(region.xMax) && scanner.real(region.yMax) && scanner.literal(" ");
}

bool onField(double x, double y) {
    return x >= -kFieldHalfLength && x <= kFieldHalfLength && y >= -kFieldHalfWidth &&
           y <= kFieldHalfWidth;
}

bool validRegion(const Region& region) {
    return onField(region.xMin, region.yMin) && onField(region.xMax, region.yMax) &&
           region.xMin <= region.xMax && region.yMin <= region.yMax;
}

struct PlayerBlock {
    std::string_view playerId;
    Region playerRegion;
    Vec2 position;
    Region pressingRegion;
};

bool readBlock(FormatScanner& scanner, PlayerBlock& block) {
    return scanner.literal("Player ID =") && scanner.word(block.playerId) && scanner.literal(" ") &&
           readRegion(scanner, "Player Region =", block.playerRegion) &&
           scanner.literal("Player Position =") && scanner.real(block.position.x) &&
           scanner.real(block.position.y) && scanner.literal(" ") &&
           readRegion(scanner, "Pressing Region =", block.pressingRegion);
}

// After a block that does not parse, the stream can only be trusted again at a line that
// starts the next block.
bool skipToNextBlock(FormatScanner& scanner, std::size_t blockStart) {
    scanner.seek(blockStart);
    while (scanner.nextLine()) {
        const std::size_t lineStart = scanner.position();
        scanner.skipSpace();
        if (scanner.literal("Player ID =")) {
            scanner.seek(lineStart);
            return true;
        }
        scanner.seek(lineStart);
    }
    return false;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads at most kMaxFileBytes of a regular file; false when it cannot be read.
bool readSmallFile(const std::string& path, std::string& text) {
    std::error_code error;
    // Only regular files: a directory cannot be read and a FIFO would block the think thread.
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return false;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    text.resize(error ? kMaxFileBytes : std::min<std::uintmax_t>(size + 1, kMaxFileBytes));
    const std::size_t count = std::fread(text.data(), 1, text.size(), file.get());
    if (std::ferror(file.get()) != 0) {
        return false;
    }
    text.resize(count);
    return true;
}

bool usableDirectoryPrefix(const std::string& prefix) {
    // The prefix is joined to file names as it stands, so it must end with a separator.
    return prefix.empty() || prefix.back() == '/';
}

}  // namespace

Strategy StrategySet::loadFile(std::string_view fileName) const {
    Strategy result;
    const std::string& prefix = config_.strategyDirectoryPath;
    if (!usableDirectoryPrefix(prefix)) {
        return result;
    }
    std::string text;
    if (!readSmallFile(prefix + std::string(fileName), text)) {
        return result;
    }

    FormatScanner scanner(text);
    int fileType = 0;
    Region offside;
    scanner.skipSpace();
    if (!scanner.literal("Strategy File Type =") || !scanner.integer(fileType) ||
        !scanner.literal(" ") || !readRegion(scanner, "Offside Region =", offside)) {
        return result;
    }

    for (int block = 0; block < kMaxBlocks; ++block) {
        scanner.skipSpace();
        if (scanner.atEnd()) {
            break;
        }
        const std::size_t blockStart = scanner.position();
        PlayerBlock parsed;
        if (!readBlock(scanner, parsed)) {
            if (!skipToNextBlock(scanner, blockStart)) {
                break;
            }
            continue;
        }
        if (parsed.playerId.size() > kMaxPlayerIdLength ||
            parsed.playerId != config_.playerIdText) {
            continue;
        }
        // A home position off the field could never be taken: the move would be cut to the
        // field line and the player would keep walking towards a point it cannot reach.
        if (!validRegion(parsed.playerRegion) || !validRegion(offside) ||
            !validRegion(parsed.pressingRegion) || !onField(parsed.position.x, parsed.position.y)) {
            continue;
        }
        result.fileType = fileType;
        result.fileName = std::string(fileName);
        result.playerRegion = parsed.playerRegion;
        result.offsideRegion = offside;
        result.pressingRegion = parsed.pressingRegion;
        result.homePosition = parsed.position;
        break;
    }
    return result;
}

void StrategySet::reload() {
    records_.clear();
    const std::string& prefix = config_.strategyDirectoryPath;
    if (!usableDirectoryPrefix(prefix)) {
        return;
    }
    std::error_code error;
    std::filesystem::directory_iterator it(prefix.empty() ? "." : prefix, error);
    if (error) {
        return;
    }
    std::vector<std::string> names;
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.size() > kExtension.size() && name.ends_with(kExtension)) {
            names.push_back(std::move(name));
        }
    }
    // The listing has no fixed order; sorted names decide reproducibly which file wins.
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        Strategy strategy = loadFile(name);
        if (strategy.fileType != kStrategyRejected) {
            records_.push_back(std::move(strategy));
        }
    }
}

Formation StrategySet::selectFormation() const {
    const auto found = std::find_if(records_.begin(), records_.end(), [](const Strategy& s) {
        return s.fileType == kKickOffFormation;
    });
    if (found == records_.end()) {
        return kDefaultFormation;
    }
    return {found->homePosition, found->playerRegion, found->offsideRegion, found->pressingRegion};
}

Formation StrategySet::selectFormation(int fileType) const {
    const auto found =
        std::find_if(records_.begin(), records_.end(),
                     [fileType](const Strategy& s) { return s.fileType == fileType; });
    if (found == records_.end()) {
        return selectFormation();
    }
    return {found->homePosition, found->playerRegion, found->offsideRegion, found->pressingRegion};
}

}  // namespace zamo
