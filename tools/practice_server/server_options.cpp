#include "tools/practice_server/server_options.h"

#include <charconv>

namespace zamo::practice {

namespace {

std::optional<long long> wholeNumber(const std::string& text, long long least, long long most) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < least || value > most) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::string serverUsage() {
    return "usage: zamo-practice-server [options]\n"
           "A practice simulator for full matches on this machine (127.0.0.1 only).\n"
           "  --port N          UDP port for registrations (default 6000; 0 picks a free one)\n"
           "  --port-file FILE  write the port in use to FILE once listening\n"
           "  --half-cycles N   cycles of 100 ms per half (default 3000)\n"
           "  --halves N        number of halves (default 2)\n"
           "  --kickoff-wait N  cycles before kick-off after the last registration (default 50)\n"
           "  --seed N          seed of the server's chance (default 1)\n"
           "  --record FILE     write every datagram both ways with its cycle to FILE\n"
           "  --game-log FILE   write the match to FILE as a game log (text format ULG6) for\n"
           "                    replaying it, e.g. with ZamoMonitor FILE\n"
           "  --synch           synchronous mode: after each cycle's sensor messages every player\n"
           "                    is sent (think), and the next cycle starts as soon as all have\n"
           "                    answered (done) (at most 1.25 s later), so the match runs as fast\n"
           "                    as the players think; before the first kick-off cycles keep their\n"
           "                    100 ms so that players can register\n"
           "  --loss P          drop the fraction P (0 to 1) of the players' datagrams both ways,\n"
           "                    chosen by the seed; registration and its replies are never "
           "dropped\n"
           "  --delay MS        hold every datagram MS milliseconds (0 to 1000) both ways\n"
           "  --help            show this text\n"
           "It prints \"listening on N\", every goal and the final score, and exits after time "
           "over.\n";
}

std::optional<ServerOptions> parseServerOptions(const std::vector<std::string>& args,
                                                std::string& error) {
    ServerOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--help" || name == "-h") {
            o.help = true;
            continue;
        }
        if (name == "--synch") {
            o.host.synchronous = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = name.rfind("--", 0) == 0 ? "missing value for " + name
                                             : "unknown argument '" + name + "'";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        const auto whole = [&](long long least, long long most) {
            const auto v = wholeNumber(value, least, most);
            if (!v) {
                error = "bad value '" + value + "' for " + name + " (a whole number from " +
                        std::to_string(least) + " to " + std::to_string(most) + ")";
            }
            return v;
        };
        std::optional<long long> v;
        if (name == "--port") {
            if (!(v = whole(0, 65535))) {
                return std::nullopt;
            }
            o.port = static_cast<int>(*v);
        } else if (name == "--half-cycles") {
            if (!(v = whole(1, 1000000))) {
                return std::nullopt;
            }
            o.match.halfCycles = static_cast<int>(*v);
        } else if (name == "--halves") {
            if (!(v = whole(1, 100))) {
                return std::nullopt;
            }
            o.match.halves = static_cast<int>(*v);
        } else if (name == "--kickoff-wait") {
            if (!(v = whole(0, 100000))) {
                return std::nullopt;
            }
            o.match.kickOffWait = static_cast<int>(*v);
        } else if (name == "--seed") {
            if (!(v = whole(0, 9223372036854775807LL))) {
                return std::nullopt;
            }
            o.match.seed = static_cast<std::uint64_t>(*v);
        } else if (name == "--loss") {
            double loss = -1.0;
            const auto [end, failure] =
                std::from_chars(value.data(), value.data() + value.size(), loss);
            if (failure != std::errc() || end != value.data() + value.size() || !(loss >= 0.0) ||
                loss > 1.0) {
                error = "bad value '" + value + "' for --loss (a fraction from 0 to 1)";
                return std::nullopt;
            }
            o.host.loss = loss;
        } else if (name == "--delay") {
            if (!(v = whole(0, 1000))) {
                return std::nullopt;
            }
            o.host.delayMs = static_cast<int>(*v);
        } else if (name == "--record" || name == "--port-file" || name == "--game-log") {
            if (value.empty()) {
                error = "empty file name for " + name;
                return std::nullopt;
            }
            std::string& path = name == "--record"     ? o.recordPath
                                : name == "--game-log" ? o.gameLogPath
                                                       : o.portFile;
            path = value;
        } else {
            error = "unknown argument '" + name + "'";
            return std::nullopt;
        }
    }
    o.host.seed = o.match.seed;
    return o;
}

}  // namespace zamo::practice
