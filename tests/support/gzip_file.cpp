#include "support/gzip_file.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace zamo::test {

std::string readGzipFile(const std::string& path) {
    std::string text;
    gzFile in = gzopen(path.c_str(), "rb");
    if (in == nullptr) {
        return text;
    }
    std::array<char, 65536> buffer;
    int n = 0;
    while ((n = gzread(in, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0) {
        text.append(buffer.data(), static_cast<std::size_t>(n));
    }
    gzclose(in);
    return text;
}

std::vector<std::string> receivedTexts(const std::string& sessionText) {
    std::vector<std::string> texts;
    std::size_t start = 0;
    while (start < sessionText.size()) {
        const std::size_t end = std::min(sessionText.find('\n', start), sessionText.size());
        const std::string_view line(sessionText.data() + start, end - start);
        const std::size_t tab = line.find("\trecv\t");
        if (tab != std::string_view::npos) {
            texts.emplace_back(line.substr(tab + 6));
        }
        start = end + 1;
    }
    return texts;
}

}  // namespace zamo::test
