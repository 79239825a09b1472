// The launcher's command-line switches, read into fixed-width fields.
#include "agent/config/launch_arguments.h"

#include <array>
#include <cstddef>
#include <string>

namespace zamo {
namespace {

struct SwitchField {
    std::string_view name;
    std::string LaunchArguments::*field;
    std::size_t width;
};

constexpr std::array<SwitchField, 6> kSwitches{{
    {"team_name", &LaunchArguments::teamName, kTeamNameArgWidth},
    {"player_id", &LaunchArguments::playerId, kPlayerIdArgWidth},
    {"server_ip", &LaunchArguments::serverIp, kServerIpArgWidth},
    {"server_port", &LaunchArguments::serverPort, kServerPortArgWidth},
    {"server_version", &LaunchArguments::serverVersion, kServerVersionArgWidth},
    {"zamo_conf_path", &LaunchArguments::confPath, kConfPathArgWidth},
}};

const SwitchField* findSwitch(std::string_view name) {
    for (const SwitchField& entry : kSwitches) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

// The text form's scanner. Its state lives across calls to feed() so that the pieces of a
// command line given as several arguments scan exactly like one joined line.
class TextFormScanner {
  public:
    explicit TextFormScanner(LaunchArguments& arguments) : arguments_(arguments) {}

    void feed(std::string_view text) {
        for (const char c : text) {
            if (c == ' ') {
                position_ = 0;
            } else if (c == '/') {
                readingName_ = !readingName_;
                position_ = 0;
                if (!readingName_) {
                    current_ = findSwitch(std::string_view(name_.data(), nameLength_));
                }
            } else if (readingName_) {
                // The name is terminated after each character written; characters past the
                // buffer are dropped, which leaves a name that matches no switch.
                if (position_ < kSwitchNameWidth) {
                    name_[position_] = c;
                    nameLength_ = position_ + 1;
                }
                ++position_;
            } else {
                if (current_ != nullptr && position_ < current_->width) {
                    std::string& field = arguments_.*(current_->field);
                    field.resize(position_);
                    field.push_back(c);
                }
                ++position_;
            }
        }
    }

  private:
    LaunchArguments& arguments_;
    std::array<char, kSwitchNameWidth> name_{};
    std::size_t nameLength_ = 0;
    const SwitchField* current_ = nullptr;  // the switch named by name_, found when values start
    std::size_t position_ = 0;
    bool readingName_ = false;
};

void setVerbatim(LaunchArguments& arguments, const SwitchField& entry, std::string_view value) {
    arguments.*(entry.field) = std::string(value.substr(0, entry.width));
}

}  // namespace

LaunchArguments parseCommandLine(std::string_view text) {
    LaunchArguments arguments;
    TextFormScanner scanner(arguments);
    scanner.feed(text);
    return arguments;
}

CommandLine parseArguments(std::span<const std::string_view> args) {
    CommandLine result;
    TextFormScanner scanner(result.arguments);
    bool firstTextPiece = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!arg.starts_with("--")) {
            if (!firstTextPiece) {
                scanner.feed(" ");
            }
            scanner.feed(arg);
            firstTextPiece = false;
            continue;
        }
        const std::string_view body = arg.substr(2);
        const std::size_t equals = body.find('=');
        const std::string_view name = body.substr(0, equals);
        if (const SwitchField* entry = findSwitch(name)) {
            if (equals != std::string_view::npos) {
                setVerbatim(result.arguments, *entry, body.substr(equals + 1));
            } else if (i + 1 < args.size()) {
                setVerbatim(result.arguments, *entry, args[++i]);
            } else {
                result.error = "option --" + std::string(name) + " needs a value";
                return result;
            }
            continue;
        }
        if (name == "stats") {
            std::string_view value;
            if (equals != std::string_view::npos) {
                value = body.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            }
            if (value.empty()) {
                result.error = "option --stats needs a file name";
                return result;
            }
            if (value.size() > kStatsPathMaxLength) {
                result.error = "option --stats: the file name is longer than " +
                               std::to_string(kStatsPathMaxLength) + " characters";
                return result;
            }
            result.statsPath = std::string(value);
            continue;
        }
        bool* flag = nullptr;
        if (name == "headless") {
            flag = &result.headless;
        } else if (name == "minimized") {
            flag = &result.minimized;
        } else if (name == "help") {
            flag = &result.help;
        } else if (name == "verbose") {
            flag = &result.verbose;
        } else if (name == "draw") {
            flag = &result.draw;
        }
        if (flag == nullptr) {
            result.error = "unknown option " + std::string(arg.substr(0, 64)) + " (see --help)";
            return result;
        }
        if (equals != std::string_view::npos) {
            result.error = "option --" + std::string(name) + " takes no value";
            return result;
        }
        *flag = true;
    }
    return result;
}

std::string_view commandLineUsage() {
    return "Usage: ZamoSoccer [options] [/switch /value ...]\n"
           "\n"
           "ZamoSoccer is one player of a RoboCup 2D soccer team. It connects to the simulator\n"
           "server over UDP and plays until the server stops sending.\n"
           "\n"
           "Switches (each as --switch value or --switch=value, taken verbatim):\n"
           "  --team_name NAME        team name (at most 16 characters; default Zamo_Left)\n"
           "  --player_id ID          selects this player's section of the configuration file\n"
           "                          (at most 15 characters; default 11)\n"
           "  --server_ip HOST        server host name or dotted IPv4 address\n"
           "                          (at most 15 characters; default 127.0.0.1)\n"
           "  --server_port PORT      server UDP port (default 6000)\n"
           "  --server_version VER    protocol version sent at registration (default 9.35)\n"
           "  --zamo_conf_path PATH   configuration file (at most 255 characters;\n"
           "                          default: zamo_soccer.conf in the working directory)\n"
           "Longer values are cut to the width given.\n"
           "\n"
           "Options:\n"
           "  --headless              run without a window (no window library is loaded);\n"
           "                          exit status 0 after play,\n"
           "                          1 when the automatic connection fails\n"
           "  --minimized             start with the window minimized\n"
           "  --draw                  draw the world model in the window from the start\n"
           "                          (without it the window stays white until the\n"
           "                          drawing is switched on in its menu)\n"
           "  --verbose               print what the agent does (connecting, play, ending)\n"
           "                          on the standard error stream, with the cycle and the\n"
           "                          score every 50 cycles\n"
           "  --stats FILE            at exit write the think loop's figures to FILE, one\n"
           "                          \"key value\" line each: cycles_played,\n"
           "                          think_latency_p50_us, think_latency_p99_us,\n"
           "                          think_latency_max_us (time of one decision pass),\n"
           "                          think_cpu_p99_us, think_cpu_max_us (its processor\n"
           "                          time),\n"
           "                          cycles_without_body_command, late_commands (sent\n"
           "                          after the next cycle had begun), reaction_p50_us,\n"
           "                          reaction_p99_us, reaction_max_us (from the datagram\n"
           "                          that completed the cycle to the decision's first\n"
           "                          command on the wire), late_cycles (cycles whose\n"
           "                          commands left after the server's next cycle began)\n"
           "  --help                  print this text and exit\n"
           "\n"
           "The same switches are also accepted in the form /switch /value, for example\n"
           "  ZamoSoccer /team_name /Zamo_Right /player_id /1\n"
           "in that form a value cannot contain a blank or a \"/\".\n"
           "\n"
           "A server in synchronous mode (server::synch_mode=true) is followed by itself: the\n"
           "player decides as soon as the server says (think) and answers (done) after its\n"
           "commands, so the match runs as fast as the players think.\n";
}

}  // namespace zamo
