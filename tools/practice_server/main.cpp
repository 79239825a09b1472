#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "agent/config/server_params.h"
#include "tools/practice_server/game_log_writer.h"
#include "tools/practice_server/match.h"
#include "tools/practice_server/messages.h"
#include "tools/practice_server/parameter_set.h"
#include "tools/practice_server/server_options.h"
#include "tools/practice_server/show_message.h"
#include "tools/practice_server/udp_host.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) {
    stopRequested = 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zamo::practice;
    std::string error;
    const auto options = parseServerOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "zamo-practice-server: " << error << " (try --help)\n";
        return 2;
    }
    if (options->help) {
        std::cout << serverUsage();
        return 0;
    }
    std::ofstream record;
    if (!options->recordPath.empty()) {
        record.open(options->recordPath);
        if (!record) {
            std::cerr << "zamo-practice-server: cannot write " << options->recordPath << '\n';
            return 1;
        }
    }
    // Interrupted, the server still closes its record and tells the score so far.
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    UdpHost host(options->host);
    if (!host.open(options->port, error)) {
        std::cerr << "zamo-practice-server: " << error << '\n';
        return 1;
    }
    if (!options->portFile.empty()) {
        // Written whole under another name first, so a reader never sees half a number.
        const std::string temporary = options->portFile + ".part";
        std::ofstream file(temporary);
        file << host.port() << '\n';
        file.close();
        if (!file || std::rename(temporary.c_str(), options->portFile.c_str()) != 0) {
            std::cerr << "zamo-practice-server: cannot write " << options->portFile << '\n';
            return 1;
        }
    }
    std::cout << "listening on " << host.port() << std::endl;
    host.setStopFlag(&stopRequested);

    zamo::ServerParams params = currentParameters(options->match.seed);
    params.synchMode = options->host.synchronous ? 1 : 0;
    Match match(params, options->match);
    GameLogWriter gameLog;
    if (!options->gameLogPath.empty()) {
        if (!gameLog.open(options->gameLogPath, parameterMessages(params, kAllParametersVersion),
                          error)) {
            std::cerr << "zamo-practice-server: " << error << '\n';
            return 1;
        }
        match.setGameLog(&gameLog);
    }
    const bool played = host.run(match, record.is_open() ? &record : nullptr, std::cout, error);
    ShowSnapshot end;
    end.time = match.time();
    end.mode = match.playMode();
    end.leftName = match.teamName(kLeft);
    end.rightName = match.teamName(kRight);
    end.leftScore = match.score(kLeft);
    end.rightScore = match.score(kRight);
    if (!gameLog.finish(end)) {
        std::cerr << "zamo-practice-server: writing " << options->gameLogPath << " failed\n";
        return 1;
    }
    if (!played) {
        std::cerr << "zamo-practice-server: " << error << '\n';
        return 1;
    }
    if (!match.finished()) {
        std::cout << "stopped at cycle " << match.time() << ": " << match.scoreLine() << std::endl;
        record.close();
        return 1;
    }
    if (record.is_open() && !record) {
        std::cerr << "zamo-practice-server: writing " << options->recordPath << " failed\n";
        return 1;
    }
    return 0;
}
