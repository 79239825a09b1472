#pragma once

#include <filesystem>
#include <string_view>

namespace zamo::test {

// A fresh directory under the system's temporary directory, removed with its contents.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes the bytes exactly (binary) to a file in the directory and returns its path.
    std::filesystem::path write(const std::filesystem::path& name, std::string_view bytes) const;

  private:
    std::filesystem::path path_;
};

}  // namespace zamo::test
