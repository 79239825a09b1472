#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "launcher/launch_settings.h"

namespace zamo {

// Bytes of a line that count; the rest of a longer line is dropped, not read as a new line.
inline constexpr std::size_t kConfigLineLength = 255;
// Reading stops here: no launcher configuration comes near it, and a stray device or huge file
// must not keep the dialog from opening.
inline constexpr std::size_t kConfigFileLimit = 1U << 20U;

// Applies one line of the launcher's configuration (without its line feed): "key value", keys
// in any case, the value being the first word after the key. Comments ("#..."), lines without a
// word, unknown keys and a "wait_interval" without a number change nothing.
void applyManagerConfigLine(std::string_view line, LaunchSettings& settings);

// Reads the configuration file at `path` over `settings`; keys the file lacks keep their values.
// Returns false, changing nothing, when `path` is not a readable regular file.
bool readManagerConfig(const std::string& path, LaunchSettings& settings);

}  // namespace zamo
