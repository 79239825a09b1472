#pragma once

#include <string>
#include <vector>

namespace zamo::test {

// The whole text of a gzip-compressed (or plain) file; empty when it cannot be read.
std::string readGzipFile(const std::string& path);

// The texts a recorded session received from the server (the lines "ms\trecv\ttext"), in order.
std::vector<std::string> receivedTexts(const std::string& sessionText);

}  // namespace zamo::test
