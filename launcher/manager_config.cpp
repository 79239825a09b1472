#include "launcher/manager_config.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <limits>

namespace zamo {

namespace {

struct TextKey {
    std::string_view name;
    std::string LaunchSettings::*field;
    std::size_t length;
};

constexpr std::array<TextKey, 8> kTextKeys{{
    {"team_name", &LaunchSettings::teamName, kShortFieldLength},
    {"server_ip", &LaunchSettings::serverIp, kShortFieldLength},
    {"server_port", &LaunchSettings::serverPort, kShortFieldLength},
    {"server_version", &LaunchSettings::serverVersion, kShortFieldLength},
    {"monitor_path", &LaunchSettings::monitorPath, kPathFieldLength},
    {"server_path", &LaunchSettings::serverPath, kPathFieldLength},
    {"zamo_path", &LaunchSettings::agentPath, kPathFieldLength},
    {"zamo_conf_path", &LaunchSettings::agentConfPath, kPathFieldLength},
}};

constexpr std::string_view kWaitIntervalKey = "wait_interval";

// The blanks of the C locale, which separate words in the file.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// The first word of `text`; `end` receives the index just past it.
std::string_view firstWord(std::string_view text, std::size_t& end) {
    std::size_t begin = 0;
    while (begin < text.size() && isBlank(text[begin])) {
        ++begin;
    }
    end = begin;
    while (end < text.size() && !isBlank(text[end])) {
        ++end;
    }
    return text.substr(begin, end - begin);
}

// A leading decimal integer, blanks and a sign allowed before it; numbers too large for any
// pause become the extreme of their sign.
bool readInteger(std::string_view text, long long& value) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !isDigit(text[i])) {
        return false;
    }
    std::size_t end = i;
    while (end < text.size() && isDigit(text[end])) {
        ++end;
    }
    unsigned long long magnitude = 0;
    const auto [ptr, error] = std::from_chars(text.data() + i, text.data() + end, magnitude);
    static_cast<void>(ptr);
    constexpr auto kLargest =
        static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (error == std::errc::result_out_of_range || magnitude > kLargest) {
        magnitude = kLargest;
    }
    value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

}  // namespace

void applyManagerConfigLine(std::string_view line, LaunchSettings& settings) {
    if (line.empty() || line.front() == '#') {
        return;
    }
    std::size_t keyEnd = 0;
    const std::string_view key = firstWord(line, keyEnd);
    if (key.empty()) {
        return;
    }
    // The value follows the key itself, so an indented key still finds its own value.
    const std::string_view rest = line.substr(keyEnd);
    if (equalsIgnoringCase(key, kWaitIntervalKey)) {
        long long milliseconds = 0;
        if (readInteger(rest, milliseconds)) {
            settings.waitInterval = clampWaitInterval(milliseconds);
        }
        return;
    }
    for (const TextKey& textKey : kTextKeys) {
        if (equalsIgnoringCase(key, textKey.name)) {
            std::size_t valueEnd = 0;
            const std::string_view value = firstWord(rest, valueEnd);
            if (!value.empty()) {
                settings.*textKey.field = cutToField(value, textKey.length);
            }
            return;
        }
    }
}

bool readManagerConfig(const std::string& path, LaunchSettings& settings) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::streambuf& input = *file.rdbuf();
    std::string line;
    line.reserve(kConfigLineLength);
    // A NUL ends a line's text as it would in a C string; the line itself ends at the line feed.
    bool lineCut = false;
    for (std::size_t count = 0; count < kConfigFileLimit; ++count) {
        const int next = input.sbumpc();
        if (next == std::char_traits<char>::eof()) {
            break;
        }
        const char c = static_cast<char>(next);
        if (c == '\n') {
            applyManagerConfigLine(line, settings);
            line.clear();
            lineCut = false;
        } else if (c == '\0') {
            lineCut = true;
        } else if (!lineCut && line.size() < kConfigLineLength) {
            line += c;
        }
    }
    applyManagerConfigLine(line, settings);
    return true;
}

}  // namespace zamo
