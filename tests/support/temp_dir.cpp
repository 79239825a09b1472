#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace zamo::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zamo_test_XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
    }
}

TempDir::~TempDir() {
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

std::filesystem::path TempDir::write(const std::filesystem::path& name,
                                     std::string_view bytes) const {
    const std::filesystem::path file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}

}  // namespace zamo::test
