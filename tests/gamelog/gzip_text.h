#pragma once

#include <zlib.h>

#include <string>

namespace zamo::test {

// The whole text of a file, gzip-compressed or plain; empty when it cannot be read.
inline std::string gzipText(const std::string& path) {
    std::string text;
    gzFile in = gzopen(path.c_str(), "rb");
    if (in == nullptr) {
        return text;
    }
    char buffer[1 << 16];
    int read = 0;
    while ((read = gzread(in, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(read));
    }
    gzclose(in);
    return text;
}

}  // namespace zamo::test
