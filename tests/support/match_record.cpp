#include "support/match_record.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace zamo::test {

namespace {

// The word after "(playmode N " or " referee ", without its closing parenthesis.
std::string wordAt(const std::string& text, std::size_t at) {
    const std::string word = text.substr(at);
    return word.substr(0, word.find(')'));
}

}  // namespace

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::map<int, Point> readHomePositions(const std::filesystem::path& path) {
    std::map<int, Point> homes;
    std::ifstream in(path);
    std::string line;
    int id = 0;
    while (std::getline(in, line)) {
        Point p;
        if (std::sscanf(line.c_str(), "Player ID = %d", &id) == 1) {
            continue;
        }
        if (std::sscanf(line.c_str(), "Player Position = %lf %lf", &p.x, &p.y) == 2) {
            homes[id] = p;
        }
    }
    return homes;
}

std::vector<RecordLine> readRecordLines(const std::filesystem::path& path) {
    std::vector<RecordLine> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (int i = 0; i < 4; ++i) {
            const auto tab = line.find('\t', start);
            if (tab == std::string::npos) {
                break;
            }
            fields.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        if (fields.size() == 4) {
            lines.push_back(
                {std::stoi(fields[0]), fields[2], std::stoi(fields[3]), line.substr(start)});
        }
    }
    return lines;
}

MatchRecord analysePracticeRecord(const std::vector<RecordLine>& lines) {
    MatchRecord record;
    for (const RecordLine& line : lines) {
        const std::string& text = line.text;
        if (line.direction == "in") {
            Point move;
            if (text.starts_with("(init ")) {
                Registration& client = record.clients[line.port];
                client.team = text.substr(6, text.find(' ', 6) - 6);
                client.goalie = text.find("(goalie)") != std::string::npos;
            } else if (!record.kickedOff &&
                       std::sscanf(text.c_str(), "(move %lf %lf)", &move.x, &move.y) == 2) {
                // Moves are given in the player's own frame.
                record.placeAtKickOff[line.port] = move;
            }
            continue;
        }
        if (line.direction != "out") {
            continue;
        }
        char side = '?';
        int number = 0;
        int kicks = 0;
        if (std::sscanf(text.c_str(), "(init %c %d", &side, &number) == 2) {
            record.clients[line.port].side = side;
            record.clients[line.port].number = number;
        } else if (const auto kickOff = text.find("referee kick_off_");
                   kickOff != std::string::npos) {
            if (!record.kickedOff) {
                record.kickOffSide = text[kickOff + 17];
            }
            record.kickedOff = true;
        } else if (const auto referee = text.find(" referee "); referee != std::string::npos) {
            if (record.kickedOff && record.modeAfterKickOff.empty()) {
                record.modeAfterKickOff = wordAt(text, referee + 9);
            }
        } else if (text.starts_with("(sense_body ")) {
            const auto at = text.find("(kick ");
            if (at != std::string::npos &&
                std::sscanf(text.c_str() + at, "(kick %d", &kicks) == 1) {
                record.kicks[line.port] = kicks;
            }
        }
    }
    return record;
}

namespace {

// One player of a "(show ...)" line of the game log.
struct ShownPlayer {
    char side = '?';
    int number = 0;
    unsigned state = 0;  // 0: no player in this place; 0x8: the goalie
    Point place;         // in the simulator's frame
    int kicks = 0;
};

std::vector<ShownPlayer> shownPlayers(const std::string& show) {
    std::vector<ShownPlayer> players;
    for (std::size_t at = show.find("(("); at != std::string::npos; at = show.find("((", at + 2)) {
        ShownPlayer p;
        if (std::sscanf(show.c_str() + at, "((%c %d) %*d %x %lf %lf", &p.side, &p.number, &p.state,
                        &p.place.x, &p.place.y) != 5 ||
            p.state == 0) {
            continue;
        }
        const auto counts = show.find("(c ", at);
        if (counts != std::string::npos) {
            std::sscanf(show.c_str() + counts, "(c %d", &p.kicks);
        }
        players.push_back(p);
    }
    return players;
}

int keyOf(const ShownPlayer& p) {
    return (p.side == 'l' ? 100 : 200) + p.number;
}

}  // namespace

std::map<int, Point> placesOfShow(const std::string& show) {
    std::map<int, Point> places;
    for (const ShownPlayer& p : shownPlayers(show)) {
        // The right side attacks towards -x of the simulator's frame.
        places[keyOf(p)] = p.side == 'l' ? p.place : Point{-p.place.x, -p.place.y};
    }
    return places;
}

MatchRecord analyseGameLog(const std::filesystem::path& path) {
    MatchRecord record;
    std::ifstream in(path);
    std::string line;
    std::string teams[2];
    std::string lastShow;
    while (std::getline(in, line)) {
        char left[32] = {};
        char right[32] = {};
        if (std::sscanf(line.c_str(), "(team %*d %31s %31s", left, right) == 2) {
            teams[0] = left;
            teams[1] = right;
        } else if (line.starts_with("(playmode ")) {
            const std::string mode = wordAt(line, line.find(' ', 10) + 1);
            if (record.kickedOff && record.modeAfterKickOff.empty()) {
                record.modeAfterKickOff = mode;
            }
            if (!record.kickedOff && mode.starts_with("kick_off_")) {
                record.kickedOff = true;
                record.kickOffSide = mode[9];
            }
        } else if (line.starts_with("(show ")) {
            lastShow = line;
        }
    }
    // Who played and how often each kicked: the last picture's players and command counts.
    for (const ShownPlayer& p : shownPlayers(lastShow)) {
        Registration& client = record.clients[keyOf(p)];
        client.team = teams[p.side == 'l' ? 0 : 1];
        client.side = p.side;
        client.number = p.number;
        client.goalie = (p.state & 0x8U) != 0;
        record.kicks[keyOf(p)] = p.kicks;
    }
    return record;
}

}  // namespace zamo::test
