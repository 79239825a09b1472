// What both player programs do with their arguments before anything else.
#include "agent/runtime/program_start.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace zamo {

CommandLine readCommandLine(int argc, char** argv) {
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    return parseArguments(args);
}

std::optional<int> checkStartArguments(const CommandLine& commandLine) {
    if (commandLine.help) {
        const std::string_view usage = commandLineUsage();
        std::fwrite(usage.data(), 1, usage.size(), stdout);
        return 0;
    }
    if (!commandLine.error.empty()) {
        std::fprintf(stderr, "ZamoSoccer: %s\n", commandLine.error.c_str());
        return 2;
    }
    if (!commandLine.statsPath.empty()) {
        std::FILE* probe = std::fopen(commandLine.statsPath.c_str(), "a");
        if (probe == nullptr) {
            std::fprintf(stderr, "ZamoSoccer: cannot write the statistics file %s\n",
                         commandLine.statsPath.c_str());
            return 2;
        }
        std::fclose(probe);
    }
    return std::nullopt;
}

}  // namespace zamo
