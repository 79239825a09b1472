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

class GeometryTest : public ::testing::Test {
  protected:
    ServerParams params;
    SelfState self;
    Geometry geometry{params, self};
};

TEST_F(GeometryTest, NormalizeAngleKeepsBothEndsAndWrapsByFullTurns) {
    EXPECT_EQ(geometry.normalizeAngle(180.0), 180.0);
    EXPECT_EQ(geometry.normalizeAngle(-180.0), -180.0);
    EXPECT_EQ(geometry.normalizeAngle(540.0), 180.0);
    EXPECT_EQ(geometry.normalizeAngle(-540.0), -180.0);
    EXPECT_EQ(geometry.normalizeAngle(-190.0), 170.0);
    EXPECT_EQ(geometry.normalizeAngle(725.0), 5.0);
    EXPECT_EQ(geometry.normalizeAngle(180.5), -179.5);
    EXPECT_EQ(geometry.normalizeAngle(-180.5), 179.5);
    EXPECT_EQ(geometry.normalizeAngle(360.0), 0.0);
    EXPECT_EQ(geometry.normalizeAngle(-37.25), -37.25);
}

TEST_F(GeometryTest, NormalizeAngleBringsHugeValuesIntoRangePromptly) {
    EXPECT_EQ(geometry.normalizeAngle(3600090.0), 90.0);
    EXPECT_EQ(geometry.normalizeAngle(-3600090.0), -90.0);
    EXPECT_EQ(geometry.normalizeAngle(360.0 * 1099511627776.0 + 180.0), 180.0);
    EXPECT_EQ(geometry.normalizeAngle(-360.0 * 1099511627776.0 - 180.0), -180.0);
    for (const double huge :
         {1e300, -1e300, std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()}) {
        const double a = geometry.normalizeAngle(huge);
        EXPECT_GE(a, -180.0) << huge;
        EXPECT_LE(a, 180.0) << huge;
    }
}

TEST_F(GeometryTest, NormalizeAngleGivesNanForNanAndInfinities) {
    EXPECT_TRUE(std::isnan(geometry.normalizeAngle(std::nan(""))));
    EXPECT_TRUE(std::isnan(geometry.normalizeAngle(kInf)));
    EXPECT_TRUE(std::isnan(geometry.normalizeAngle(-kInf)));
}

TEST_F(GeometryTest, NormalizeAngleFollowsTheMomentLimitsInForce) {
    params.maxMoment = 90.0;
    params.minMoment = -90.0;
    EXPECT_EQ(geometry.normalizeAngle(100.0), -80.0);
    EXPECT_EQ(geometry.normalizeAngle(-100.0), 80.0);
    EXPECT_EQ(geometry.normalizeAngle(90.0), 90.0);
}

TEST_F(GeometryTest, AddAndSubtractAnglesNormalise) {
    EXPECT_EQ(geometry.addAngles(170.0, 20.0), -170.0);
    EXPECT_EQ(geometry.addAngles(90.0, 90.0), 180.0);
    EXPECT_EQ(geometry.subtractAngles(-170.0, 20.0), 170.0);
    EXPECT_EQ(geometry.subtractAngles(-90.0, 90.0), -180.0);
}

TEST_F(GeometryTest, DirectionOfCoversAxesAndQuadrants) {
    EXPECT_EQ(geometry.directionOf({-1.0, 0.0}), 180.0);
    EXPECT_EQ(geometry.directionOf({0.0, 0.0}), 0.0);
    EXPECT_EQ(geometry.directionOf({0.0, -3.0}), -90.0);
    EXPECT_EQ(geometry.directionOf({0.0, 2.0}), 90.0);
    EXPECT_EQ(geometry.directionOf({4.0, 0.0}), 0.0);
    EXPECT_NEAR(geometry.directionOf({-1.0, -1.0}), -135.0, kTolerance);
    EXPECT_NEAR(geometry.directionOf({-1.0, 1.0}), 135.0, kTolerance);
    EXPECT_NEAR(geometry.directionOf({1.0, 1.0}), 45.0, kTolerance);
    EXPECT_NEAR(geometry.directionOf({1.0, -1.0}), -45.0, kTolerance);
    EXPECT_NEAR(geometry.directionOf({-1.0, -1e-12}), -180.0, 1e-6);
}

TEST_F(GeometryTest, DirectionToUsesTheDifference) {
    EXPECT_EQ(geometry.directionTo({3.0, 2.0}, {1.0, 2.0}), 180.0);
    EXPECT_EQ(geometry.directionTo({3.0, 2.0}, {3.0, 2.0}), 0.0);
    EXPECT_EQ(geometry.directionTo({3.0, 2.0}, {3.0, -5.0}), -90.0);
    EXPECT_NEAR(geometry.directionTo({1.0, 1.0}, {0.0, 0.0}), -135.0, kTolerance);
}

TEST(GeometryFunctions, DistanceAndLength) {
    EXPECT_DOUBLE_EQ(distance({1.0, 2.0}, {4.0, 6.0}), 5.0);
    EXPECT_DOUBLE_EQ(distance({-1.0, -2.0}, {-1.0, -2.0}), 0.0);
    EXPECT_DOUBLE_EQ(length({-3.0, 4.0}), 5.0);
}

TEST(GeometryFunctions, RotateAboutTurnsTowardsPositiveY) {
    const Vec2 o{2.5, -1.5};
    EXPECT_EQ(rotateAbout(o, o, 90.0), o);

    const Vec2 quarter = rotateAbout({0.0, 0.0}, {1.0, 0.0}, 90.0);
    EXPECT_NEAR(quarter.x, 0.0, kTolerance);
    EXPECT_NEAR(quarter.y, 1.0, kTolerance);

    const Vec2 half = rotateAbout({1.0, 1.0}, {2.0, 1.0}, 180.0);
    EXPECT_NEAR(half.x, 0.0, kTolerance);
    EXPECT_NEAR(half.y, 1.0, kTolerance);

    const Vec2 back = rotateAbout({1.0, 1.0}, {2.0, 1.0}, -90.0);
    EXPECT_NEAR(back.x, 1.0, kTolerance);
    EXPECT_NEAR(back.y, 0.0, kTolerance);

    const Vec2 diagonal = rotateAbout({0.0, 0.0}, {0.0, 2.0}, 45.0);
    EXPECT_NEAR(diagonal.x, -std::sqrt(2.0), kTolerance);
    EXPECT_NEAR(diagonal.y, std::sqrt(2.0), kTolerance);
}

TEST(GeometryFunctions, TriangleAngleMeasuresAtTheSideOfLengthE) {
    // Sides 3 (p1-p2), 5 and 4: the angle between 3 and 5 is acos(3/5).
    EXPECT_NEAR(triangleAngle({0.0, 0.0}, {3.0, 0.0}, 5.0, 4.0), std::acos(0.6) * kRadToDeg,
                kTolerance);
    EXPECT_NEAR(triangleAngle({0.0, 0.0}, {3.0, 0.0}, 4.0, 5.0), 90.0, 1e-6);
    EXPECT_NEAR(triangleAngle({1.0, 1.0}, {1.0, 3.0}, 2.0, 2.0), 60.0, kTolerance);
}

TEST(GeometryFunctions, TriangleAngleOfFlatTrianglesIsZeroNotNan) {
    EXPECT_EQ(triangleAngle({0.0, 0.0}, {2.0, 0.0}, 1.0, 1.0), 0.0);
    EXPECT_EQ(triangleAngle({0.0, 0.0}, {2.0, 0.0}, 3.0, 1.0), 0.0);
    EXPECT_EQ(triangleAngle({0.0, 0.0}, {2.0, 0.0}, 0.0, 2.0), 0.0);
    EXPECT_EQ(triangleAngle({1.0, 1.0}, {1.0, 1.0}, 2.0, 2.0), 0.0);
    for (int i = 1; i < 200; ++i) {
        const Vec2 p2{0.1 * i, 0.07 * i};
        const double g = length(p2);
        const double e = 0.013 * i;
        const double angle = triangleAngle({0.0, 0.0}, p2, e, g + e);
        EXPECT_FALSE(std::isnan(angle)) << i;
        EXPECT_NEAR(angle, 0.0, 1e-3) << i;
    }
}

TEST(GeometryFunctions, RoundToIntSendsPositiveHalvesToTheOddNeighbour) {
    EXPECT_EQ(roundToInt(0.5), 1);
    EXPECT_EQ(roundToInt(1.5), 1);
    EXPECT_EQ(roundToInt(2.5), 3);
    EXPECT_EQ(roundToInt(3.5), 3);
    EXPECT_EQ(roundToInt(4.5), 5);
    EXPECT_EQ(roundToInt(2.4), 2);
    EXPECT_EQ(roundToInt(2.6), 3);
    EXPECT_EQ(roundToInt(0.0), 0);
    EXPECT_EQ(roundToInt(7.0), 7);
}

TEST(GeometryFunctions, RoundToIntOfNegativesTruncatesXPlusHalf) {
    EXPECT_EQ(roundToInt(-2.3), -1);
    EXPECT_EQ(roundToInt(-2.7), -2);
    EXPECT_EQ(roundToInt(-2.5), -2);
    EXPECT_EQ(roundToInt(-0.5), 0);
    EXPECT_EQ(roundToInt(-0.4), 0);
    EXPECT_EQ(roundToInt(-3.0), -2);  // whole negatives move up by one
}

TEST(GeometryFunctions, RoundToIntClampsToTheIntRange) {
    EXPECT_EQ(roundToInt(2147483646.6), INT_MAX);
    EXPECT_EQ(roundToInt(2147483647.5), INT_MAX);
    EXPECT_EQ(roundToInt(3e9), INT_MAX);
    EXPECT_EQ(roundToInt(1e300), INT_MAX);
    EXPECT_EQ(roundToInt(kInf), INT_MAX);
    EXPECT_EQ(roundToInt(-2147483648.7), INT_MIN);
    EXPECT_EQ(roundToInt(-2147483646.7), -2147483646);
    EXPECT_EQ(roundToInt(-3e9), INT_MIN);
    EXPECT_EQ(roundToInt(-1e300), INT_MIN);
    EXPECT_EQ(roundToInt(-kInf), INT_MIN);
    EXPECT_EQ(roundToInt(std::nan("")), 0);
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
}

TEST(GeometryFunctions, QuantizeOfExtremeInputsStaysDefined) {
    EXPECT_EQ(quantize(1.0, 0.0), 0.0);
    EXPECT_DOUBLE_EQ(quantize(1e300, 0.1), 0.1 * INT_MAX);
    EXPECT_EQ(quantize(std::nan(""), 0.1), 0.0);
}

struct ClampCase {
    double input;
    double expected;
};

TEST_F(GeometryTest, PowerAndMomentClampAtTheirBounds) {
    for (const auto [in, out] : {ClampCase{100.0, 100.0},
                                 {100.5, 100.0},
                                 {1e9, 100.0},
                                 {-100.0, -100.0},
                                 {-100.5, -100.0},
                                 {42.0, 42.0}}) {
        EXPECT_EQ(geometry.clampPower(in), out) << in;
    }
    for (const auto [in, out] : {ClampCase{180.0, 180.0},
                                 {180.1, 180.0},
                                 {-180.0, -180.0},
                                 {-181.0, -180.0},
                                 {-kInf, -180.0},
                                 {-12.5, -12.5}}) {
        EXPECT_EQ(geometry.clampMoment(in), out) << in;
    }
}

TEST_F(GeometryTest, BallSpeedAndStaminaClampAtTheirBounds) {
    for (const auto [in, out] :
         {ClampCase{2.7, 2.7}, {2.71, 2.7}, {-2.7, -2.7}, {-3.0, -2.7}, {1.2, 1.2}}) {
        EXPECT_EQ(geometry.clampBallSpeed(in), out) << in;
    }
    for (const auto [in, out] :
         {ClampCase{0.0, 0.0}, {-0.1, 0.0}, {4000.0, 4000.0}, {4000.5, 4000.0}, {2500.0, 2500.0}}) {
        EXPECT_EQ(geometry.clampStamina(in), out) << in;
    }
    params.staminaMax = 8000.0;
    EXPECT_EQ(geometry.clampStamina(7000.0), 7000.0);
}

TEST(GeometryFunctions, FieldCoordinatesClampAtTheirBounds) {
    for (const auto [in, out] :
         {ClampCase{57.5, 57.5}, {57.6, 57.5}, {-57.5, -57.5}, {-60.0, -57.5}, {10.0, 10.0}}) {
        EXPECT_EQ(Geometry::clampFieldX(in), out) << in;
    }
    for (const auto [in, out] :
         {ClampCase{39.0, 39.0}, {39.01, 39.0}, {-39.0, -39.0}, {-45.0, -39.0}, {-3.0, -3.0}}) {
        EXPECT_EQ(Geometry::clampFieldY(in), out) << in;
    }
}

TEST_F(GeometryTest, NeckMomentKeepsTheNeckInsideItsRange) {
    self.neckAngle = 70.0;
    EXPECT_EQ(geometry.clampNeckMoment(40.0), 20.0);
    EXPECT_EQ(geometry.clampNeckMoment(20.0), 20.0);
    EXPECT_EQ(geometry.clampNeckMoment(-160.0), -160.0);
    EXPECT_EQ(geometry.clampNeckMoment(-161.0), -160.0);

    self.neckAngle = -70.0;
    EXPECT_EQ(geometry.clampNeckMoment(-40.0), -20.0);
    EXPECT_EQ(geometry.clampNeckMoment(100.0), 100.0);

    self.neckAngle = -90.0;
    EXPECT_EQ(geometry.clampNeckMoment(200.0), 180.0);

    self.neckAngle = 0.0;
    EXPECT_EQ(geometry.clampNeckMoment(90.0), 90.0);
    EXPECT_EQ(geometry.clampNeckMoment(91.0), 90.0);
    EXPECT_EQ(geometry.clampNeckMoment(-95.0), -90.0);
}

TEST_F(GeometryTest, TurnForSpeedShrinksWithSpeed) {
    EXPECT_DOUBLE_EQ(geometry.clampTurnForSpeed(180.0, 1.0), 30.0);
    EXPECT_DOUBLE_EQ(geometry.clampTurnForSpeed(-180.0, 1.0), -30.0);
    EXPECT_EQ(geometry.clampTurnForSpeed(-10.0, 1.0), -10.0);
    EXPECT_EQ(geometry.clampTurnForSpeed(29.0, 1.0), 29.0);
    EXPECT_EQ(geometry.clampTurnForSpeed(0.0, 1.0), 0.0);
    EXPECT_EQ(geometry.clampTurnForSpeed(180.0, 0.0), 180.0);
    EXPECT_DOUBLE_EQ(geometry.clampTurnForSpeed(90.0, 0.4), 60.0);
    // A negative speed must not widen the limit beyond one full turn or flip its sign.
    EXPECT_EQ(geometry.clampTurnForSpeed(180.0, -0.2), 180.0);
    EXPECT_EQ(geometry.clampTurnForSpeed(-180.0, -0.5), -180.0);
}

}  // namespace
}  // namespace zamo
