#include "agent/ui/field_renderer.h"

#include <string>

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFileInfo>
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
const QColor kTeammateGoalie(140, 160, 0);
const QColor kOpponent(200, 20, 20);
const QColor kOpponentGoalie(194, 54, 241);

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

QColor at(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

bool allPixels(const QImage& image, const QRect& rect, const QColor& colour) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (image.pixelColor(x, y) != colour) {
                return false;
            }
        }
    }
    return true;
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

TEST(PictureScale, TheNarrowerProportionDecides) {
    EXPECT_NEAR(pictureScale(1250, 910), 10.0, 1e-9);
    EXPECT_NEAR(pictureScale(1250, 1000), 10.0, 1e-9);  // width decides
    EXPECT_NEAR(pictureScale(2000, 910), 10.0, 1e-9);   // height decides
    EXPECT_NEAR(pictureScale(500, 1000), 4.0, 1e-9);
    EXPECT_NEAR(pictureScale(1000, 182), 2.0, 1e-9);
}

TEST(FieldRenderer, WhiteWhileThereIsNothingToShow) {
    FieldScene scene = connectedScene();
    placePlayer(scene.snapshot.teammates[6], {0, 0}, 0);

    const QImage tooNarrow = renderField(scene, QSize(127, 200));
    EXPECT_EQ(tooNarrow.size(), QSize(127, 200));
    EXPECT_TRUE(allPixels(tooNarrow, tooNarrow.rect(), kWhite));
    EXPECT_TRUE(allPixels(renderField(scene, QSize(300, 87)), QRect(0, 0, 300, 87), kWhite));

    FieldScene off = scene;
    off.drawWorldModel = false;
    EXPECT_TRUE(allPixels(renderField(off, QSize(250, 182)), QRect(0, 0, 250, 182), kWhite));
    FieldScene disconnected = scene;
    disconnected.connected = false;
    EXPECT_TRUE(
        allPixels(renderField(disconnected, QSize(250, 182)), QRect(0, 0, 250, 182), kWhite));

    // The smallest area that is drawn.
    const QImage smallest = renderField(scene, QSize(128, 88));
    EXPECT_EQ(at(smallest, 2, 86), kGrey);
}

TEST(FieldRenderer, FieldLinesAtScaleTen) {
    const QImage image = renderField(connectedScene(), QSize(1250, 910));
    // The field's outline: corners and the middle of each side.
    for (const QPoint p :
         {QPoint(100, 130), QPoint(1150, 130), QPoint(100, 810), QPoint(1150, 810),
          QPoint(625, 130), QPoint(625, 810), QPoint(100, 200), QPoint(1150, 700)}) {
        EXPECT_EQ(at(image, p.x(), p.y()), kWhite) << p.x() << "," << p.y();
    }
    // Inside and outside the field, nothing but the background.
    EXPECT_EQ(at(image, 300, 300), kGrey);
    EXPECT_EQ(at(image, 50, 300), kGrey);
    EXPECT_EQ(at(image, 625, 860), kGrey);
    // Centre line, centre circle, penalty and goal areas.
    EXPECT_EQ(at(image, 625, 300), kWhite);
    EXPECT_EQ(at(image, 625 + 91, 470), kWhite);
    EXPECT_EQ(at(image, 265, 300), kWhite);   // left penalty area, x 26.5
    EXPECT_EQ(at(image, 985, 300), kWhite);   // right penalty area, x 98.5
    EXPECT_EQ(at(image, 155, 470), kWhite);   // left goal area, x 15.5
    EXPECT_EQ(at(image, 1095, 470), kWhite);  // right goal area, x 109.5
    // Penalty arcs bulge out of the penalty areas only: 9.15 m from the spots at (21, 47).
    EXPECT_EQ(at(image, 301, 470), kWhite);
    EXPECT_EQ(at(image, 119, 470), kGrey);
    EXPECT_EQ(at(image, 949, 470), kWhite);
    // Goal mouths in black, 4 pixels wide.
    EXPECT_EQ(at(image, 100, 470), kBlack);
    EXPECT_EQ(at(image, 1150, 470), kBlack);
    EXPECT_EQ(at(image, 98, 470), kBlack);
    EXPECT_EQ(at(image, 100, 560), kWhite);
}

TEST(FieldRenderer, WidthOrHeightDecidesThePictureSize) {
    // Width decides: the picture keeps scale 10 at the top and leaves the rest grey.
    const QImage tall = renderField(connectedScene(), QSize(1250, 1000));
    EXPECT_EQ(at(tall, 100, 130), kWhite);
    EXPECT_EQ(at(tall, 1150, 810), kWhite);
    EXPECT_EQ(at(tall, 625, 950), kGrey);
    // Height decides: the picture keeps scale 10 on the left.
    const QImage wide = renderField(connectedScene(), QSize(2000, 910));
    EXPECT_EQ(at(wide, 100, 130), kWhite);
    EXPECT_EQ(at(wide, 1150, 810), kWhite);
    EXPECT_EQ(at(wide, 1600, 470), kGrey);
    // Scale 5: everything halves.
    const QImage half = renderField(connectedScene(), QSize(625, 455));
    EXPECT_EQ(at(half, 50, 65), kWhite);
    EXPECT_EQ(at(half, 575, 405), kWhite);
}

TEST(FieldRenderer, PlayerWithItsPointerAndNumber) {
    FieldScene scene = connectedScene();
    // Own player elsewhere, looking away, so that the view area stays out of the way.
    FieldViewOptions options;
    options.showNumbers = false;
    placePlayer(scene.snapshot.teammates[0], {0, 0}, 0, 180);
    const QImage image = renderField(scene, QSize(1250, 910), options);

    EXPECT_EQ(at(image, 625, 462), kTeammate);
    EXPECT_EQ(at(image, 625, 478), kTeammate);
    // The pointer runs from 1.5 radii behind the tip to the tip at (637, 470).
    EXPECT_EQ(at(image, 637, 470), kBlack);
    EXPECT_EQ(at(image, 634, 470), kBlack);
    EXPECT_EQ(at(image, 622, 470), kBlack);
    EXPECT_EQ(at(image, 615, 470), kTeammate);
    EXPECT_EQ(at(image, 639, 470), kGrey);
    // The view arc lies behind the player, towards its head direction of 180.
    EXPECT_EQ(at(image, 613, 470), QColor(0, 255, 255));

    // Turned round, the pointer points the other way.
    placePlayer(scene.snapshot.teammates[0], {0, 0}, 180, 180);
    const QImage turned = renderField(scene, QSize(1250, 910), options);
    EXPECT_EQ(at(turned, 634, 470), kTeammate);
    EXPECT_EQ(at(turned, 616, 470), kBlack);

    // The number is written to the right of the player, a little above its centre.
    const QImage numbered = renderField(scene, QSize(1250, 910));
    EXPECT_GT(countPixels(numbered, QRect(643, 458, 20, 30), kBlack), 5);
    EXPECT_EQ(countPixels(image, QRect(643, 458, 20, 30), kBlack), 0);
}

TEST(FieldRenderer, TeamsGoaliesBallAndTheBeforeKickOffTurn) {
    FieldScene scene = connectedScene();
    FieldViewOptions options;
    options.showNumbers = false;
    placePlayer(scene.snapshot.teammates[1], {-10, 5}, 90);
    placePlayer(scene.snapshot.teammates[0], {-50, 0}, 90);
    scene.snapshot.teammates[0].goalieTime = kCycle;
    scene.snapshot.teammates[0].goalie = 1;
    placePlayer(scene.snapshot.opponents[3], {20, -10}, 90);
    placePlayer(scene.snapshot.opponents[0], {50, 0}, 90);
    scene.snapshot.opponents[0].goalieTime = kCycle;
    scene.snapshot.opponents[0].goalie = 1;
    scene.snapshot.ballPositionTime = kCycle;
    scene.snapshot.ballPosition = {30, 20};
    // A player whose position is not known is not drawn.
    scene.snapshot.opponents[5].position = {-30, -20};
    scene.snapshot.opponents[5].bodyTime = kCycle;

    const QImage image = renderField(scene, QSize(1250, 910), options);
    EXPECT_EQ(at(image, 525, 512), kTeammate);
    EXPECT_EQ(at(image, 125, 462), kTeammateGoalie);
    EXPECT_EQ(at(image, 825, 362), kOpponent);
    EXPECT_EQ(at(image, 1125, 462), kOpponentGoalie);
    EXPECT_EQ(at(image, 925, 670), kWhite);
    EXPECT_EQ(at(image, 922, 668), kWhite);  // ball radius 0.595 m
    EXPECT_EQ(at(image, 325, 270), kGrey);

    scene.self.beforeKickOffCount = 1;
    const QImage turned = renderField(scene, QSize(1250, 910), options);
    EXPECT_EQ(at(turned, 725, 428), kTeammate);
    EXPECT_EQ(at(turned, 525, 512), kGrey);
    EXPECT_EQ(at(turned, 425, 578), kOpponent);
    EXPECT_EQ(at(turned, 325, 270), kWhite);  // the ball at (-30, -20)
    // Directions turn too: a body direction of 90 points up after the turn.
    EXPECT_EQ(at(turned, 725, 410), kBlack);
}

TEST(FieldRenderer, ViewAreaFollowsTheViewWidth) {
    FieldScene scene = connectedScene();
    placePlayer(scene.snapshot.teammates[6], {0, 0}, 0);
    const QImage normal = renderField(scene, QSize(1250, 910));
    EXPECT_EQ(at(normal, 900, 470), kGrass);
    EXPECT_EQ(at(normal, 900, 300), kGrass);  // 31.7 degrees off the head direction
    EXPECT_EQ(at(normal, 700, 300), kGrey);   // 66 degrees off
    EXPECT_EQ(at(normal, 400, 470), kGrey);

    scene.self.viewWidth = 2;
    const QImage wide = renderField(scene, QSize(1250, 910));
    EXPECT_EQ(at(wide, 700, 300), kGrass);
    EXPECT_EQ(at(wide, 400, 470), kGrey);

    scene.self.viewWidth = 0;
    const QImage narrow = renderField(scene, QSize(1250, 910));
    EXPECT_EQ(at(narrow, 900, 470), kGrass);
    EXPECT_EQ(at(narrow, 900, 300), kGrey);

    // The head direction is body plus neck.
    scene.self.viewWidth = 1;
    placePlayer(scene.snapshot.teammates[6], {0, 0}, 45, 45);
    const QImage down = renderField(scene, QSize(1250, 910));
    EXPECT_EQ(at(down, 640, 700), kGrass);
    EXPECT_EQ(at(down, 900, 470), kGrey);

    // Without a known neck angle there is no view area.
    scene.snapshot.teammates[6].neckTime = kNoTime;
    EXPECT_EQ(at(renderField(scene, QSize(1250, 910)), 640, 700), kGrey);
}

TEST(FieldRenderer, TextBand) {
    FieldScene scene = connectedScene();
    scene.snapshot.playMode = kPlayOn;
    const QImage playing = renderField(scene, QSize(1250, 910));
    const QRect centre(417, 0, 416, 40);
    EXPECT_GT(countPixels(playing, centre, kBlack), 50);
    EXPECT_EQ(at(playing, 420, 2), kWhite);
    // Team names on their colours, scores black on yellow.
    EXPECT_EQ(at(playing, 45, 2), kTeammate);
    EXPECT_GT(countPixels(playing, QRect(40, 0, 376, 40), kBlack), 20);
    EXPECT_EQ(at(playing, 1205, 2), kOpponent);
    EXPECT_GT(countPixels(playing, QRect(834, 0, 376, 40), kWhite), 20);
    EXPECT_EQ(at(playing, 1, 1), kYellow);
    EXPECT_GT(countPixels(playing, QRect(0, 0, 40, 40), kBlack), 10);
    EXPECT_EQ(at(playing, 1248, 1), kYellow);
    EXPECT_GT(countPixels(playing, QRect(1210, 0, 40, 40), kBlack), 10);

    // An unknown play mode, or an unknown cycle, leaves the centre blank.
    scene.snapshot.playMode = kUnknownMode;
    EXPECT_TRUE(allPixels(renderField(scene, QSize(1250, 910)), centre, kWhite));
    scene.snapshot.playMode = kPlayOn;
    scene.cycle = kNoTime;
    EXPECT_TRUE(allPixels(renderField(scene, QSize(1250, 910)), centre, kWhite));
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
    FieldViewOptions options;
    options.showNumbers = false;
    placePlayer(scene.snapshot.teammates[6], {0, 0}, 0);
    scene.see.time = kCycle;
    // The flag "r 0" at (57.5, 0), seen 2 m short of where it is.
    scene.see.objects[0] = seenObject(kFlag, findLandmark("r 0"), 55.5, 0);
    scene.see.objects[1] = seenObject(kGoal, 2, 50.5, 0);
    scene.see.count = 2;

    const QImage image = renderField(scene, QSize(1250, 910), options);
    EXPECT_EQ(at(image, 1195, 470), kWhite);   // stored flag, pointing right
    EXPECT_EQ(at(image, 1185, 470), kYellow);  // seen flag at 1180, pointing left
    EXPECT_EQ(at(image, 1147, 470), kWhite);   // stored right goal at 1150
    EXPECT_EQ(at(image, 1134, 470), kYellow);  // seen goal at 1130, pointing right

    // For an agent of the right side the table is turned into its own frame.
    scene.side = 2;
    const QImage right = renderField(scene, QSize(1250, 910), options);
    EXPECT_EQ(at(right, 45, 470), kWhite);
    EXPECT_EQ(at(right, 1195, 470), kGrass);
    EXPECT_EQ(at(right, 1185, 470), kYellow);
    EXPECT_EQ(at(right, 97, 470), kWhite);

    // A message of an earlier cycle is not shown.
    scene.see.time = kCycle - 1;
    const QImage old = renderField(scene, QSize(1250, 910), options);
    EXPECT_EQ(at(old, 1185, 470), kGrass);
}

TEST(FieldRenderer, SeenLineBetweenTheViewEdges) {
    FieldScene scene = connectedScene();
    placePlayer(scene.snapshot.teammates[6], {0, 0}, -90);
    scene.see.time = kCycle;
    scene.see.objects[0] = seenObject(kLine, 1, 34, -90);
    scene.see.count = 1;

    // Looking at the top line from the centre: the edges at -135 and -45 meet it at x -34, 34.
    const QImage image = renderField(scene, QSize(1250, 910));
    EXPECT_EQ(at(image, 625, 130), kYellow);
    EXPECT_EQ(at(image, 300, 130), kYellow);
    EXPECT_EQ(at(image, 950, 130), kYellow);
    EXPECT_EQ(at(image, 270, 130), kWhite);
    EXPECT_EQ(at(image, 980, 130), kWhite);

    // An edge parallel to the line ends at the field's corner on its side.
    placePlayer(scene.snapshot.teammates[6], {0, 0}, -45);
    const QImage corner = renderField(scene, QSize(1250, 910));
    EXPECT_EQ(at(corner, 1140, 130), kYellow);
    EXPECT_EQ(at(corner, 610, 130), kWhite);

    // A right-side agent's "l t" is the line at the bottom of its own frame.
    scene.side = 2;
    placePlayer(scene.snapshot.teammates[6], {0, 0}, 90);
    const QImage right = renderField(scene, QSize(1250, 910));
    EXPECT_EQ(at(right, 625, 810), kYellow);
    EXPECT_EQ(at(right, 625, 130), kWhite);
}

// Writes a full picture under the build folder, for anyone to look at.
TEST(FieldRenderer, FullPictureToPng) {
    FieldScene scene = connectedScene();
    scene.snapshot.playMode = kPlayOn;
    scene.snapshot.firstScore = 2;
    scene.snapshot.secondScore = 1;
    scene.snapshot.ballPositionTime = kCycle;
    scene.snapshot.ballPosition = {12, 8};
    const Vec2 ours[11] = {{-50, 0}, {-35, -20}, {-38, -6}, {-38, 6}, {-35, 20}, {-15, -15},
                           {5, 3},   {-15, 15},  {10, -25}, {15, -5}, {10, 25}};
    const Vec2 theirs[11] = {{50, 0},  {36, -18}, {38, -5},  {38, 5}, {36, 18}, {20, -12},
                             {18, 10}, {25, 0},   {-5, -20}, {-8, 0}, {-5, 22}};
    for (int i = 0; i < kTeamSize; ++i) {
        placePlayer(scene.snapshot.teammates[i], ours[i], 30.0 * i - 150.0, 20);
        placePlayer(scene.snapshot.opponents[i], theirs[i], 180.0 - 25.0 * i, -30);
    }
    scene.snapshot.teammates[0].goalieTime = kCycle;
    scene.snapshot.teammates[0].goalie = 1;
    scene.snapshot.opponents[0].goalieTime = kCycle;
    scene.snapshot.opponents[0].goalie = 1;
    placePlayer(scene.snapshot.teammates[6], {5, 3}, 10, 15);

    scene.see.time = kCycle;
    int count = 0;
    for (const char* name : {"r t", "g r t", "p r c", "g r b", "r 0", "r b 10", "t r 40"}) {
        const Landmark& flag = landmarkTable()[findLandmark(name)];
        const Vec2 offset{flag.x - 5 + 0.8, flag.y - 3 - 0.6};
        const double distance = std::hypot(offset.x, offset.y);
        const double direction = std::atan2(offset.y, offset.x) * 57.29577951308239 - 25.0;
        scene.see.objects[count++] = seenObject(kFlag, flag.index, distance, direction);
    }
    scene.see.objects[count++] = seenObject(kGoal, 2, 47.6, -8.0);
    scene.see.objects[count++] = seenObject(kLine, 3, 47.5, 60.0);
    scene.see.count = count;

    const QImage image = renderField(scene, QSize(1250, 910));
    const QString path = QStringLiteral(ZAMO_BINARY_DIR "/ui_field_picture.png");
    QDir().remove(path);
    ASSERT_TRUE(image.save(path));
    EXPECT_TRUE(QFileInfo(path).size() > 10000);
    EXPECT_GT(countPixels(image, image.rect(), kGrass), 10000);
    EXPECT_GT(countPixels(image, image.rect(), kYellow), 100);
}

}  // namespace
}  // namespace zamo
