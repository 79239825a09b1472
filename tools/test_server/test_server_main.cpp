// Serves one agent (with --many, a whole team) on a free loopback port until interrupted, for
// trying agents by hand:
//   ZamoTestServer [--refuse|--silent] [--many] [--see-phase MS]
// prints the port to connect to, then every datagram it receives.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "tools/test_server/test_server.h"

namespace {
volatile std::sig_atomic_t interrupted = 0;
void onSignal(int) {
    interrupted = 1;
}
}  // namespace

int main(int argc, char** argv) {
    zamo::TestServerOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--refuse") {
            options.reply = zamo::RegistrationReply::kRefuse;
        } else if (argument == "--silent") {
            options.reply = zamo::RegistrationReply::kSilent;
        } else if (argument == "--many") {
            options.manyClients = true;
        } else if (argument == "--see-phase" && i + 1 < argc) {
            options.seePhaseMs = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: %s [--refuse|--silent] [--many] [--see-phase MS]\n",
                         argv[0]);
            return 2;
        }
    }
    zamo::TestServer server(options);
    if (!server.start()) {
        std::fprintf(stderr, "cannot bind a loopback port\n");
        return 1;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::printf("port %d\n", server.port());
    std::fflush(stdout);
    std::size_t shown = 0;
    while (!interrupted) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto received = server.received();
        for (; shown < received.size(); ++shown) {
            std::printf("%9.1f %5d %s\n", received[shown].arrivalMs, received[shown].senderPort,
                        received[shown].text.c_str());
        }
        std::fflush(stdout);
    }
    server.stop();
    return 0;
}
