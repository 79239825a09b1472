#include "tools/practice_server/client_command.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace zamo::practice {

namespace {

// The items of a parenthesised list: words, and nested groups kept whole with their
// parentheses. Nothing when the parentheses do not balance.
std::optional<std::vector<std::string_view>> splitItems(std::string_view body) {
    std::vector<std::string_view> items;
    int depth = 0;
    std::size_t start = std::string_view::npos;
    for (std::size_t i = 0; i <= body.size(); ++i) {
        const char c = i < body.size() ? body[i] : ' ';
        if (depth == 0 && (c == ' ' || c == '\t')) {
            if (start != std::string_view::npos) {
                items.push_back(body.substr(start, i - start));
                start = std::string_view::npos;
            }
            continue;
        }
        if (start == std::string_view::npos) {
            start = i;
        }
        if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth < 0) {
            return std::nullopt;
        }
    }
    if (depth != 0) {
        return std::nullopt;
    }
    return items;
}

std::optional<double> number(std::string_view word) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

ClientCommand illegal() {
    return {};
}

}  // namespace

ClientCommand parseClientCommand(std::string_view text) {
    while (!text.empty() && (text.back() == '\0' || text.back() == '\n' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    if (text.size() < 2 || text.front() != '(' || text.back() != ')') {
        ClientCommand unknown;
        unknown.kind = CommandKind::kUnknown;
        return unknown;
    }
    const std::string_view body = text.substr(1, text.size() - 2);
    const std::size_t nameEnd = body.find(' ');
    const std::string_view name = body.substr(0, nameEnd);
    ClientCommand c;

    if (name == "say") {
        // The message is the rest of the text as it stands; parentheses inside are kept.
        if (nameEnd == std::string_view::npos) {
            return illegal();
        }
        std::string_view message = body.substr(nameEnd + 1);
        if (message.size() >= 2 && message.front() == '"' && message.back() == '"') {
            message = message.substr(1, message.size() - 2);
        }
        if (message.empty()) {
            return illegal();
        }
        c.kind = CommandKind::kSay;
        c.text = message;
        return c;
    }

    const auto split = splitItems(body);
    if (!split || split->empty()) {
        return illegal();
    }
    const std::vector<std::string_view> args(split->begin() + 1, split->end());
    // Reads the arguments as numbers into first and second; count must match one of the allowed.
    const auto numbers = [&](CommandKind kind, std::size_t least, std::size_t most) {
        if (args.size() < least || args.size() > most) {
            return illegal();
        }
        c.kind = kind;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const auto v = number(args[i]);
            if (!v) {
                return illegal();
            }
            (i == 0 ? c.first : c.second) = *v;
        }
        return c;
    };

    if (name == "dash") {
        return numbers(CommandKind::kDash, 1, 2);
    }
    if (name == "turn") {
        return numbers(CommandKind::kTurn, 1, 1);
    }
    if (name == "turn_neck") {
        return numbers(CommandKind::kTurnNeck, 1, 1);
    }
    if (name == "kick") {
        return numbers(CommandKind::kKick, 2, 2);
    }
    if (name == "catch") {
        return numbers(CommandKind::kCatch, 1, 1);
    }
    if (name == "move") {
        return numbers(CommandKind::kMove, 2, 2);
    }
    if (name == "tackle") {
        // A second argument (the foul flag of newer clients) is accepted and ignored.
        if (args.size() == 2 &&
            (args[1] == "on" || args[1] == "off" || args[1] == "true" || args[1] == "false")) {
            const auto power = number(args[0]);
            if (!power) {
                return illegal();
            }
            c.kind = CommandKind::kTackle;
            c.first = *power;
            return c;
        }
        return numbers(CommandKind::kTackle, 1, 1);
    }
    if (name == "score" || name == "bye" || name == "done") {
        if (!args.empty()) {
            return illegal();
        }
        c.kind = name == "score" ? CommandKind::kScore
                 : name == "bye" ? CommandKind::kBye
                                 : CommandKind::kDone;
        return c;
    }
    if (name == "change_view") {
        if (args.empty() || args.size() > 2) {
            return illegal();
        }
        static constexpr std::string_view kWidths[] = {"narrow", "normal", "wide"};
        c.viewWidth = -1;
        for (int w = 0; w < 3; ++w) {
            if (args[0] == kWidths[w]) {
                c.viewWidth = w;
            }
        }
        c.viewQuality =
            args.size() == 1 ? 1 : (args[1] == "high" ? 1 : (args[1] == "low" ? 0 : -1));
        if (c.viewWidth < 0 || c.viewQuality < 0) {
            return illegal();
        }
        c.kind = CommandKind::kChangeView;
        return c;
    }
    if (name == "pointto") {
        if (args.size() == 1 && args[0] == "off") {
            c.kind = CommandKind::kPointTo;
            return c;
        }
        return numbers(CommandKind::kPointTo, 2, 2);
    }
    if (name == "attentionto") {
        c.kind = CommandKind::kAttentionTo;
        if (args.size() == 1 && args[0] == "off") {
            return c;
        }
        if (args.size() != 2) {
            return illegal();
        }
        const auto n = number(args[1]);
        if (!n || *n < 1 || *n > 11 || *n != std::floor(*n)) {
            return illegal();
        }
        c.number = static_cast<int>(*n);
        if (args[0] == "our" || args[0] == "opp") {
            c.relativeSide = true;
            c.side = args[0] == "our" ? 'o' : 'p';
        } else if (args[0] == "l" || args[0] == "r" || args[0] == "left" || args[0] == "right") {
            c.side = args[0][0];
        } else {
            return illegal();
        }
        return c;
    }
    if (name == "init") {
        if (args.empty() || args[0].front() == '(') {
            return illegal();
        }
        c.kind = CommandKind::kInit;
        c.text = args[0];
        for (std::size_t i = 1; i < args.size(); ++i) {
            const auto group = splitItems(args[i].substr(1, args[i].size() - 2));
            if (args[i].front() != '(' || !group || group->empty()) {
                return illegal();
            }
            if ((*group)[0] == "goalie" && group->size() == 1) {
                c.goalie = true;
            } else if ((*group)[0] == "version" && group->size() == 2 && number((*group)[1])) {
                c.version = *number((*group)[1]);
            } else {
                return illegal();
            }
        }
        return c;
    }
    if (name == "reconnect") {
        const auto n = args.size() == 2 ? number(args[1]) : std::nullopt;
        if (!n || *n != std::floor(*n)) {
            return illegal();
        }
        c.kind = CommandKind::kReconnect;
        c.text = args[0];
        c.number = static_cast<int>(*n);
        return c;
    }
    return illegal();
}

}  // namespace zamo::practice
