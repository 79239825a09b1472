#pragma once

#include <string>

namespace zamo::test {

// Absolute path of a fixture file under tests/data.
inline std::string dataPath(const std::string& name) {
    return std::string(ZAMO_TEST_DATA_DIR) + "/" + name;
}

}  // namespace zamo::test
