#include "monitor/monitor_options.h"

#include <charconv>
#include <limits>

namespace zamo::monitor {

namespace {

std::optional<long long> wholeNumber(std::string_view text, long long least, long long most) {
    long long value = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (problem != std::errc() || end != text.data() + text.size() || value < least ||
        value > most) {
        return std::nullopt;
    }
    return value;
}

// "WxH", each side within the picture limits.
bool parseSize(std::string_view text, int& width, int& height) {
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos) {
        return false;
    }
    const auto w = wholeNumber(text.substr(0, x), kMinPictureSide, kMaxPictureSide);
    const auto h = wholeNumber(text.substr(x + 1), kMinPictureSide, kMaxPictureSide);
    if (!w || !h) {
        return false;
    }
    width = static_cast<int>(*w);
    height = static_cast<int>(*h);
    return true;
}

}  // namespace

std::optional<MonitorOptions> parseMonitorOptions(std::span<const std::string_view> args,
                                                  std::string& error) {
    MonitorOptions o;
    bool hostGiven = false;
    bool portGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> value;
        if (name.starts_with("--")) {
            if (const std::size_t equals = name.find('='); equals != std::string_view::npos) {
                value = name.substr(equals + 1);
                name = name.substr(0, equals);
            }
        } else if (!name.empty() && name != "-") {
            if (!o.logPath.empty()) {
                error = "more than one game log given ('" + o.logPath.string() + "' and '" +
                        std::string(name) + "')";
                return std::nullopt;
            }
            o.logPath = std::filesystem::path(name);
            continue;
        }
        const auto flag = [&](bool& target) {
            if (value) {
                error = "option " + std::string(name) + " takes no value";
                return false;
            }
            target = true;
            return true;
        };
        if (name == "--help" || name == "-h") {
            if (!flag(o.help)) {
                return std::nullopt;
            }
            continue;
        }
        if (name == "--view-cones") {
            if (!flag(o.viewCones)) {
                return std::nullopt;
            }
            continue;
        }
        if (name == "--stamina") {
            if (!flag(o.stamina)) {
                return std::nullopt;
            }
            continue;
        }
        const bool known = name == "--host" || name == "--port" || name == "--cycle" ||
                           name == "--screenshot" || name == "--size" || name == "--wait";
        if (!known) {
            error = "unknown argument '" + std::string(name.substr(0, 64)) + "'";
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                error = "option " + std::string(name) + " needs a value";
                return std::nullopt;
            }
            value = args[++i];
        }
        const auto bad = [&](const std::string& what) {
            error = "bad value '" + std::string(value->substr(0, 64)) + "' for " +
                    std::string(name) + " (" + what + ")";
            return std::nullopt;
        };
        if (name == "--host") {
            if (value->empty() || value->size() > 253 ||
                value->find_first_of(" \t/") != std::string_view::npos) {
                return bad("a host name or IPv4 address");
            }
            o.host = std::string(*value);
            hostGiven = true;
        } else if (name == "--port") {
            const auto port = wholeNumber(*value, 1, 65535);
            if (!port) {
                return bad("a port from 1 to 65535");
            }
            o.port = static_cast<int>(*port);
            portGiven = true;
        } else if (name == "--cycle") {
            const auto cycle = wholeNumber(*value, 0, std::numeric_limits<int>::max());
            if (!cycle) {
                return bad("a cycle number, 0 or more");
            }
            o.cycle = static_cast<int>(*cycle);
        } else if (name == "--screenshot") {
            if (value->empty()) {
                return bad("a file name");
            }
            o.screenshotPath = std::filesystem::path(*value);
        } else if (name == "--size") {
            if (!parseSize(*value, o.width, o.height)) {
                return bad("WIDTHxHEIGHT, each from " + std::to_string(kMinPictureSide) + " to " +
                           std::to_string(kMaxPictureSide));
            }
        } else {
            const auto seconds = wholeNumber(*value, 1, 3600);
            if (!seconds) {
                return bad("seconds from 1 to 3600");
            }
            o.waitSeconds = static_cast<int>(*seconds);
        }
    }
    if (o.help) {
        return o;
    }
    if (o.replay() && (hostGiven || portGiven)) {
        error = "--host and --port are for watching a server, not for replaying a game log";
        return std::nullopt;
    }
    if (o.replay() && !o.screenshotPath.empty() && !o.cycle) {
        error = "--screenshot of a game log needs --cycle N";
        return std::nullopt;
    }
    return o;
}

std::string_view monitorUsage() {
    return "Usage: ZamoMonitor [--host HOST] [--port PORT] [options]\n"
           "       ZamoMonitor FILE.rcg[.gz] [--cycle N] [options]\n"
           "       ZamoMonitor FILE.rcg[.gz] --cycle N --screenshot OUT.png [--size WxH]\n"
           "\n"
           "Watches a RoboCup 2D soccer match: live from a simulator server, or replayed from\n"
           "the game log the server wrote (text formats ULG5 and ULG6, plain or gzip).\n"
           "\n"
           "Live:\n"
           "  --host HOST         the server's host name or IPv4 address (default 127.0.0.1)\n"
           "  --port PORT         the server's player port (default 6000)\n"
           "  The monitor connects with (dispinit version 5), reconnects by itself when the\n"
           "  server starts later or restarts, and says (dispbye) when it closes. \"Kick off\"\n"
           "  starts the match on a server that waits for it.\n"
           "\n"
           "Replay keys (as in a video player):\n"
           "  Space or K          play / pause\n"
           "  Right, Left         one cycle forward, back (also . and ,)\n"
           "  L, J                10 s (100 cycles) forward, back (also Shift+Right/Left)\n"
           "  Home, End           first, last cycle\n"
           "  + or ], - or [      faster, slower (1x, 2x, 4x, 8x)\n"
           "  V, S                view cones, stamina bars on or off (also live)\n"
           "  Q or Ctrl+Q         quit\n"
           "\n"
           "Options:\n"
           "  --cycle N           start the replay at cycle N\n"
           "  --screenshot OUT    write a PNG picture and end instead of opening a window; no\n"
           "                      display is needed. Of a game log: the frame of --cycle N.\n"
           "                      Live: the first frame of cycle N or later (N defaults to 0),\n"
           "                      waiting at most --wait seconds for it\n"
           "  --size WxH          size of that picture in pixels (default 1150x830)\n"
           "  --wait SECONDS      see --screenshot (default 60)\n"
           "  --view-cones        draw every player's view cone from the start\n"
           "  --stamina           draw every player's stamina bar from the start\n"
           "  --help              print this text\n"
           "\n"
           "Exit status: 0 when done, 1 when the log cannot be read, the cycle is not in it, or\n"
           "the picture cannot be written or had, 2 for bad arguments.\n";
}

}  // namespace zamo::monitor
