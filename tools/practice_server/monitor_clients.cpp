#include "tools/practice_server/monitor_clients.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace zamo::practice {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (blank(text.back()) || text.back() == '\0')) {
        text.remove_suffix(1);
    }
    return text;
}

bool eat(std::string_view& text, std::string_view word) {
    text = trimmed(text);
    if (!text.starts_with(word)) {
        return false;
    }
    text.remove_prefix(word.size());
    return true;
}

}  // namespace

std::optional<double> MonitorClients::introductionVersion(std::string_view text) {
    text = trimmed(text);
    if (!eat(text, "(") || !eat(text, "dispinit")) {
        return std::nullopt;
    }
    if (eat(text, ")")) {
        return trimmed(text).empty() ? std::optional<double>(1.0) : std::nullopt;
    }
    if (!eat(text, "version")) {
        return std::nullopt;
    }
    text = trimmed(text);
    double version = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), version);
    if (error != std::errc() || !std::isfinite(version)) {
        return std::nullopt;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    if (!eat(text, ")") || !trimmed(text).empty()) {
        return std::nullopt;
    }
    return version;
}

std::optional<int> MonitorClients::connectionOf(Peer peer) const {
    for (const MonitorClient& c : clients_) {
        if (c.peer == peer) {
            return c.connection;
        }
    }
    return std::nullopt;
}

void MonitorClients::add(int connection, Peer peer) {
    clients_.push_back({connection, peer});
}

const MonitorClient* MonitorClients::find(int connection) const {
    for (const MonitorClient& c : clients_) {
        if (c.connection == connection) {
            return &c;
        }
    }
    return nullptr;
}

void MonitorClients::remove(int connection) {
    std::erase_if(clients_, [&](const MonitorClient& c) { return c.connection == connection; });
}

}  // namespace zamo::practice
