#include "tools/test_server/test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <utility>

namespace zamo {

namespace {

constexpr int kCycleMs = 100;
constexpr int kNormalSeeMs = 150;

int openLoopbackSocket(int* port) {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    *port = ntohs(address.sin_port);
    return fd;
}

std::string firstWord(const std::string& text) {
    if (text.empty() || text[0] != '(') {
        return {};
    }
    const auto end = text.find_first_of(" )", 1);
    return text.substr(1, end == std::string::npos ? std::string::npos : end - 1);
}

std::string widthWord(int width) {
    switch (width) {
        case 0:
            return "narrow";
        case 2:
            return "wide";
        default:
            return "normal";
    }
}

}  // namespace

TestServer::TestServer(TestServerOptions options) : options_(std::move(options)) {}

TestServer::~TestServer() {
    stop();
}

bool TestServer::start() {
    if (socket_ >= 0) {
        return true;
    }
    socket_ = openLoopbackSocket(&port_);
    if (socket_ < 0) {
        return false;
    }
    start_ = Clock::now();
    stop_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void TestServer::stop() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    closeClients();
    if (socket_ >= 0) {
        ::close(socket_);
        socket_ = -1;
    }
}

void TestServer::sendReferee(const std::string& word) {
    std::lock_guard lock(mutex_);
    pendingReferee_.push_back(word);
}

void TestServer::fallSilent() {
    silent_ = true;
}

std::vector<ReceivedDatagram> TestServer::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<SentDatagram> TestServer::sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

std::vector<ReceivedDatagram> TestServer::receivedStartingWith(const std::string& prefix) const {
    std::vector<ReceivedDatagram> result;
    std::lock_guard lock(mutex_);
    for (const auto& datagram : received_) {
        if (datagram.text.starts_with(prefix)) {
            result.push_back(datagram);
        }
    }
    return result;
}

int TestServer::sentCount(const std::string& prefix) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(sent_.begin(), sent_.end(), [&](const SentDatagram& d) {
        return d.text.starts_with(prefix);
    }));
}

double TestServer::elapsedMs() const {
    return std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
}

bool TestServer::waitUntil(const std::function<bool()>& predicate,
                           std::chrono::milliseconds timeout) const {
    const auto deadline = Clock::now() + timeout;
    while (!predicate()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void TestServer::run() {
    while (!stop_) {
        // Sleep at most until the next scheduled message, and never long enough to delay stop().
        int timeoutMs = 5;
        if (sessionRunning_) {
            const auto now = Clock::now();
            auto next = nextBody_;
            if (seeScheduled_) {
                next = std::min(next, nextSee_);
            }
            const auto untilNext =
                std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
            timeoutMs = static_cast<int>(std::clamp<long long>(untilNext, 0, 5));
        }
        pollSockets(timeoutMs);

        std::deque<std::string> referee;
        {
            std::lock_guard lock(mutex_);
            referee.swap(pendingReferee_);
        }
        if (!sessionRunning_ || silent_) {
            continue;
        }
        for (const auto& word : referee) {
            if (word == "play_on") {
                cycleRuns_ = true;
            } else if (word == "before_kick_off") {
                cycleRuns_ = false;
            }
            sendToClients("(hear " + std::to_string(cycle_) + " referee " + word + ")");
        }
        const auto now = Clock::now();
        if (now >= nextBody_) {
            sendBody();
            nextBody_ += std::chrono::milliseconds(kCycleMs);
        }
        if (seeScheduled_ && now >= nextSee_) {
            sendSee();
            seeSent_ = true;
            lastSee_ = nextSee_;
            nextSee_ = lastSee_ + std::chrono::microseconds(seeIntervalMs() * 1000);
        }
    }
}

void TestServer::pollSockets(int timeoutMs) {
    std::vector<pollfd> fds;
    fds.push_back({socket_, POLLIN, 0});
    for (const int client : clientSockets_) {
        fds.push_back({client, POLLIN, 0});
    }
    if (::poll(fds.data(), fds.size(), timeoutMs) <= 0) {
        return;
    }
    // Client sockets first: a registration may replace them, a "bye" only closes its own.
    for (std::size_t i = 1; i < fds.size(); ++i) {
        if (fds[i].revents & POLLIN) {
            receiveOn(fds[i].fd, true);
        }
    }
    if (fds[0].revents & POLLIN) {
        receiveOn(socket_, false);
    }
}

void TestServer::receiveOn(int socket, bool isClientSocket) {
    std::array<char, 8192> buffer{};
    sockaddr_in sender{};
    socklen_t senderLength = sizeof(sender);
    const ssize_t size = ::recvfrom(socket, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                    reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (size < 0) {
        return;
    }
    ReceivedDatagram datagram;
    datagram.size = static_cast<std::size_t>(size);
    datagram.text.assign(buffer.data(), std::find(buffer.data(), buffer.data() + size, '\0'));
    datagram.oneTrailingZero = size > 0 && buffer[size - 1] == '\0' &&
                               datagram.text.size() == static_cast<std::size_t>(size - 1);
    datagram.arrivalMs = elapsedMs();
    sockaddr_in local{};
    socklen_t localLength = sizeof(local);
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &localLength);
    datagram.localPort = ntohs(local.sin_port);
    datagram.senderPort = ntohs(sender.sin_port);
    {
        std::lock_guard lock(mutex_);
        received_.push_back(datagram);
    }
    if (isClientSocket) {
        handleClientCommand(datagram.text, socket);
    } else {
        handleRegistration(datagram.text, datagram.senderPort);
    }
}

void TestServer::handleRegistration(const std::string& text, int senderPort) {
    const std::string word = firstWord(text);
    if (word != "init" && word != "reconnect") {
        return;
    }
    agentPort_ = senderPort;
    if (options_.reply == RegistrationReply::kSilent) {
        return;
    }
    sockaddr_in client{};
    client.sin_family = AF_INET;
    client.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    client.sin_port = htons(static_cast<uint16_t>(senderPort));
    if (options_.reply == RegistrationReply::kRefuse) {
        const std::string refusal = word == "init" ? "(error no_more_team_or_player_or_goalie)"
                                                   : "(error no_such_team_or_player)";
        const std::string wire = refusal + '\0';
        ::sendto(socket_, wire.data(), wire.size(), 0, reinterpret_cast<sockaddr*>(&client),
                 sizeof(client));
        std::lock_guard lock(mutex_);
        sent_.push_back({refusal, elapsedMs()});
        return;
    }

    // A new session is served from a fresh port, aimed at the client.
    if (!options_.manyClients) {
        closeClients();
    }
    int port = 0;
    const int clientSocket = openLoopbackSocket(&port);
    if (clientSocket < 0) {
        return;
    }
    clientSockets_.push_back(clientSocket);
    ::connect(clientSocket, reinterpret_cast<sockaddr*>(&client), sizeof(client));
    clientPort_ = port;
    cycleRuns_ = options_.playMode != "before_kick_off";
    viewWidth_ = 1;
    moveCount_ = 0;
    playerX_ = options_.playerX;
    playerY_ = options_.playerY;
    changeViewCount_ = 0;
    bodiesSent_ = 0;
    if (word == "init") {
        const int number = options_.uniformNumber + (options_.manyClients ? initCount_ : 0);
        ++initCount_;
        sendTo(clientSocket, std::string("(init ") + options_.side + ' ' + std::to_string(number) +
                                 ' ' + options_.playMode + ')');
    } else {
        sendTo(clientSocket,
               std::string("(reconnect ") + options_.side + ' ' + options_.playMode + ')');
    }
    if (options_.sendParameters) {
        sendTo(clientSocket, "(server_param (audio_cut_dist 50)(auto_mode 1)(back_passes 1))");
        sendTo(clientSocket, "(player_param (player_types 18)(pt_max 1)(random_seed -1))");
        sendTo(clientSocket, "(player_type (id 0)(player_speed_max 1.05)(stamina_inc_max 45))");
    }
    const auto now = Clock::now();
    nextBody_ = now + std::chrono::milliseconds(options_.firstBodyDelayMs);
    nextSee_ = nextBody_ + std::chrono::milliseconds(options_.seePhaseMs);
    seeScheduled_ = options_.sendSee;
    sessionRunning_ = true;
}

void TestServer::handleClientCommand(const std::string& text, int socket) {
    const std::string word = firstWord(text);
    if (word == "bye") {
        if (options_.manyClients) {
            ::close(socket);
            std::erase(clientSockets_, socket);
            sessionRunning_ = !clientSockets_.empty();
        } else {
            sessionRunning_ = false;
        }
        return;
    }
    if (word == "move") {
        ++moveCount_;
        double x = 0.0;
        double y = 0.0;
        if (std::sscanf(text.c_str(), "(move %lf %lf)", &x, &y) == 2) {
            playerX_ = x;
            playerY_ = y;
        }
        return;
    }
    if (word != "change_view") {
        return;
    }
    char width[16] = {};
    char quality[16] = {};
    if (std::sscanf(text.c_str(), "(change_view %15s %15[^)]", width, quality) != 2) {
        return;
    }
    const std::string widthText = width;
    const int newWidth = widthText == "narrow" ? 0 : widthText == "wide" ? 2 : 1;
    ++changeViewCount_;
    if (newWidth == viewWidth_) {
        return;
    }
    viewWidth_ = newWidth;
    // The next visual message follows the last one at the new interval.
    if (seeScheduled_ && seeSent_) {
        nextSee_ = lastSee_ + std::chrono::microseconds(seeIntervalMs() * 1000);
    }
}

void TestServer::sendTo(int socket, const std::string& text) {
    const std::string wire = text + '\0';
    ::send(socket, wire.data(), wire.size(), 0);
    std::lock_guard lock(mutex_);
    sent_.push_back({text, elapsedMs()});
}

void TestServer::sendToClients(const std::string& text) {
    const std::string wire = text + '\0';
    for (const int client : clientSockets_) {
        ::send(client, wire.data(), wire.size(), 0);
    }
    std::lock_guard lock(mutex_);
    sent_.push_back({text, elapsedMs()});
}

void TestServer::sendBody() {
    if (cycleRuns_ && bodiesSent_ > 0) {
        ++cycle_;
    }
    ++bodiesSent_;
    sendToClients(
        "(sense_body " + std::to_string(cycle_) + " (view_mode high " + widthWord(viewWidth_) +
        ") (stamina 8000 1) (speed 0 0) (head_angle 0) (kick 0) (dash 0) (turn 0) (say 0)"
        " (turn_neck 0) (catch 0) (move " +
        std::to_string(moveCount_) + ") (change_view " + std::to_string(changeViewCount_) +
        ") (arm (movable 0) (expires 0) (target 0 0) (count 0)) (focus (target none)"
        " (count 0)) (tackle (expires 0) (count 0)))");
}

void TestServer::sendSee() {
    if (options_.seeFromPlayer) {
        sendToClients("(see " + std::to_string(cycle_) + seenFromPlayer() + ")");
        return;
    }
    sendToClients("(see " + std::to_string(cycle_) +
                  " ((f c) 10.5 -20) ((g r) 60.1 -5) ((b) 3.2 5 0.1 -2) ((l r) 20 -80))");
}

std::string TestServer::seenFromPlayer() const {
    struct Seen {
        const char* name;
        double x;
        double y;
        bool moving;  // carries distance and direction changes, like the ball
    };
    const std::array<Seen, 8> objects{{{"(f c)", 0.0, 0.0, false},
                                       {"(f c t)", 0.0, -34.0, false},
                                       {"(f c b)", 0.0, 34.0, false},
                                       {"(f p r c)", 36.0, 0.0, false},
                                       {"(f r t)", 52.5, -34.0, false},
                                       {"(f r b)", 52.5, 34.0, false},
                                       {"(g r)", 52.5, 0.0, false},
                                       {"(b)", options_.ballX, options_.ballY, true}}};
    std::string text;
    char item[96];
    for (const Seen& object : objects) {
        const double dx = object.x - playerX_;
        const double dy = object.y - playerY_;
        const double direction = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
        std::snprintf(item, sizeof(item), object.moving ? " (%s %.1f %d 0 0)" : " (%s %.1f %d)",
                      object.name, std::hypot(dx, dy), static_cast<int>(std::lround(direction)));
        text += item;
    }
    // Facing +x the right line lies straight ahead, at a right angle to the line of sight.
    std::snprintf(item, sizeof(item), " ((l r) %.1f 90)", 52.5 - playerX_);
    text += item;
    return text;
}

int TestServer::seeIntervalMs() const {
    switch (viewWidth_) {
        case 0:
            return kNormalSeeMs / 2;
        case 2:
            return kNormalSeeMs * 2;
        default:
            return kNormalSeeMs;
    }
}

void TestServer::closeClients() {
    for (const int client : clientSockets_) {
        ::close(client);
    }
    clientSockets_.clear();
    sessionRunning_ = false;
    seeScheduled_ = false;
    seeSent_ = false;
}

}  // namespace zamo
