#pragma once

#include <string>
#include <vector>

namespace zamo::test {

// The texts a recorded session received from the server (its lines "ms\trecv\ttext"), in order.
std::vector<std::string> receivedTexts(const std::string& sessionText);

}  // namespace zamo::test
