#include "agent/perception/geometry.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "agent/config/server_params.h"
#include "agent/perception/self_state.h"

namespace zamo {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kTolerance = 1e-9;
const double kNan = std::nan("");

struct Case {
    double input;
    double expected;
};

// Checks f(input) == expected exactly for every row.
template <std::size_t N, typename F>
void expectEach(const Case (&cases)[N], F f) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(f(c.input), c.expected);
    }
}

class GeometryTest : public ::testing::Test {
  protected:
    ServerParams params;
    SelfState self;
    Geometry geometry{params, self};
};

TEST_F(GeometryTest, NormalizeAngleKeepsBothEndsAndWrapsByFullTurns) {
    const double wrapped = 360.0 * 1099511627776.0 + 180.0;  // 2^40 full turns and a half
    const Case angles[] = {{180.0, 180.0},   {-180.0, -180.0},  {540.0, 180.0},
                           {-540.0, -180.0}, {-190.0, 170.0},   {725.0, 5.0},
                           {180.5, -179.5},  {-180.5, 179.5},   {360.0, 0.0},
                           {-37.25, -37.25}, {3600090.0, 90.0}, {-3600090.0, -90.0},
                           {wrapped, 180.0}, {-wrapped, -180.0}};
    expectEach(angles, [&](double a) { return geometry.normalizeAngle(a); });
    for (const double huge :
         {1e300, -1e300, std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()}) {
        const double a = geometry.normalizeAngle(huge);
        EXPECT_GE(a, -180.0) << huge;
        EXPECT_LE(a, 180.0) << huge;
    }
    for (const double bad : {std::nan(""), kInf, -kInf}) {
        EXPECT_TRUE(std::isnan(geometry.normalizeAngle(bad))) << bad;
    }
    // The range follows the moment limits in force.
    params.maxMoment = 90.0;
    params.minMoment = -90.0;
    const Case limited[] = {{100.0, -80.0}, {-100.0, 80.0}, {90.0, 90.0}};
    expectEach(limited, [&](double a) { return geometry.normalizeAngle(a); });
}

TEST_F(GeometryTest, AngleArithmeticAndDirections) {
    EXPECT_EQ(geometry.addAngles(170.0, 20.0), -170.0);
    EXPECT_EQ(geometry.addAngles(90.0, 90.0), 180.0);
    EXPECT_EQ(geometry.subtractAngles(-170.0, 20.0), 170.0);
    EXPECT_EQ(geometry.subtractAngles(-90.0, 90.0), -180.0);

    const struct {
        Vec2 v;
        double expected;
        double tolerance;
    } directions[] = {{{-1.0, 0.0}, 180.0, 0.0},        {{0.0, 0.0}, 0.0, 0.0},
                      {{0.0, -3.0}, -90.0, 0.0},        {{0.0, 2.0}, 90.0, 0.0},
                      {{4.0, 0.0}, 0.0, 0.0},           {{-1.0, -1.0}, -135.0, kTolerance},
                      {{-1.0, 1.0}, 135.0, kTolerance}, {{1.0, 1.0}, 45.0, kTolerance},
                      {{1.0, -1.0}, -45.0, kTolerance}, {{-1.0, -1e-12}, -180.0, 1e-6}};
    for (const auto& c : directions) {
        SCOPED_TRACE(testing::Message() << c.v.x << "," << c.v.y);
        EXPECT_NEAR(geometry.directionOf(c.v), c.expected, c.tolerance);
        // directionTo uses the difference of the two points.
        EXPECT_NEAR(geometry.directionTo({3.0, 2.0}, Vec2{3.0, 2.0} + c.v), c.expected,
                    c.tolerance + 1e-9);
    }
}

TEST(GeometryFunctions, DistanceLengthAndRotation) {
    EXPECT_DOUBLE_EQ(distance({1.0, 2.0}, {4.0, 6.0}), 5.0);
    EXPECT_DOUBLE_EQ(distance({-1.0, -2.0}, {-1.0, -2.0}), 0.0);
    EXPECT_DOUBLE_EQ(length({-3.0, 4.0}), 5.0);

    const Vec2 o{2.5, -1.5};
    EXPECT_EQ(rotateAbout(o, o, 90.0), o);
    // Positive angles turn towards positive y.
    const struct {
        Vec2 centre, point;
        double angle;
        Vec2 expected;
    } rotations[] = {{{0.0, 0.0}, {1.0, 0.0}, 90.0, {0.0, 1.0}},
                     {{1.0, 1.0}, {2.0, 1.0}, 180.0, {0.0, 1.0}},
                     {{1.0, 1.0}, {2.0, 1.0}, -90.0, {1.0, 0.0}},
                     {{0.0, 0.0}, {0.0, 2.0}, 45.0, {-std::sqrt(2.0), std::sqrt(2.0)}}};
    for (const auto& r : rotations) {
        SCOPED_TRACE(r.angle);
        const Vec2 turned = rotateAbout(r.centre, r.point, r.angle);
        EXPECT_NEAR(turned.x, r.expected.x, kTolerance);
        EXPECT_NEAR(turned.y, r.expected.y, kTolerance);
    }
}

TEST(GeometryFunctions, TriangleAngleMeasuresAtTheSideOfLengthE) {
    // Sides 3 (p1-p2), 5 and 4: the angle between 3 and 5 is acos(3/5).
    EXPECT_NEAR(triangleAngle({0.0, 0.0}, {3.0, 0.0}, 5.0, 4.0), std::acos(0.6) * kRadToDeg,
                kTolerance);
    EXPECT_NEAR(triangleAngle({0.0, 0.0}, {3.0, 0.0}, 4.0, 5.0), 90.0, 1e-6);
    EXPECT_NEAR(triangleAngle({1.0, 1.0}, {1.0, 3.0}, 2.0, 2.0), 60.0, kTolerance);
    // Flat triangles give zero, not NaN.
    EXPECT_EQ(triangleAngle({0.0, 0.0}, {2.0, 0.0}, 1.0, 1.0), 0.0);
    EXPECT_EQ(triangleAngle({0.0, 0.0}, {2.0, 0.0}, 3.0, 1.0), 0.0);
    EXPECT_EQ(triangleAngle({0.0, 0.0}, {2.0, 0.0}, 0.0, 2.0), 0.0);
    EXPECT_EQ(triangleAngle({1.0, 1.0}, {1.0, 1.0}, 2.0, 2.0), 0.0);
    for (int i = 1; i < 200; ++i) {
        const Vec2 p2{0.1 * i, 0.07 * i};
        const double e = 0.013 * i;
        const double angle = triangleAngle({0.0, 0.0}, p2, e, length(p2) + e);
        EXPECT_FALSE(std::isnan(angle)) << i;
        EXPECT_NEAR(angle, 0.0, 1e-3) << i;
    }
}

// Positive halves go to the odd neighbour; negatives truncate x + 0.5; the int range clamps.
TEST(GeometryFunctions, RoundToInt) {
    const Case rounded[] = {{0.5, 1},   {1.5, 1},   {2.5, 3},  {3.5, 3},  {4.5, 5},
                            {2.4, 2},   {2.6, 3},   {0.0, 0},  {7.0, 7},  {-2.3, -1},
                            {-2.7, -2}, {-2.5, -2}, {-0.5, 0}, {-0.4, 0}, {-3.0, -2}};
    expectEach(rounded, [](double x) { return roundToInt(x); });
    const double hi = INT_MAX;
    const double lo = INT_MIN;
    const Case clamped[] = {
        {2147483646.6, hi},  {2147483647.5, hi}, {3e9, hi},    {1e300, hi}, {kInf, hi},
        {-2147483648.7, lo}, {-3e9, lo},         {-1e300, lo}, {-kInf, lo}, {kNan, 0}};
    expectEach(clamped, [](double x) { return roundToInt(x); });
    EXPECT_EQ(roundToInt(-2147483646.7), -2147483646);
}

TEST(GeometryFunctions, QuantizeRoundsTheDoubleQuotient) {
    EXPECT_DOUBLE_EQ(quantize(0.25, 0.1), 0.3);  // 2.5 exactly: odd tie up
    EXPECT_DOUBLE_EQ(quantize(0.45, 0.1), 0.5);  // 4.5 exactly
    EXPECT_DOUBLE_EQ(quantize(1.05, 0.1), 1.1);  // 10.5 exactly: odd tie up
    EXPECT_DOUBLE_EQ(quantize(0.35, 0.1), 0.3);  // 3.4999999999999996
    EXPECT_DOUBLE_EQ(quantize(0.15, 0.1), 0.1);  // 1.4999999999999998
    EXPECT_DOUBLE_EQ(quantize(-0.25, 0.1), -0.2);
    EXPECT_DOUBLE_EQ(quantize(-0.27, 0.1), -0.2);
    EXPECT_DOUBLE_EQ(quantize(12.3456, 0.01), 12.35);
    // Extreme inputs stay defined.
    EXPECT_EQ(quantize(1.0, 0.0), 0.0);
    EXPECT_DOUBLE_EQ(quantize(1e300, 0.1), 0.1 * INT_MAX);
    EXPECT_EQ(quantize(std::nan(""), 0.1), 0.0);
}

TEST_F(GeometryTest, ClampsHoldTheirBounds) {
    const Case power[] = {{100.0, 100.0},   {100.5, 100.0},   {1e9, 100.0},
                          {-100.0, -100.0}, {-100.5, -100.0}, {42.0, 42.0}};
    expectEach(power, [&](double v) { return geometry.clampPower(v); });
    const Case moment[] = {{180.0, 180.0},   {180.1, 180.0},  {-180.0, -180.0},
                           {-181.0, -180.0}, {-kInf, -180.0}, {-12.5, -12.5}};
    expectEach(moment, [&](double v) { return geometry.clampMoment(v); });
    const Case ballSpeed[] = {{2.7, 2.7}, {2.71, 2.7}, {-2.7, -2.7}, {-3.0, -2.7}, {1.2, 1.2}};
    expectEach(ballSpeed, [&](double v) { return geometry.clampBallSpeed(v); });
    const Case stamina[] = {
        {0.0, 0.0}, {-0.1, 0.0}, {4000.0, 4000.0}, {4000.5, 4000.0}, {2500.0, 2500.0}};
    expectEach(stamina, [&](double v) { return geometry.clampStamina(v); });
    params.staminaMax = 8000.0;
    EXPECT_EQ(geometry.clampStamina(7000.0), 7000.0);
    const Case fieldX[] = {
        {57.5, 57.5}, {57.6, 57.5}, {-57.5, -57.5}, {-60.0, -57.5}, {10.0, 10.0}};
    expectEach(fieldX, [](double v) { return Geometry::clampFieldX(v); });
    const Case fieldY[] = {
        {39.0, 39.0}, {39.01, 39.0}, {-39.0, -39.0}, {-45.0, -39.0}, {-3.0, -3.0}};
    expectEach(fieldY, [](double v) { return Geometry::clampFieldY(v); });
}

TEST_F(GeometryTest, NeckMomentKeepsTheNeckInsideItsRange) {
    const struct {
        double neck, moment, expected;
    } cases[] = {{70.0, 40.0, 20.0},     {70.0, 20.0, 20.0},    {70.0, -160.0, -160.0},
                 {70.0, -161.0, -160.0}, {-70.0, -40.0, -20.0}, {-70.0, 100.0, 100.0},
                 {-90.0, 200.0, 180.0},  {0.0, 90.0, 90.0},     {0.0, 91.0, 90.0},
                 {0.0, -95.0, -90.0}};
    for (const auto& c : cases) {
        self.neckAngle = c.neck;
        EXPECT_EQ(geometry.clampNeckMoment(c.moment), c.expected) << c.neck << " " << c.moment;
    }
}

TEST_F(GeometryTest, TurnForSpeedShrinksWithSpeed) {
    // A negative speed must not widen the limit beyond one full turn or flip its sign.
    const struct {
        double moment, speed, expected;
    } cases[] = {{180.0, 1.0, 30.0}, {-180.0, 1.0, -30.0}, {-10.0, 1.0, -10.0},
                 {29.0, 1.0, 29.0},  {0.0, 1.0, 0.0},      {180.0, 0.0, 180.0},
                 {90.0, 0.4, 60.0},  {180.0, -0.2, 180.0}, {-180.0, -0.5, -180.0}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(geometry.clampTurnForSpeed(c.moment, c.speed), c.expected)
            << c.moment << " " << c.speed;
    }
}

}  // namespace
}  // namespace zamo
