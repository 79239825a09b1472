#include "monitor/match_picture.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "gamelog/game_log_reader.h"
#include "support/test_data.h"

namespace zamo::monitor {
namespace {

using gamelog::Frame;
using gamelog::Player;
using gamelog::Side;

const QSize kSize(1150, 830);  // 10 pixels per metre

Player player(Side side, int number, double x, double y, double body = 0.0,
              std::uint32_t state = gamelog::kStateStand) {
    Player p;
    p.side = side;
    p.number = number;
    p.state = state;
    p.pos = {x, y};
    p.body = body;
    p.viewWidth = 90.0;
    p.stamina = 8000.0;
    return p;
}

Frame frameWith(std::vector<Player> players) {
    Frame f;
    f.cycle = 123;
    f.playMode = gamelog::kPlayModePlayOn;
    f.teams.left = "Zamo_Left";
    f.teams.right = "Visitors";
    f.ball.pos = {30.0, 20.0};
    f.players = std::move(players);
    return f;
}

QPoint pixel(const PictureLayout& layout, double x, double y) {
    const QPointF p = layout.at(x, y);
    return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}

// Lines and rings are drawn smoothed: their pixels come near the colour, not always on it.
bool near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Pixels within an area for which test(x, y) holds.
template <typename Test>
int countWhere(const QImage& image, const QRectF& area, Test test) {
    int n = 0;
    const QRect box = area.toAlignedRect().intersected(image.rect());
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
            n += test(x, y) ? 1 : 0;
        }
    }
    return n;
}

int count(const QImage& image, const QRectF& area, QRgb colour, int tolerance = 0) {
    return countWhere(image, area,
                      [&](int x, int y) { return near(image.pixel(x, y), colour, tolerance); });
}

// Pixels that differ between two pictures of the same size within an area.
int differences(const QImage& a, const QImage& b, const QRectF& area) {
    return countWhere(a, area, [&](int x, int y) { return a.pixel(x, y) != b.pixel(x, y); });
}

QRectF around(QPointF centre, double r) {
    return {centre.x() - r, centre.y() - r, 2 * r, 2 * r};
}

TEST(MatchPictureTest, DrawsTheFieldLinesGoalsAndPenaltyAreas) {
    const PictureLayout layout(kSize);
    const QImage image = renderMatch(nullptr, kSize, {});
    // Grass inside, the surround outside the touch line.
    EXPECT_EQ(image.pixel(pixel(layout, 20, 10)), colours::kPitch | 0xff000000U);
    EXPECT_EQ(image.pixel(pixel(layout, 20, 36)), colours::kSurround | 0xff000000U);
    // The half-way line, both touch lines, and the left penalty area's front line.
    for (const auto& [x, y] : {std::pair{0.0, 20.0}, std::pair{10.0, -34.0}, std::pair{10.0, 34.0},
                               std::pair{-36.0, 15.0}, std::pair{36.0, -15.0}}) {
        EXPECT_GT(count(image, around(layout.at(x, y), 2), colours::kLine, 60), 0) << x << "," << y;
    }
    // No line beside the penalty area, where there is only grass.
    EXPECT_EQ(count(image, around(layout.at(-40, 25), 2), colours::kLine, 60), 0);
    // Each goal behind its line.
    EXPECT_EQ(image.pixel(pixel(layout, -53.7, 0)), colours::kGoal | 0xff000000U);
    EXPECT_EQ(image.pixel(pixel(layout, 53.7, 3)), colours::kGoal | 0xff000000U);
    EXPECT_NE(image.pixel(pixel(layout, 53.7, 9)), colours::kGoal | 0xff000000U);
}

TEST(MatchPictureTest, PlayersInTeamColoursWithNumberAndBodyPointer) {
    const PictureLayout layout(kSize);
    const double r = layout.playerRadius();
    Frame frame = frameWith(
        {player(Side::kLeft, 7, -20, 5, 0.0),
         player(Side::kRight, 1, 40, 0, 90.0, gamelog::kStateStand | gamelog::kStateGoalie),
         player(Side::kRight, 4, 10, -10, 180.0)});
    const QImage image = renderMatch(&frame, kSize, {});
    // The fill at the circle's left edge, clear of the number.
    const auto fillAt = [&](double x, double y) {
        return image.pixel(pixel(layout, x - 0.7 * r / layout.scale(), y));
    };
    EXPECT_EQ(fillAt(-20, 5), colours::kLeftTeam | 0xff000000U);
    EXPECT_EQ(fillAt(10, -10), colours::kRightTeam | 0xff000000U);
    EXPECT_EQ(fillAt(40, 0), colours::kRightGoalie | 0xff000000U);
    // The number is written in white inside the field player's circle.
    EXPECT_GT(count(image, around(layout.at(-20, 5), r * 0.8), qRgb(255, 255, 255)), 5);
    // ... and it is that player's number: another one draws other pixels there.
    frame.players[0].number = 1;
    const QImage other = renderMatch(&frame, kSize, {});
    EXPECT_GT(differences(image, other, around(layout.at(-20, 5), r)), 5);
    EXPECT_EQ(differences(image, other, around(layout.at(10, -10), r)), 0);
    // The body pointer sticks out on the side the player faces: east for 0, south for 90.
    const double out = 1.4 * r / layout.scale();
    EXPECT_EQ(image.pixel(pixel(layout, -20 + out, 5)), qRgb(0, 0, 0));
    EXPECT_NE(image.pixel(pixel(layout, -20 - out, 5)), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(pixel(layout, 40, out)), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(pixel(layout, 10 - out, -10)), qRgb(0, 0, 0));
}

TEST(MatchPictureTest, MarksActionsFaultsAndLeavesOutPlayersOffTheField) {
    const PictureLayout layout(kSize);
    const double r = layout.playerRadius();
    const auto ring = [&](std::uint32_t extra) {
        Frame frame =
            frameWith({player(Side::kLeft, 2, 20, 10, 0.0, gamelog::kStateStand | extra)});
        const QImage image = renderMatch(&frame, kSize, {});
        // Straight above the player, outside its circle, where the ring runs.
        const double ringWidth = std::max(2.0, r * 0.3);
        return image.pixel(pixel(layout, 20, 10 - (r + ringWidth) / layout.scale()));
    };
    EXPECT_TRUE(near(ring(gamelog::kStateKick), colours::kKick, 40));
    EXPECT_TRUE(near(ring(gamelog::kStateTackle), colours::kTackle, 40));
    EXPECT_TRUE(near(ring(gamelog::kStateCatch), colours::kCatch, 40));
    EXPECT_TRUE(near(ring(gamelog::kStateKick | gamelog::kStateKickFault), colours::kFault, 40));
    EXPECT_TRUE(near(ring(0), colours::kPitch, 0));

    // State 0 is a player not connected: nothing drawn where it would stand.
    Frame absent = frameWith({player(Side::kLeft, 3, 0, 0, 0.0, 0)});
    const QImage image = renderMatch(&absent, kSize, {});
    EXPECT_EQ(count(image, around(layout.at(0, 0), r), colours::kLeftTeam), 0);
    // The ball is drawn where it is.
    EXPECT_EQ(image.pixel(pixel(layout, 30, 20)), colours::kBall | 0xff000000U);
}

TEST(MatchPictureTest, ViewConesAndStaminaBarsOnlyWhenAskedFor) {
    const PictureLayout layout(kSize);
    Frame frame = frameWith({player(Side::kLeft, 5, 0, 0, 0.0)});
    frame.players[0].stamina = 2000.0;  // a quarter of the bar
    const QImage plain = renderMatch(&frame, kSize, {});
    PictureOptions options;
    options.viewCones = true;
    options.stamina = true;
    options.staminaMax = 8000.0;
    const QImage both = renderMatch(&frame, kSize, options);
    // The cone brightens the grass ahead, not behind.
    EXPECT_GT(qGreen(both.pixel(pixel(layout, 8, 0))), qGreen(plain.pixel(pixel(layout, 8, 0))));
    EXPECT_EQ(both.pixel(pixel(layout, -8, 0)), plain.pixel(pixel(layout, -8, 0)));
    // The bar under the player: filled over its first quarter only.
    const double r = layout.playerRadius();
    const QPointF centre = layout.at(0, 0);
    const int barY = static_cast<int>(centre.y() + r + 4.0);
    const int filled = static_cast<int>(centre.x() - r + 0.1 * 2 * r);
    const int empty = static_cast<int>(centre.x() - r + 0.6 * 2 * r);
    EXPECT_NE(both.pixel(filled, barY), plain.pixel(filled, barY));
    EXPECT_LT(qGreen(both.pixel(empty, barY)), qGreen(plain.pixel(empty, barY)));
    EXPECT_NE(both.pixel(filled, barY), both.pixel(empty, barY));
}

TEST(MatchPictureTest, ScoreBoardShowsNamesScoreModeAndCycle) {
    const PictureLayout layout(kSize);
    Frame frame = frameWith({});
    frame.teams.scoreLeft = 2;
    frame.teams.scoreRight = 1;
    const QImage image = renderMatch(&frame, kSize, {});
    // Each name on its team's colour, in white letters.
    EXPECT_GT(count(image, layout.leftName(), colours::kLeftTeam), 1000);
    EXPECT_GT(count(image, layout.leftName(), qRgb(255, 255, 255)), 50);
    EXPECT_GT(count(image, layout.rightName(), colours::kRightTeam), 1000);
    EXPECT_GT(count(image, layout.rightName(), qRgb(255, 255, 255)), 50);
    // The score in black; "1 - 2" is another picture than "2 - 1".
    EXPECT_GT(count(image, layout.score(), qRgb(0, 0, 0)), 50);
    Frame swapped = frame;
    std::swap(swapped.teams.scoreLeft, swapped.teams.scoreRight);
    const QImage other = renderMatch(&swapped, kSize, {});
    EXPECT_GT(differences(image, other, layout.score()), 20);
    EXPECT_EQ(differences(image, other, layout.leftName()), 0);
    // A name, the play mode and the cycle change only their own box.
    Frame renamed = frame;
    renamed.teams.right = "Others";
    renamed.playMode = gamelog::kPlayModeBeforeKickOff;
    renamed.cycle = 7;
    const QImage third = renderMatch(&renamed, kSize, {});
    EXPECT_GT(differences(image, third, layout.rightName()), 20);
    EXPECT_GT(differences(image, third, layout.playMode()), 20);
    EXPECT_GT(differences(image, third, layout.cycle()), 5);
    EXPECT_EQ(differences(image, third, layout.leftName()), 0);
    EXPECT_EQ(differences(image, third, layout.score()), 0);
}

TEST(MatchPictureTest, TitleAndScoreText) {
    gamelog::Teams teams;
    EXPECT_EQ(matchTitle(teams), "ZamoMonitor");
    teams.left = "Zamo_Left";
    teams.right = "Visitors";
    teams.scoreLeft = 3;
    EXPECT_EQ(matchTitle(teams), "ZamoMonitor: Zamo_Left 3 - 0 Visitors");
    teams.right.clear();
    EXPECT_EQ(matchTitle(teams), "ZamoMonitor: Zamo_Left 3 - 0 ?");
    teams.penaltyScoreLeft = 4;
    teams.penaltyMissLeft = 1;
    teams.penaltyScoreRight = 3;
    EXPECT_EQ(scoreText(teams), "3 - 0 (4:3)");
}

TEST(MatchPictureTest, RealFrameOfTheRecordedMatch) {
    std::string error;
    const auto log = gamelog::readGameLog(test::dataPath("zamo-selfplay.rcg.gz"), error);
    ASSERT_TRUE(log) << error;
    const Frame* frame = nullptr;
    for (const Frame& f : log->frames) {
        if (f.cycle == 200) {
            frame = &f;
            break;
        }
    }
    ASSERT_NE(frame, nullptr);
    const PictureLayout layout(kSize);
    const QImage image = renderMatch(frame, kSize, {});
    const double r = layout.playerRadius();
    int leftGoalies = 0;
    for (const Player& p : frame->players) {
        const QRgb fill =
            p.has(gamelog::kStateGoalie)
                ? (p.side == Side::kLeft ? colours::kLeftGoalie : colours::kRightGoalie)
                : (p.side == Side::kLeft ? colours::kLeftTeam : colours::kRightTeam);
        leftGoalies += p.side == Side::kLeft && p.has(gamelog::kStateGoalie) ? 1 : 0;
        // Players may overlap; each shows some of its colour where it stands.
        EXPECT_GT(count(image, around(layout.at(p.pos), r), fill), 10)
            << (p.side == Side::kLeft ? "l " : "r ") << p.number;
    }
    EXPECT_EQ(leftGoalies, 1);
}

}  // namespace
}  // namespace zamo::monitor
