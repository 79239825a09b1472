#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>

#include "gamelog/frame.h"

class QPainter;

namespace zamo::monitor {

// The picture's colours, for the window and for tests that look at its pixels.
namespace colours {
inline constexpr QRgb kSurround = qRgb(30, 118, 30);
inline constexpr QRgb kPitch = qRgb(40, 150, 40);
inline constexpr QRgb kLine = qRgb(255, 255, 255);
inline constexpr QRgb kGoal = qRgb(70, 70, 70);
inline constexpr QRgb kLeftTeam = qRgb(50, 100, 230);
inline constexpr QRgb kRightTeam = qRgb(220, 50, 50);
inline constexpr QRgb kLeftGoalie = qRgb(0, 200, 220);
inline constexpr QRgb kRightGoalie = qRgb(245, 160, 20);
inline constexpr QRgb kBall = qRgb(255, 255, 255);
inline constexpr QRgb kKick = qRgb(255, 255, 255);
inline constexpr QRgb kTackle = qRgb(255, 120, 0);
inline constexpr QRgb kCatch = qRgb(170, 255, 255);
inline constexpr QRgb kFault = qRgb(255, 0, 255);
inline constexpr QRgb kBoard = qRgb(32, 32, 32);
inline constexpr QRgb kScoreBox = qRgb(250, 250, 250);
}  // namespace colours

// What the picture shows besides the frame.
struct PictureOptions {
    bool viewCones = false;
    bool stamina = false;
    double staminaMax = 8000.0;  // what a full stamina bar stands for
    QString notice;              // a line over the field, e.g. while waiting for a server
};

// Where the parts of a picture of a given size go: the score board in a band across the top,
// below it the field with a margin around it, as large as the size allows and centred.
class PictureLayout {
  public:
    // The area drawn around the field centre, in metres: the field and its surroundings.
    static constexpr double kHalfAreaLength = 57.5;
    static constexpr double kHalfAreaWidth = 38.0;

    explicit PictureLayout(QSize size);

    QSize size() const { return size_; }
    double scale() const { return scale_; }  // pixels per metre
    // The pixel of a field point in the simulator's frame (x towards the right goal, y down).
    QPointF at(double x, double y) const;
    QPointF at(gamelog::Point p) const { return at(p.x, p.y); }
    double playerRadius() const;
    double ballRadius() const;

    QRectF board() const { return board_; }
    QRectF leftName() const;
    QRectF score() const;
    QRectF rightName() const;
    QRectF playMode() const;
    QRectF cycle() const;

  private:
    QSize size_;
    QRectF board_;
    double scale_ = 1.0;
    QPointF centre_;
};

// "0 - 1", with the penalty shoot-out's goals when there was one.
QString scoreText(const gamelog::Teams& teams);
// "ZamoMonitor: LEFT L - R RIGHT"; just "ZamoMonitor" while neither team is known.
QString matchTitle(const gamelog::Teams& teams);

// Draws the whole picture; without a frame only the empty field and the board.
void paintMatch(QPainter& painter, const PictureLayout& layout, const gamelog::Frame* frame,
                const PictureOptions& options);
QImage renderMatch(const gamelog::Frame* frame, QSize size, const PictureOptions& options);

}  // namespace zamo::monitor
