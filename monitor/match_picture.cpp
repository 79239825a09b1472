#include "monitor/match_picture.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace zamo::monitor {

namespace {

// The field's markings, in metres.
constexpr double kHalfLength = 52.5;
constexpr double kHalfWidth = 34.0;
constexpr double kPenaltyAreaLength = 16.5;
constexpr double kPenaltyAreaHalfWidth = 20.16;
constexpr double kGoalAreaLength = 5.5;
constexpr double kGoalAreaHalfWidth = 9.16;
constexpr double kGoalHalfWidth = 7.01;
constexpr double kGoalDepth = 2.44;
constexpr double kCentreCircleRadius = 9.15;
constexpr double kPenaltySpotDistance = 11.0;
constexpr double kCornerArcRadius = 1.0;

// Drawn sizes, larger than life so that players and ball stay visible on a small picture.
constexpr double kPlayerRadiusMetres = 1.0;
constexpr double kMinPlayerRadius = 5.0;
constexpr double kBallRadiusMetres = 0.45;
constexpr double kMinBallRadius = 3.0;
constexpr double kViewConeMetres = 15.0;
constexpr double kBoardShare = 0.075;  // of the picture's height
constexpr double kMinBoard = 22.0;
constexpr double kMaxBoard = 80.0;

constexpr double kDegrees = std::numbers::pi / 180.0;

QColor rgb(QRgb value, int alpha = 255) {
    QColor c = QColor::fromRgb(value);
    c.setAlpha(alpha);
    return c;
}

QPointF direction(double degrees) {
    return {std::cos(degrees * kDegrees), std::sin(degrees * kDegrees)};
}

// The largest bold font up to pixelSize in which text fits the width.
QFont fittingFont(const QString& text, double pixelSize, double width) {
    QFont font;
    font.setBold(true);
    for (double size = pixelSize; size >= 6.0; size *= 0.9) {
        font.setPixelSize(static_cast<int>(size));
        if (QFontMetricsF(font).horizontalAdvance(text) <= width) {
            return font;
        }
    }
    font.setPixelSize(6);
    return font;
}

void boardText(QPainter& painter, const QRectF& box, QRgb background, QRgb ink,
               const QString& text) {
    painter.fillRect(box, rgb(background));
    painter.setPen(rgb(ink));
    painter.setFont(fittingFont(text, box.height() * 0.55, box.width() - box.height() * 0.4));
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
}

void paintField(QPainter& painter, const PictureLayout& layout) {
    const auto rect = [&](double x1, double y1, double x2, double y2) {
        return QRectF(layout.at(x1, y1), layout.at(x2, y2)).normalized();
    };
    const double s = layout.scale();
    painter.fillRect(rect(-kHalfLength, -kHalfWidth, kHalfLength, kHalfWidth),
                     rgb(colours::kPitch));
    for (const double side : {-1.0, 1.0}) {
        painter.fillRect(rect(side * kHalfLength, -kGoalHalfWidth,
                              side * (kHalfLength + kGoalDepth), kGoalHalfWidth),
                         rgb(colours::kGoal));
    }
    QPen pen(rgb(colours::kLine));
    pen.setWidthF(std::max(1.0, s * 0.15));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect(-kHalfLength, -kHalfWidth, kHalfLength, kHalfWidth));
    painter.drawLine(layout.at(0, -kHalfWidth), layout.at(0, kHalfWidth));
    painter.drawEllipse(layout.at(0, 0), kCentreCircleRadius * s, kCentreCircleRadius * s);
    const double spot = std::max(1.5, s * 0.25);
    painter.setBrush(rgb(colours::kLine));
    painter.drawEllipse(layout.at(0, 0), spot, spot);
    for (const double side : {-1.0, 1.0}) {
        painter.setBrush(Qt::NoBrush);
        const double goalLine = side * kHalfLength;
        painter.drawRect(rect(goalLine, -kPenaltyAreaHalfWidth,
                              goalLine - side * kPenaltyAreaLength, kPenaltyAreaHalfWidth));
        painter.drawRect(rect(goalLine, -kGoalAreaHalfWidth, goalLine - side * kGoalAreaLength,
                              kGoalAreaHalfWidth));
        painter.drawRect(
            rect(goalLine, -kGoalHalfWidth, goalLine + side * kGoalDepth, kGoalHalfWidth));
        // The arc outside the penalty area, where it is 9.15 m from the penalty spot.
        const double spotX = goalLine - side * kPenaltySpotDistance;
        const double reach = kPenaltyAreaLength - kPenaltySpotDistance;
        const double half = std::acos(reach / kCentreCircleRadius) / kDegrees;
        const double facing = side > 0 ? 180.0 : 0.0;
        const QRectF circle(layout.at(spotX - kCentreCircleRadius, -kCentreCircleRadius),
                            layout.at(spotX + kCentreCircleRadius, kCentreCircleRadius));
        // Qt's angles run counter-clockwise on the screen, with y down: mirrored.
        painter.drawArc(circle, static_cast<int>(-(facing + half) * 16),
                        static_cast<int>(2 * half * 16));
        painter.setBrush(rgb(colours::kLine));
        painter.drawEllipse(layout.at(spotX, 0), spot, spot);
        for (const double top : {-1.0, 1.0}) {
            const QPointF corner = layout.at(goalLine, top * kHalfWidth);
            const double r = kCornerArcRadius * s;
            painter.setBrush(Qt::NoBrush);
            const double start = side > 0 ? (top > 0 ? 90.0 : 180.0) : (top > 0 ? 0.0 : 270.0);
            painter.drawArc(QRectF(corner.x() - r, corner.y() - r, 2 * r, 2 * r),
                            static_cast<int>(start * 16), 90 * 16);
        }
    }
}

QRgb fillOf(const gamelog::Player& p) {
    const bool goalie = p.has(gamelog::kStateGoalie);
    if (p.side == gamelog::Side::kLeft) {
        return goalie ? colours::kLeftGoalie : colours::kLeftTeam;
    }
    return goalie ? colours::kRightGoalie : colours::kRightTeam;
}

// The ring that tells what the player did this cycle; a failure outranks the action.
std::optional<QRgb> actionRing(const gamelog::Player& p) {
    using namespace gamelog;
    if (p.has(kStateKickFault) || p.has(kStateCatchFault) || p.has(kStateTackleFault) ||
        p.has(kStateFreeKickFault)) {
        return colours::kFault;
    }
    if (p.has(kStateTackle)) {
        return colours::kTackle;
    }
    if (p.has(kStateCatch)) {
        return colours::kCatch;
    }
    if (p.has(kStateKick)) {
        return colours::kKick;
    }
    return std::nullopt;
}

void paintViewCone(QPainter& painter, const PictureLayout& layout, const gamelog::Player& p) {
    const QPointF centre = layout.at(p.pos);
    const double r = kViewConeMetres * layout.scale();
    const double head = p.body + p.neck;
    QPainterPath cone(centre);
    cone.arcTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), -(head - p.viewWidth / 2.0),
               -p.viewWidth);
    cone.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(rgb(colours::kLine, 36));
    painter.drawPath(cone);
}

void paintStamina(QPainter& painter, const PictureLayout& layout, const gamelog::Player& p,
                  double staminaMax) {
    const double r = layout.playerRadius();
    const QPointF centre = layout.at(p.pos);
    const double height = std::max(3.0, r / 3.0);
    const QRectF bar(centre.x() - r, centre.y() + r + 3.0, 2.0 * r, height);
    const double share = staminaMax > 0.0 ? std::clamp(p.stamina / staminaMax, 0.0, 1.0) : 0.0;
    painter.setPen(Qt::NoPen);
    painter.fillRect(bar, QColor(0, 0, 0, 160));
    const QColor level = share > 0.5    ? QColor(60, 220, 60)
                         : share > 0.25 ? QColor(240, 210, 40)
                                        : QColor(230, 40, 40);
    painter.fillRect(QRectF(bar.left(), bar.top(), bar.width() * share, bar.height()), level);
}

void paintPlayer(QPainter& painter, const PictureLayout& layout, const gamelog::Player& p) {
    const QPointF centre = layout.at(p.pos);
    const double r = layout.playerRadius();
    const QRgb fill = fillOf(p);
    if (const auto ring = actionRing(p)) {
        QPen pen(rgb(*ring));
        pen.setWidthF(std::max(2.0, r * 0.3));
        if (*ring == colours::kFault) {
            pen.setStyle(Qt::DashLine);
        }
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, r + pen.widthF(), r + pen.widthF());
    }
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(rgb(fill));
    painter.drawEllipse(centre, r, r);
    // The body's direction: a pointer from the rim outwards.
    QPen pointer(Qt::black);
    pointer.setWidthF(std::max(2.0, r * 0.25));
    pointer.setCapStyle(Qt::RoundCap);
    painter.setPen(pointer);
    const QPointF facing = direction(p.body);
    painter.drawLine(centre + facing * r, centre + facing * (r * 1.7));
    if (p.has(gamelog::kStateYellowCard) || p.has(gamelog::kStateRedCard)) {
        const QRectF card(centre.x() + r * 0.6, centre.y() - r * 1.5, r * 0.6, r * 0.85);
        painter.fillRect(card,
                         p.has(gamelog::kStateRedCard) ? QColor(230, 0, 0) : QColor(255, 230, 0));
    }
    QFont font;
    font.setBold(true);
    font.setPixelSize(std::max(6, static_cast<int>(r * 1.25)));
    painter.setFont(font);
    const bool lightFill = qGray(fill) > 140;
    painter.setPen(lightFill ? Qt::black : Qt::white);
    painter.drawText(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r),
                     Qt::AlignCenter | Qt::TextSingleLine, QString::number(p.number));
}

QString playModeText(int playMode) {
    const std::string_view name = gamelog::playModeName(playMode);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

void paintBoard(QPainter& painter, const PictureLayout& layout, const gamelog::Frame* frame) {
    painter.fillRect(layout.board(), rgb(colours::kBoard));
    const gamelog::Teams teams = frame != nullptr ? frame->teams : gamelog::Teams{};
    boardText(painter, layout.leftName(), colours::kLeftTeam, qRgb(255, 255, 255),
              QString::fromStdString(teams.left));
    boardText(painter, layout.score(), colours::kScoreBox, qRgb(0, 0, 0), scoreText(teams));
    boardText(painter, layout.rightName(), colours::kRightTeam, qRgb(255, 255, 255),
              QString::fromStdString(teams.right));
    const QString mode = frame != nullptr ? playModeText(frame->playMode) : QString();
    boardText(painter, layout.playMode(), colours::kBoard, qRgb(255, 255, 255), mode);
    boardText(painter, layout.cycle(), colours::kBoard, qRgb(255, 255, 255),
              frame != nullptr ? QString::number(frame->cycle) : QString());
}

void paintNotice(QPainter& painter, const PictureLayout& layout, const QString& notice) {
    const QRectF field(layout.at(-kHalfLength, -kHalfWidth), layout.at(kHalfLength, kHalfWidth));
    const double height = std::max(20.0, layout.scale() * 5.0);
    const QRectF box(field.left() + field.width() * 0.1, field.center().y() - height / 2,
                     field.width() * 0.8, height);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 170));
    painter.drawRoundedRect(box, height * 0.2, height * 0.2);
    painter.setPen(Qt::white);
    painter.setFont(fittingFont(notice, height * 0.5, box.width() - height));
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, notice);
}

}  // namespace

PictureLayout::PictureLayout(QSize size) : size_(size) {
    const double w = std::max(1, size.width());
    const double h = std::max(1, size.height());
    const double band = std::clamp(h * kBoardShare, kMinBoard, kMaxBoard);
    board_ = QRectF(0, 0, w, std::min(band, h));
    const double below = std::max(1.0, h - board_.height());
    scale_ = std::max(0.01, std::min(w / (2 * kHalfAreaLength), below / (2 * kHalfAreaWidth)));
    centre_ = QPointF(w / 2.0, board_.height() + below / 2.0);
}

QPointF PictureLayout::at(double x, double y) const {
    return {centre_.x() + x * scale_, centre_.y() + y * scale_};
}

double PictureLayout::playerRadius() const {
    return std::max(kMinPlayerRadius, kPlayerRadiusMetres * scale_);
}

double PictureLayout::ballRadius() const {
    return std::max(kMinBallRadius, kBallRadiusMetres * scale_);
}

QRectF PictureLayout::leftName() const {
    const double w = board_.width();
    return {0.0, 0.0, w * 0.32, board_.height()};
}

QRectF PictureLayout::score() const {
    const double w = board_.width();
    return {w * 0.32, 0.0, w * 0.14, board_.height()};
}

QRectF PictureLayout::rightName() const {
    const double w = board_.width();
    return {w * 0.46, 0.0, w * 0.32, board_.height()};
}

QRectF PictureLayout::playMode() const {
    const double w = board_.width();
    return {w * 0.78, 0.0, w * 0.14, board_.height()};
}

QRectF PictureLayout::cycle() const {
    const double w = board_.width();
    return {w * 0.92, 0.0, w * 0.08, board_.height()};
}

QString scoreText(const gamelog::Teams& teams) {
    QString text = QStringLiteral("%1 - %2").arg(teams.scoreLeft).arg(teams.scoreRight);
    const int kicks = teams.penaltyScoreLeft + teams.penaltyMissLeft + teams.penaltyScoreRight +
                      teams.penaltyMissRight;
    if (kicks > 0) {
        text += QStringLiteral(" (%1:%2)").arg(teams.penaltyScoreLeft).arg(teams.penaltyScoreRight);
    }
    return text;
}

QString matchTitle(const gamelog::Teams& teams) {
    if (teams.left.empty() && teams.right.empty()) {
        return QStringLiteral("ZamoMonitor");
    }
    const auto name = [](const std::string& n) {
        return n.empty() ? QStringLiteral("?") : QString::fromStdString(n);
    };
    return QStringLiteral("ZamoMonitor: %1 %2 %3")
        .arg(name(teams.left), scoreText(teams), name(teams.right));
}

void paintMatch(QPainter& painter, const PictureLayout& layout, const gamelog::Frame* frame,
                const PictureOptions& options) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(QRect(QPoint(0, 0), layout.size()), rgb(colours::kSurround));
    paintField(painter, layout);
    if (frame != nullptr) {
        std::vector<const gamelog::Player*> onField;
        for (const gamelog::Player& p : frame->players) {
            if (p.onField()) {
                onField.push_back(&p);
            }
        }
        if (options.viewCones) {
            for (const gamelog::Player* p : onField) {
                paintViewCone(painter, layout, *p);
            }
        }
        for (const gamelog::Player* p : onField) {
            paintPlayer(painter, layout, *p);
        }
        if (options.stamina) {
            for (const gamelog::Player* p : onField) {
                paintStamina(painter, layout, *p, options.staminaMax);
            }
        }
        const double r = layout.ballRadius();
        painter.setPen(QPen(Qt::black, 1.0));
        painter.setBrush(rgb(colours::kBall));
        painter.drawEllipse(layout.at(frame->ball.pos), r, r);
    }
    paintBoard(painter, layout, frame);
    if (!options.notice.isEmpty()) {
        paintNotice(painter, layout, options.notice);
    }
    painter.restore();
}

QImage renderMatch(const gamelog::Frame* frame, QSize size, const PictureOptions& options) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    paintMatch(painter, PictureLayout(size), frame, options);
    painter.end();
    return image;
}

}  // namespace zamo::monitor
