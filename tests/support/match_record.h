#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace zamo::test {

struct Point {
    double x = 0.0;
    double y = 0.0;
};

// One registered player as the server's records show it.
struct Registration {
    std::string team;
    bool goalie = false;
    char side = '?';
    int number = 0;
};

// What a server's record tells about a match, whichever server wrote it.
struct MatchRecord {
    std::map<int, Registration> clients;  // by a key of the server's own (port or side and number)
    bool kickedOff = false;
    char kickOffSide = '?';        // of the first kick-off: 'l' or 'r'
    std::string modeAfterKickOff;  // the referee's first word after the first kick-off
    // Where each player stood for the first kick-off, in its own frame (attacking towards +x).
    std::map<int, Point> placeAtKickOff;
    std::map<int, int> kicks;  // executed, by client
};

// The practice server's --record: cycle, ms, direction, client port, text per line.
struct RecordLine {
    int cycle = 0;
    std::string direction;  // in, out, lost-in or lost-out
    int port = 0;
    std::string text;
};
std::vector<RecordLine> readRecordLines(const std::filesystem::path& path);
MatchRecord analysePracticeRecord(const std::vector<RecordLine>& lines);

// The real server's text game log (ULG6): parameters, then per cycle "(show ...)", with
// "(playmode ...)" and "(team ...)" lines where they change. The log holds no picture from before
// the kick-off, so placeAtKickOff is left to placesOfShow.
MatchRecord analyseGameLog(const std::filesystem::path& path);

// Where the players of a "(show ...)" picture (game log or monitor) stand, in their own frames,
// by the keys of analyseGameLog.
std::map<int, Point> placesOfShow(const std::string& show);

// "Player ID = N" and "Player Position = x y" of a strategy file: the home of each player.
std::map<int, Point> readHomePositions(const std::filesystem::path& path);

std::string readText(const std::filesystem::path& path);

}  // namespace zamo::test
