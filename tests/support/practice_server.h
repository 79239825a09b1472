#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/agent_process.h"
#include "support/temp_dir.h"

namespace zamo::test {

inline const std::string kPracticeServerProgram =
    std::string(ZAMO_BINARY_DIR) + "/zamo-practice-server";

// Starts the practice server on a port of its choosing, with options besides; the port it
// listens on, or nothing if it wrote none into dir within five seconds.
std::optional<int> startPracticeServer(AgentProcess& server, const TempDir& dir,
                                       const std::vector<std::string>& options);

}  // namespace zamo::test
