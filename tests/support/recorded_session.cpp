#include "support/recorded_session.h"

#include <string_view>

namespace zamo::test {

std::vector<std::string> receivedTexts(const std::string& sessionText) {
    std::vector<std::string> texts;
    std::string_view rest(sessionText);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        const std::size_t tab = line.find("\trecv\t");
        if (tab != std::string_view::npos) {
            texts.emplace_back(line.substr(tab + 6));
        }
    }
    return texts;
}

}  // namespace zamo::test
