#pragma once

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_data.h"

namespace zamo::test {

// The texts the server sent in a recorded session (tab-separated: time, direction, text) that
// start with prefix, in recorded order.
inline std::vector<std::string> receivedMessages(const std::string& file, std::string_view prefix) {
    std::vector<std::string> texts;
    std::ifstream in(dataPath(file));
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t first = line.find('\t');
        const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
        if (second == std::string::npos ||
            line.compare(first + 1, second - first - 1, "recv") != 0) {
            continue;
        }
        std::string text = line.substr(second + 1);
        if (text.starts_with(prefix)) {
            texts.push_back(std::move(text));
        }
    }
    return texts;
}

}  // namespace zamo::test
