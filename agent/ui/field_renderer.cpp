// Drawing of the field and the world model.
#include "agent/ui/field_renderer.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QString>

#include "agent/perception/geometry.h"
#include "agent/perception/landmarks.h"
#include "agent/perception/play_mode.h"

namespace zamo {
namespace {

// Picture coordinates of a field point: the field's centre spot lies at (62.5, 47).
constexpr double kOriginX = 62.5;
constexpr double kOriginY = 47.0;

constexpr double kFieldHalfLength = 52.5;
constexpr double kFieldHalfWidth = 34.0;
constexpr double kCentreCircleRadius = 9.15;
constexpr double kTextBandHeight = 4.0;
constexpr double kThird = 125.0 / 3.0;

const QColor kBackground(128, 128, 128);
const QColor kGrass(20, 150, 20);
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kTeammate(130, 145, 250);
const QColor kTeammateGoalie(140, 160, 0);
const QColor kOpponent(200, 20, 20);
const QColor kOpponentGoalie(194, 54, 241);
const QColor kViewEdgePen(0, 255, 255);
const QColor kViewEdgeFill(55, 255, 255);

enum class FontSize { k4 = 4, k5 = 5, k6 = 6, k7 = 7 };

Vec2 direction(double degrees) {
    return {std::cos(degrees * kDegToRad), std::sin(degrees * kDegToRad)};
}

// The view angle of a view width: narrow halves, wide doubles the visible angle.
double viewAngle(int viewWidth, double visibleAngle) {
    switch (viewWidth) {
        case 0:
            return visibleAngle / 2.0;
        case 2:
            return visibleAngle * 2.0;
        default:
            return visibleAngle;
    }
}

// Draws in picture metres; every pixel value is truncated as the picture's rule says.
class FieldPainter {
  public:
    FieldPainter(QPainter& painter, double scale) : painter_(painter), scale_(scale) {}

    QPainter& painter() { return painter_; }

    QPoint picture(double x, double y) const {
        return {static_cast<int>(x * scale_), static_cast<int>(y * scale_)};
    }
    QPoint field(Vec2 p) const { return picture(p.x + kOriginX, p.y + kOriginY); }
    int pixels(double metres) const { return static_cast<int>(metres * scale_); }
    int radius(double metres) const { return std::max(1, pixels(metres)); }

    QRect pictureRect(double x1, double y1, double x2, double y2) const {
        const QPoint a = picture(x1, y1);
        const QPoint b = picture(x2, y2);
        return {a.x(), a.y(), b.x() - a.x(), b.y() - a.y()};
    }

    void line(double x1, double y1, double x2, double y2) {
        painter_.drawLine(picture(x1, y1), picture(x2, y2));
    }

    void polyline(std::initializer_list<std::pair<double, double>> points) {
        QPolygon polygon;
        for (const auto& [x, y] : points) {
            polygon << picture(x, y);
        }
        painter_.drawPolyline(polygon);
    }

    // An arc of the circle about picture point (x, y) from direction `from` turning by `span`
    // degrees; directions grow from +x towards +y, which is clockwise on the screen.
    void arc(QPoint centre, int radiusPixels, double from, double span) {
        const QRect box(centre.x() - radiusPixels, centre.y() - radiusPixels, 2 * radiusPixels,
                        2 * radiusPixels);
        painter_.drawArc(box, static_cast<int>(std::lround(-from * 16.0)),
                         static_cast<int>(std::lround(-span * 16.0)));
    }

    // Font sizes are in tenths of a point: 3 * scale * size.
    QFont font(FontSize size) const {
        QFont font(QStringLiteral("Comic Sans MS"));
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(std::max(0.1, 3.0 * scale_ * static_cast<int>(size) / 10.0));
        return font;
    }

    // Blanks rect with its background, then writes text centred on one line.
    void boxedText(const QRect& rect, const QString& text, const QColor& textColour,
                   const QColor& background, FontSize size) {
        painter_.fillRect(rect, background);
        painter_.setFont(font(size));
        painter_.setPen(textColour);
        painter_.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, text);
    }

  private:
    QPainter& painter_;
    double scale_;
};

// The own record of the snapshot, when the own position, body direction and neck angle are
// known.
const PlayerRecord* ownLocatedRecord(const FieldScene& scene) {
    if (scene.uniformNumber < 1 || scene.uniformNumber > kTeamSize) {
        return nullptr;
    }
    const PlayerRecord& own = scene.snapshot.teammates[scene.uniformNumber - 1];
    if (!known(own.positionTime) || !known(own.bodyTime) || !known(own.neckTime)) {
        return nullptr;
    }
    return &own;
}

// Turns a point of the simulator's absolute frame into the agent's own frame.
Vec2 toOwnFrame(Vec2 p, int side) {
    return side == 2 ? Vec2{-p.x, -p.y} : p;
}

void drawViewArea(FieldPainter& out, const Geometry& geometry, Vec2 position, double head,
                  double angle, double reach) {
    QPolygon triangle;
    if (angle == 180.0) {
        triangle << out.field(position + direction(head - 90.0) * reach)
                 << out.field(position + direction(head) * reach)
                 << out.field(position + direction(head + 90.0) * reach);
    } else {
        triangle << out.field(position)
                 << out.field(position + direction(geometry.addAngles(head, -angle / 2.0)) * reach)
                 << out.field(position + direction(geometry.addAngles(head, angle / 2.0)) * reach);
    }
    out.painter().setPen(QPen(kBlack, 1));
    out.painter().setBrush(kGrass);
    out.painter().drawPolygon(triangle);
}

void drawFieldLines(FieldPainter& out) {
    QPainter& painter = out.painter();
    painter.setPen(QPen(kWhite, 2));
    painter.setBrush(Qt::NoBrush);
    out.polyline({{10, 13}, {115, 13}, {115, 81}, {10, 81}, {10, 13}});
    out.line(62.5, 13, 62.5, 81);
    painter.drawEllipse(out.pictureRect(62.5 - kCentreCircleRadius, 47 - kCentreCircleRadius,
                                        62.5 + kCentreCircleRadius, 47 + kCentreCircleRadius));
    out.polyline({{10, 26.84}, {26.5, 26.84}, {26.5, 67.16}, {10, 67.16}});
    out.polyline({{115, 26.84}, {98.5, 26.84}, {98.5, 67.16}, {115, 67.16}});

    // The arcs leave the penalty spots' circles where they cross the penalty-area lines, 5.5 m
    // in front of the spots.
    const double half = std::acos(5.5 / kCentreCircleRadius) * kRadToDeg;
    const int radius = out.pixels(kCentreCircleRadius);
    out.arc(out.picture(21, 47), radius, -half, 2 * half);
    out.arc(out.picture(104, 47), radius, 180 - half, 2 * half);

    out.polyline({{10, 37.84}, {15.5, 37.84}, {15.5, 56.16}, {10, 56.16}});
    out.polyline({{115, 37.84}, {109.5, 37.84}, {109.5, 56.16}, {115, 56.16}});

    painter.setPen(QPen(kBlack, 4));
    out.line(10, 39.99, 10, 54.01);
    out.line(115, 39.99, 115, 54.01);
}

void drawTextBand(FieldPainter& out, const FieldScene& scene) {
    const WorldSnapshot& now = scene.snapshot;
    out.boxedText(out.pictureRect(4, 0, kThird, kTextBandHeight),
                  QString::fromStdString(scene.ownTeamName), kBlack, kTeammate, FontSize::k5);
    out.boxedText(out.pictureRect(0, 0, 4, kTextBandHeight),
                  QString::asprintf("%2d", now.firstScore), kBlack, kYellow, FontSize::k7);
    out.boxedText(out.pictureRect(2 * kThird, 0, 121, kTextBandHeight),
                  QString::fromStdString(scene.opponentTeamName), kWhite, kOpponent, FontSize::k5);
    out.boxedText(out.pictureRect(121, 0, 125, kTextBandHeight),
                  QString::asprintf("%2d", now.secondScore), kBlack, kYellow, FontSize::k7);

    QString mode;
    if (now.playMode != kUnknownMode && known(scene.cycle)) {
        const std::string_view name = playModeName(now.playMode);
        mode = QStringLiteral("%1    %2")
                   .arg(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())))
                   .arg(scene.cycle);
    }
    out.boxedText(out.pictureRect(kThird, 0, 2 * kThird, kTextBandHeight), mode, kBlack, kWhite,
                  FontSize::k6);
}

void drawPolygon(FieldPainter& out, QPoint at, std::initializer_list<QPoint> offsets,
                 const QColor& fill) {
    QPolygon polygon;
    for (const QPoint& offset : offsets) {
        polygon << at + offset;
    }
    out.painter().setPen(QPen(kBlack, 1));
    out.painter().setBrush(fill);
    out.painter().drawPolygon(polygon);
}

// Where one edge of the view meets a field line along which `along` runs from -limit to +limit.
// `towards` is the distance from the agent to the line across it and `across` the edge's
// component across the line; an edge pointing away ends at the line's end on its own side.
double edgeEnd(double start, double towards, double along, double across, double centreAlong,
               double limit) {
    if (towards * across > 0.0) {
        return std::clamp(start + towards / across * along, -limit, limit);
    }
    const double side = along != 0.0 ? along : centreAlong;
    return side > 0.0 ? limit : -limit;
}

// The part of a seen field line inside the own view; id 0 left, 1 top, 2 bottom, 3 right, in
// the own frame.
void drawSeenLine(FieldPainter& out, int id, Vec2 position, double head, double angle) {
    const Vec2 edges[2] = {direction(head - angle / 2.0), direction(head + angle / 2.0)};
    const Vec2 centre = direction(head);
    Vec2 ends[2];
    for (int i = 0; i < 2; ++i) {
        const Vec2 e = edges[i];
        if (id == 1 || id == 2) {
            const double y = id == 1 ? -kFieldHalfWidth : kFieldHalfWidth;
            ends[i] = {edgeEnd(position.x, y - position.y, e.x, e.y, centre.x, kFieldHalfLength),
                       y};
        } else {
            const double x = id == 0 ? -kFieldHalfLength : kFieldHalfLength;
            ends[i] = {x, edgeEnd(position.y, x - position.x, e.y, e.x, centre.y, kFieldHalfWidth)};
        }
    }
    out.painter().setPen(QPen(kYellow, 2));
    out.painter().drawLine(out.field(ends[0]), out.field(ends[1]));
}

// The landmarks and lines of the latest visual message: where they are (white) and where the
// agent saw them (yellow).
void drawSeen(FieldPainter& out, const FieldScene& scene, const Geometry& geometry, Vec2 position,
              double head, double angle) {
    const auto& table = landmarkTable();
    const int count = std::clamp(scene.see.count, 0, static_cast<int>(kMaxSeenObjects));
    for (int i = 0; i < count; ++i) {
        const SeenObject& object = scene.see.objects[i];
        const std::optional<QPoint> seenAt =
            !given(object.distance)
                ? std::nullopt
                : std::optional<QPoint>(
                      out.field(position + direction(geometry.addAngles(head, object.direction)) *
                                               object.distance));
        if (object.kind == kFlag) {
            if (object.id >= 0 && object.id < kLandmarkCount) {
                const Landmark& landmark = table[object.id];
                drawPolygon(out, out.field(toOwnFrame({landmark.x, landmark.y}, scene.side)),
                            {{0, 0}, {-8, -4}, {-8, 4}}, kWhite);
            }
            if (seenAt) {
                drawPolygon(out, *seenAt, {{0, 0}, {8, -4}, {8, 4}}, kYellow);
            }
        } else if (object.kind == kGoal && (object.id == 1 || object.id == 2)) {
            const Vec2 goal =
                toOwnFrame({object.id == 1 ? -kFieldHalfLength : kFieldHalfLength, 0}, scene.side);
            drawPolygon(out, out.field(goal), {{0, 0}, {-4, -4}, {-8, 0}, {-4, 4}}, kWhite);
            if (seenAt) {
                drawPolygon(out, *seenAt, {{0, 0}, {4, -4}, {8, 0}, {4, 4}}, kYellow);
            }
        } else if (object.kind == kLine && object.id >= 0 && object.id <= 3) {
            // A right-side agent's own frame swaps left with right and top with bottom.
            const int id = scene.side == 2 ? 3 - object.id : object.id;
            drawSeenLine(out, id, position, head, angle);
        }
    }
}

void drawPlayer(FieldPainter& out, const FieldViewOptions& options, const Geometry& geometry,
                const PlayerRecord& player, int number, bool teammate, bool turned, double radius,
                double kickArea, double angle) {
    const Vec2 position = turned ? Vec2{-player.position.x, -player.position.y} : player.position;
    const QPoint centre = out.field(position);
    const int r = out.radius(radius);
    QPainter& painter = out.painter();

    const bool goalie = known(player.goalieTime) && player.goalie != 0;
    painter.setPen(QPen(kBlack, 1));
    painter.setBrush(teammate ? (goalie ? kTeammateGoalie : kTeammate)
                              : (goalie ? kOpponentGoalie : kOpponent));
    painter.drawEllipse(centre, r, r);

    // A direction that was never known is not drawn rather than drawn as 0.
    if (known(player.bodyTime)) {
        const double body =
            turned ? geometry.normalizeAngle(player.bodyDirection + 180.0) : player.bodyDirection;
        const Vec2 tip = position + direction(body) * radius;
        drawPolygon(out, out.field(tip),
                    {{0, 0},
                     out.field(tip - direction(body + 6.0) * (1.5 * radius)) - out.field(tip),
                     out.field(tip - direction(body - 6.0) * (1.5 * radius)) - out.field(tip)},
                    kBlack);

        const double head = geometry.addAngles(body, player.neckAngle);
        painter.setPen(QPen(kViewEdgePen, 1));
        painter.setBrush(Qt::NoBrush);
        out.arc(centre, r, head - angle / 2.0, angle);
        painter.setBrush(kViewEdgeFill);
        const int dot = out.radius(radius / 4.0);
        for (const double edge : {head - angle / 2.0, head + angle / 2.0}) {
            const Vec2 end = direction(edge) * static_cast<double>(r);
            painter.drawEllipse(centre + QPoint(static_cast<int>(end.x), static_cast<int>(end.y)),
                                dot, dot);
        }
    }

    if (options.showNumbers) {
        painter.setFont(out.font(FontSize::k4));
        painter.setPen(teammate ? kBlack : kWhite);
        const QPoint at = out.field(position + Vec2{1.8, -1.2});
        painter.drawText(QRect(at, QSize(1, 1)),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine,
                         QString::number(number));
    }
    if (options.showKickArea) {
        painter.setPen(QPen(kBlack, 1));
        painter.setBrush(kViewEdgeFill);
        const int kick = out.radius(kickArea);
        painter.drawEllipse(centre, kick, kick);
    }
}

void drawPlayersAndBall(FieldPainter& out, const FieldScene& scene, const FieldViewOptions& options,
                        const Geometry& geometry, double angle) {
    const double enlarge = options.enlarge;
    const double playerRadius = (enlarge ? 4.0 : 1.0) * scene.params.playerSize;
    const double ballRadius = (enlarge ? 7.0 : 1.0) * scene.params.ballSize;
    // Before kick-off the picture shows the field as the other half sees it.
    const bool turned = scene.self.beforeKickOffCount == 1;

    for (int team = 0; team < 2; ++team) {
        const auto& players = team == 0 ? scene.snapshot.teammates : scene.snapshot.opponents;
        for (int i = 0; i < kTeamSize; ++i) {
            if (known(players[i].positionTime)) {
                const double kickArea =
                    scene.params.kickableArea(scene.params.playerType(players[i].type));
                drawPlayer(out, options, geometry, players[i], i + 1, team == 0, turned,
                           playerRadius, kickArea, angle);
            }
        }
    }

    if (known(scene.snapshot.ballPositionTime)) {
        const Vec2 ball = scene.snapshot.ballPosition;
        const int r = out.radius(ballRadius);
        out.painter().setPen(QPen(kWhite, 1));
        out.painter().setBrush(kWhite);
        out.painter().drawEllipse(out.field(turned ? Vec2{-ball.x, -ball.y} : ball), r, r);
    }
}

}  // namespace

double pictureScale(int width, int height) {
    if (height > 0 && static_cast<double>(width) / height >= 1.3736263736263736) {
        return height * 0.01098901098901099;
    }
    return width * 0.008;
}

QImage renderField(const FieldScene& scene, QSize size, const FieldViewOptions& options) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    if (!scene.connected || !scene.drawWorldModel || size.width() < kMinPictureWidth ||
        size.height() < kMinPictureHeight) {
        image.fill(kWhite);
        return image;
    }
    image.fill(kBackground);

    const double scale = pictureScale(size.width(), size.height());
    QPainter painter(&image);
    FieldPainter out(painter, scale);
    const Geometry geometry(scene.params, scene.self);
    const double angle = viewAngle(scene.self.viewWidth, scene.params.visibleAngle);

    const PlayerRecord* own = ownLocatedRecord(scene);
    double head = 0.0;
    if (own != nullptr) {
        head = geometry.addAngles(own->bodyDirection, own->neckAngle);
        // The diagonal's pixel count taken as metres puts the far corners well off the picture.
        const double reach = std::hypot(size.width(), size.height());
        drawViewArea(out, geometry, own->position, head, angle, reach);
    }
    drawFieldLines(out);
    drawTextBand(out, scene);
    if (own != nullptr && known(scene.see.time) && scene.see.time == scene.cycle) {
        drawSeen(out, scene, geometry, own->position, head, angle);
    }
    drawPlayersAndBall(out, scene, options, geometry, angle);
    painter.end();
    return image;
}

}  // namespace zamo
