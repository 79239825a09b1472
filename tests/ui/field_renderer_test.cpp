#include "agent/ui/field_renderer.h"

#include <initializer_list>
#include <string>

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "agent/perception/landmarks.h"
#include "agent/perception/play_mode.h"

namespace zamo {
namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kGrey(128, 128, 128);
const QColor kGrass(20, 150, 20);
const QColor kYellow(255, 255, 0);
const QColor kTeammate(130, 145, 250);
const QColor kOpponent(200, 20, 20);
const QSize kScaleTen(1250, 910);

constexpr int kCycle = 120;

FieldScene connectedScene() {
    FieldScene scene;
    scene.connected = true;
    scene.drawWorldModel = true;
    scene.cycle = kCycle;
    scene.uniformNumber = 7;
    scene.side = 1;
    scene.ownTeamName = "Zamo_Left";
    scene.opponentTeamName = "Visitors";
    scene.snapshot.time = kCycle;
    return scene;
}

void placePlayer(PlayerRecord& player, Vec2 position, double body, double neck = 0.0) {
    player.positionTime = kCycle;
    player.position = position;
    player.bodyTime = kCycle;
    player.bodyDirection = body;
    player.neckTime = kCycle;
    player.neckAngle = neck;
}

void makeGoalie(PlayerRecord& player) {
    player.goalieTime = kCycle;
    player.goalie = 1;
}

QImage render(const FieldScene& scene, bool numbers = true) {
    FieldViewOptions options;
    options.showNumbers = numbers;
    return renderField(scene, kScaleTen, options);
}

struct Pixel {
    int x;
    int y;
    QColor colour;
};

void expectPixels(const QImage& image, std::initializer_list<Pixel> pixels) {
    for (const Pixel& p : pixels) {
        EXPECT_EQ(image.pixelColor(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
}

int countPixels(const QImage& image, const QRect& rect, const QColor& colour) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            count += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

bool allPixels(const QImage& image, const QRect& rect, const QColor& colour) {
    return countPixels(image, rect, colour) == rect.width() * rect.height();
}

TEST(PictureScale, TheNarrowerProportionDecides) {
    // {width, height, scale}: width decides at 1250 x 1000, height at 2000 x 910.
    const double cases[][3] = {
        {1250, 910, 10}, {1250, 1000, 10}, {2000, 910, 10}, {500, 1000, 4}, {1000, 182, 2}};
    for (const auto& c : cases) {
        EXPECT_NEAR(pictureScale(static_cast<int>(c[0]), static_cast<int>(c[1])), c[2], 1e-9)
            << c[0] << "x" << c[1];
    }
}

TEST(FieldRenderer, WhiteWhileThereIsNothingToShow) {
    FieldScene scene = connectedScene();
    placePlayer(scene.snapshot.teammates[6], {0, 0}, 0);
    FieldScene off = scene;
    off.drawWorldModel = false;
    FieldScene disconnected = scene;
    disconnected.connected = false;
    const std::pair<const FieldScene*, QSize> cases[] = {{&scene, QSize(127, 200)},
                                                         {&scene, QSize(300, 87)},
                                                         {&off, QSize(250, 182)},
                                                         {&disconnected, QSize(250, 182)}};
    for (const auto& [shown, size] : cases) {
        const QImage image = renderField(*shown, size);
        EXPECT_EQ(image.size(), size);
        EXPECT_TRUE(allPixels(image, image.rect(), kWhite)) << size.width() << "x" << size.height();
    }
    // The smallest area that is drawn.
    EXPECT_EQ(renderField(scene, QSize(128, 88)).pixelColor(2, 86), kGrey);
}

TEST(FieldRenderer, FieldLinesAtScaleTen) {
    // Outline corners and side middles; background in and outside; centre line and circle;
    // penalty areas (x 26.5, 98.5) and goal areas (15.5, 109.5); penalty arcs 9.15 m from the
    // spots, outside the areas only; goal mouths in black, 4 pixels wide.
    expectPixels(
        render(connectedScene()),
        {{100, 130, kWhite},  {1150, 130, kWhite}, {100, 810, kWhite}, {1150, 810, kWhite},
         {625, 130, kWhite},  {625, 810, kWhite},  {100, 200, kWhite}, {1150, 700, kWhite},
         {300, 300, kGrey},   {50, 300, kGrey},    {625, 860, kGrey},  {625, 300, kWhite},
         {716, 470, kWhite},  {265, 300, kWhite},  {985, 300, kWhite}, {155, 470, kWhite},
         {1095, 470, kWhite}, {301, 470, kWhite},  {119, 470, kGrey},  {949, 470, kWhite},
         {100, 470, kBlack},  {1150, 470, kBlack}, {98, 470, kBlack},  {100, 560, kWhite}});
}

TEST(FieldRenderer, WidthOrHeightDecidesThePictureSize) {
    // Width decides: scale 10 at the top, grey below. Height decides: scale 10 on the left.
    expectPixels(renderField(connectedScene(), QSize(1250, 1000)),
                 {{100, 130, kWhite}, {1150, 810, kWhite}, {625, 950, kGrey}});
    expectPixels(renderField(connectedScene(), QSize(2000, 910)),
                 {{100, 130, kWhite}, {1150, 810, kWhite}, {1600, 470, kGrey}});
    expectPixels(renderField(connectedScene(), QSize(625, 455)),
                 {{50, 65, kWhite}, {575, 405, kWhite}});
}

TEST(FieldRenderer, PlayerWithItsPointerAndNumber) {
    FieldScene scene = connectedScene();
    // Not the own player, and looking away, so that the view area stays out of the way.
    placePlayer(scene.snapshot.teammates[0], {0, 0}, 0, 180);
    const QImage image = render(scene, false);
    // The pointer runs from 1.5 radii behind the tip to the tip at (637, 470); the view arc
    // lies behind, towards the head direction of 180.
    expectPixels(image, {{625, 462, kTeammate},
                         {625, 478, kTeammate},
                         {637, 470, kBlack},
                         {634, 470, kBlack},
                         {622, 470, kBlack},
                         {615, 470, kTeammate},
                         {639, 470, kGrey},
                         {613, 470, QColor(0, 255, 255)}});

    placePlayer(scene.snapshot.teammates[0], {0, 0}, 180, 180);
    expectPixels(render(scene, false), {{634, 470, kTeammate}, {616, 470, kBlack}});

    // The number is written to the right of the player, a little above its centre.
    EXPECT_GT(countPixels(render(scene), QRect(643, 458, 20, 30), kBlack), 5);
    EXPECT_EQ(countPixels(image, QRect(643, 458, 20, 30), kBlack), 0);
}

TEST(FieldRenderer, TeamsGoaliesBallAndTheBeforeKickOffTurn) {
    FieldScene scene = connectedScene();
    placePlayer(scene.snapshot.teammates[1], {-10, 5}, 90);
    placePlayer(scene.snapshot.teammates[0], {-50, 0}, 90);
    makeGoalie(scene.snapshot.teammates[0]);
    placePlayer(scene.snapshot.opponents[3], {20, -10}, 90);
    placePlayer(scene.snapshot.opponents[0], {50, 0}, 90);
    makeGoalie(scene.snapshot.opponents[0]);
    scene.snapshot.ballPositionTime = kCycle;
    scene.snapshot.ballPosition = {30, 20};
    // A player whose position is not known is not drawn.
    scene.snapshot.opponents[5].position = {-30, -20};
    scene.snapshot.opponents[5].bodyTime = kCycle;

    // Goalies in their own colours; the ball's radius is 0.595 m.
    expectPixels(render(scene, false), {{525, 512, kTeammate},
                                        {125, 462, QColor(140, 160, 0)},
                                        {825, 362, kOpponent},
                                        {1125, 462, QColor(194, 54, 241)},
                                        {925, 670, kWhite},
                                        {922, 668, kWhite},
                                        {325, 270, kGrey}});

    // Turned: the ball at (-30, -20), a body direction of 90 pointing up.
    scene.self.beforeKickOffCount = 1;
    expectPixels(render(scene, false), {{725, 428, kTeammate},
                                        {525, 512, kGrey},
                                        {425, 578, kOpponent},
                                        {325, 270, kWhite},
                                        {725, 410, kBlack}});
}

TEST(FieldRenderer, ViewAreaFollowsTheViewWidth) {
    FieldScene scene = connectedScene();
    placePlayer(scene.snapshot.teammates[6], {0, 0}, 0);
    // (900, 300) is 31.7 degrees off the head direction, (700, 300) 66 degrees.
    expectPixels(render(scene),
                 {{900, 470, kGrass}, {900, 300, kGrass}, {700, 300, kGrey}, {400, 470, kGrey}});
    scene.self.viewWidth = 2;
    expectPixels(render(scene), {{700, 300, kGrass}, {400, 470, kGrey}});
    scene.self.viewWidth = 0;
    expectPixels(render(scene), {{900, 470, kGrass}, {900, 300, kGrey}});

    // The head direction is body plus neck; without a known neck angle there is no view area.
    scene.self.viewWidth = 1;
    placePlayer(scene.snapshot.teammates[6], {0, 0}, 45, 45);
    expectPixels(render(scene), {{640, 700, kGrass}, {900, 470, kGrey}});
    scene.snapshot.teammates[6].neckTime = kNoTime;
    expectPixels(render(scene), {{640, 700, kGrey}});
}

TEST(FieldRenderer, TextBand) {
    FieldScene scene = connectedScene();
    scene.snapshot.playMode = kPlayOn;
    const QImage playing = render(scene);
    const QRect centre(417, 0, 416, 40);
    EXPECT_GT(countPixels(playing, centre, kBlack), 50);
    // Team names on their colours, scores black on yellow.
    expectPixels(playing, {{420, 2, kWhite},
                           {45, 2, kTeammate},
                           {1205, 2, kOpponent},
                           {1, 1, kYellow},
                           {1248, 1, kYellow}});
    EXPECT_GT(countPixels(playing, QRect(40, 0, 376, 40), kBlack), 20);
    EXPECT_GT(countPixels(playing, QRect(834, 0, 376, 40), kWhite), 20);
    EXPECT_GT(countPixels(playing, QRect(0, 0, 40, 40), kBlack), 10);
    EXPECT_GT(countPixels(playing, QRect(1210, 0, 40, 40), kBlack), 10);

    // An unknown play mode, or an unknown cycle, leaves the centre blank.
    scene.snapshot.playMode = kUnknownMode;
    EXPECT_TRUE(allPixels(render(scene), centre, kWhite));
    scene.snapshot.playMode = kPlayOn;
    scene.cycle = kNoTime;
    EXPECT_TRUE(allPixels(render(scene), centre, kWhite));
}

SeenObject seenObject(ObjectKind kind, int id, double distance, double direction) {
    SeenObject object;
    object.kind = kind;
    object.detailed = 1;
    object.id = id;
    object.distance = distance;
    object.direction = direction;
    return object;
}

TEST(FieldRenderer, LandmarksOfTheLatestVisualMessage) {
    FieldScene scene = connectedScene();
    placePlayer(scene.snapshot.teammates[6], {0, 0}, 0);
    scene.see.time = kCycle;
    // The flag "r 0" at (57.5, 0), seen 2 m short of where it is.
    scene.see.objects[0] = seenObject(kFlag, findLandmark("r 0"), 55.5, 0);
    scene.see.objects[1] = seenObject(kGoal, 2, 50.5, 0);
    scene.see.count = 2;
    // Stored flag pointing right, seen flag at 1180 pointing left; stored right goal at 1150,
    // seen goal at 1130 pointing right.
    expectPixels(
        render(scene, false),
        {{1195, 470, kWhite}, {1185, 470, kYellow}, {1147, 470, kWhite}, {1134, 470, kYellow}});

    // For an agent of the right side the table is turned into its own frame.
    scene.side = 2;
    expectPixels(render(scene, false),
                 {{45, 470, kWhite}, {1195, 470, kGrass}, {1185, 470, kYellow}, {97, 470, kWhite}});

    // A message of an earlier cycle is not shown.
    scene.see.time = kCycle - 1;
    expectPixels(render(scene, false), {{1185, 470, kGrass}});
}

TEST(FieldRenderer, SeenLineBetweenTheViewEdges) {
    FieldScene scene = connectedScene();
    placePlayer(scene.snapshot.teammates[6], {0, 0}, -90);
    scene.see.time = kCycle;
    scene.see.objects[0] = seenObject(kLine, 1, 34, -90);
    scene.see.count = 1;
    // Looking at the top line from the centre: the edges at -135 and -45 meet it at x -34, 34.
    expectPixels(render(scene), {{625, 130, kYellow},
                                 {300, 130, kYellow},
                                 {950, 130, kYellow},
                                 {270, 130, kWhite},
                                 {980, 130, kWhite}});

    // An edge parallel to the line ends at the field's corner on its side.
    placePlayer(scene.snapshot.teammates[6], {0, 0}, -45);
    expectPixels(render(scene), {{1140, 130, kYellow}, {610, 130, kWhite}});

    // A right-side agent's "l t" is the line at the bottom of its own frame.
    scene.side = 2;
    placePlayer(scene.snapshot.teammates[6], {0, 0}, 90);
    expectPixels(render(scene), {{625, 810, kYellow}, {625, 130, kWhite}});
}

}  // namespace
}  // namespace zamo
