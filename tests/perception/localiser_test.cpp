#include "agent/perception/localiser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/self_state.h"
#include "agent/perception/sensor_parser.h"
#include "support/protocol_log.h"

namespace zamo {
namespace {

constexpr double kStep = 0.01;

double reported(double t) {
    return quantize(std::exp(quantize(std::log(t + 1e-10), kStep)), 0.1);
}

// Difference of two directions, in [0, 180].
double angleGap(double a, double b) {
    const double d = std::fmod(std::abs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

TEST(DistanceErrorTest, NeighboursReportedDifferentlyGiveZero) {
    EXPECT_DOUBLE_EQ(distanceError(10.0, kStep, 0.7), 0.0);
    EXPECT_NEAR(distanceError(15.0, kStep, 0.7), 0.1, 1e-9);
    // Far landmarks are reported on a coarse logarithmic grid.
    // 70.8 stands for every true distance from about 70.46 to 71.17.
    EXPECT_NEAR(distanceError(70.8, kStep, 0.7), 0.3, 1e-9);
    EXPECT_NEAR(distanceError(42.5, kStep, 0.7), 0.2, 1e-9);
}

TEST(DistanceErrorTest, TrueDistanceLiesWithinTheErrorOfWhatIsReported) {
    for (double t = 0.05; t < 120.0; t += 0.0137) {
        const double seen = reported(t);
        const double error = distanceError(seen, kStep, 0.7);
        ASSERT_TRUE(std::isfinite(error)) << t;
        // The error walks a 0.1 grid from the seen distance, so the truth may lie one cell beyond.
        if (std::abs(t - seen) <= 0.6) {
            EXPECT_LE(std::abs(t - seen), error + 0.1 + 1e-9) << "true " << t << " seen " << seen;
        }
    }
}

TEST(DistanceErrorTest, DistancesNoLandmarkCanHaveGiveInfinity) {
    for (const double bad : {-0.5, -7.0, 1e300, std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_TRUE(std::isinf(distanceError(bad, kStep, 0.7))) << bad;
    }
    // Near zero the downward walk stops at zero instead of feeding a negative distance on.
    EXPECT_TRUE(std::isfinite(distanceError(0.0, kStep, 0.7)));
    EXPECT_LE(distanceError(0.1, kStep, 0.7), 0.1 + 1e-9);
    // An absurd range still ends quickly.
    EXPECT_TRUE(std::isfinite(distanceError(50.0, kStep, 1e300)));
}

class LocaliserTest : public ::testing::Test {
  protected:
    ServerParams params;
    SelfState self;
    Geometry geometry{params, self};
    Localiser localiser{params, geometry};
    SeeInfo see;

    void SetUp() override { see.time = 10; }

    SeenObject& add(ObjectKind kind, int id, double distance, double direction, int detailed = 1) {
        SeenObject& object = see.objects[static_cast<std::size_t>(see.count++)];
        object = SeenObject{};
        object.kind = kind;
        object.id = id;
        object.distance = distance;
        object.direction = direction;
        object.detailed = detailed;
        if (kind == kFlag && !detailed) {
            object.id = 53;
            object.firstCandidate = 0;
            object.endCandidate = 54;
        }
        return object;
    }
};

TEST_F(LocaliserTest, WorkedExampleOnBothSides) {
    add(kLine, 0, 10.0, 90.0);
    add(kFlag, 42, 15.0, 0.0);  // "l 0" at (-57.5, 0)

    const std::optional<LocalisationResult> left = localiser.localise(see, 1);
    ASSERT_TRUE(left);
    EXPECT_NEAR(left->x, -42.5, 1e-9);
    EXPECT_NEAR(left->y, 0.0, 1e-9);
    EXPECT_DOUBLE_EQ(left->headDirection, -180.0);
    EXPECT_DOUBLE_EQ(left->errorX, 0.0);
    EXPECT_NEAR(left->errorY, 0.1, 1e-9);
    EXPECT_DOUBLE_EQ(localiser.errorX(), 0.0);

    const std::optional<LocalisationResult> right = localiser.localise(see, 2);
    ASSERT_TRUE(right);
    EXPECT_NEAR(right->x, 42.5, 1e-9);
    EXPECT_NEAR(right->y, 0.0, 1e-9);
    EXPECT_DOUBLE_EQ(right->headDirection, 0.0);
}

TEST_F(LocaliserTest, EveryLineInsideAndOutside) {
    struct Case {
        int id;
        double t;
        bool outside;
        double head;
        double coordinate;  // x for lines 0 and 3, y for 1 and 2
    };
    const double s = 10.0 * std::sin(30.0 * kDegToRad);
    const Case cases[] = {
        {0, -30.0, false, 120.0, s - 52.5},  {0, -30.0, true, -60.0, -52.5 - s},
        {1, 30.0, false, -30.0, s - 34.0},   {1, 30.0, true, 150.0, -34.0 - s},
        {1, -30.0, false, -150.0, s - 34.0}, {2, 30.0, false, 150.0, 34.0 - s},
        {2, -30.0, true, -150.0, 34.0 + s},  {2, 0.0, true, 0.0, 34.0},
        {3, 30.0, false, 60.0, 52.5 - s},    {3, 30.0, true, -120.0, 52.5 + s},
        {3, -30.0, true, 120.0, 52.5 + s},   {3, 0.0, false, -90.0, 52.5},
    };
    for (const Case& c : cases) {
        see.count = 0;
        add(kLine, c.id, 10.0, c.t);
        // Two lines seen mean outside the field, three inside.
        add(kLine, c.id == 0 ? 3 : 0, 90.0, 5.0);
        if (!c.outside) {
            add(kLine, c.id == 1 ? 2 : 1, 80.0, 5.0);
        }
        add(kFlag, 0, 20.0, 0.0);
        const std::optional<LocalisationResult> result = localiser.localise(see, 1);
        SCOPED_TRACE(testing::Message() << c.id << " " << c.t << " " << c.outside);
        ASSERT_TRUE(result);
        EXPECT_NEAR(result->headDirection, c.head, 1e-9);
        EXPECT_NEAR((c.id == 0 || c.id == 3) ? result->x : result->y, c.coordinate, 1e-9);
    }
}

TEST_F(LocaliserTest, TheLandmarkOfLeastErrorIsUsedTheFirstOnATie) {
    add(kLine, 0, 10.0, 90.0);
    add(kFlag, 42, 15.0, 0.0);  // "l 0": y = 0
    add(kFlag, 43, 15.0, 0.0);  // "l b 10", inconsistent on purpose: y would be 10
    std::optional<LocalisationResult> result = localiser.localise(see, 1);
    ASSERT_TRUE(result);
    EXPECT_NEAR(result->y, 0.0, 1e-9);

    see.count = 0;
    add(kLine, 0, 10.0, 90.0);
    add(kFlag, 43, 15.0, 0.0);  // error 0.1, y = 10
    add(kFlag, 42, 10.0, 0.0);  // error 0, y = 0 (and x from it is -47.5, error 0 not below 0)
    result = localiser.localise(see, 1);
    ASSERT_TRUE(result);
    EXPECT_NEAR(result->y, 0.0, 1e-9);
    EXPECT_NEAR(result->x, -42.5, 1e-9);
    EXPECT_DOUBLE_EQ(result->errorY, 0.0);
}

TEST_F(LocaliserTest, FarLandmarksAreUsedOnlyWithinTwoMetres) {
    // The line fixes x = -42.5 and the head at -180, but nothing identified gives y.
    add(kLine, 0, 10.0, 90.0);
    add(kFlag, 0, 15.0, 0.0, 0);  // would be "l 0"
    EXPECT_FALSE(localiser.localise(see, 1));
    EXPECT_DOUBLE_EQ(localiser.errorY(), kNoEstimate);

    // The centre spot, 42.5 m behind, gives y = 0 with error 0.2; far landmarks may improve it.
    const auto scene = [this] {
        see.count = 0;
        add(kLine, 0, 10.0, 90.0);
        add(kFlag, 0, 42.5, 180.0);
    };
    scene();
    add(kFlag, 0, 12.0, 0.0, 0);   // estimate (-54.5, 0): 3 m from "l 0", no flag within 2 m
    add(kGoal, 0, 10.0, 40.0, 0);  // estimate (-50.2, -6.4): no goal within 2 m
    std::optional<LocalisationResult> result = localiser.localise(see, 1);
    ASSERT_TRUE(result);
    EXPECT_NEAR(result->errorY, 0.2, 1e-9);

    scene();
    add(kFlag, 0, 15.0, 0.0, 0);  // "l 0" exactly: error 0.1
    result = localiser.localise(see, 1);
    ASSERT_TRUE(result);
    EXPECT_NEAR(result->errorY, 0.1, 1e-9);
    EXPECT_NEAR(result->y, 0.0, 1e-9);

    scene();
    add(kGoal, 0, 10.0, 0.0, 0);  // the left goal: error 0
    result = localiser.localise(see, 1);
    ASSERT_TRUE(result);
    EXPECT_DOUBLE_EQ(result->errorY, 0.0);
    EXPECT_NEAR(result->x, -42.5, 1e-9);
}

TEST_F(LocaliserTest, NoLineOrNoSideFails) {
    add(kFlag, 42, 15.0, 0.0);
    EXPECT_FALSE(localiser.localise(see, 1));
    add(kLine, 4, 10.0, 90.0, 0);
    EXPECT_FALSE(localiser.localise(see, 1));
    see.count = 0;
    add(kLine, 0, 10.0, 90.0);
    EXPECT_FALSE(localiser.localise(see, 1)) << "a line alone gives one coordinate";
}

TEST_F(LocaliserTest, AbsurdNumbersAreNeverUsed) {
    // A line with only a direction, and lines with impossible distances, cannot be the nearest.
    add(kLine, 3, kNotGiven, 10.0);
    add(kLine, 1, -3.0, 10.0);
    add(kLine, 2, std::numeric_limits<double>::quiet_NaN(), 10.0);
    add(kLine, 0, 10.0, 90.0);
    add(kFlag, 42, 15.0, 0.0);
    // Landmarks with impossible numbers would otherwise claim a perfect error.
    add(kFlag, 41, -7.0, 0.0);
    add(kFlag, 41, 1e300, 0.0);
    add(kFlag, 41, 3.0, 1e300);
    add(kFlag, 41, std::numeric_limits<double>::infinity(), 0.0);
    add(kFlag, 53, 3.0, 0.0);  // unknown flag name
    add(kGoal, 0, 3.0, 0.0);   // goal without side
    // Four lines seen: inside.
    const std::optional<LocalisationResult> result = localiser.localise(see, 1);
    ASSERT_TRUE(result);
    EXPECT_NEAR(result->x, -42.5, 1e-9);
    EXPECT_NEAR(result->y, 0.0, 1e-9);
    EXPECT_NEAR(result->errorY, 0.1, 1e-9);
}

TEST_F(LocaliserTest, CountBeyondTheRecordIsCut) {
    see.count = 0;
    for (int i = 0; i < static_cast<int>(kMaxSeenObjects); ++i) {
        add(kFlag, 0, 1e300, 0.0);
    }
    see.count = 100000;
    EXPECT_FALSE(localiser.localise(see, 1));
    see.count = -5;
    EXPECT_FALSE(localiser.localise(see, 1));
}

// The real server's messages to an agent the trainer had placed at a known spot.
struct KnownPlace {
    const char* file;
    const char* team;
    int side;
    double x;  // own frame
    double y;
    double head;
};

class RealServerLocalisation : public ::testing::TestWithParam<KnownPlace> {};

TEST_P(RealServerLocalisation, MatchesTheTrainersTruth) {
    const KnownPlace place = GetParam();
    ServerParams params;
    SelfState self;
    Geometry geometry{params, self};
    Localiser localiser{params, geometry};
    AgentConfig config;
    config.teamName = place.team;
    config.quotedTeamName = std::string("\"") + place.team + "\"";
    SensorParser parser(config, params);

    int checked = 0;
    for (const std::string& text : test::receivedMessages(place.file, "(see ")) {
        SensorMessage message;
        ASSERT_TRUE(parser.parseMessage(text, message)) << text;
        // The trainer's truth holds from cycle 11 until the goal at 18.
        if (message.see.time < 11 || message.see.time > 17) {
            continue;
        }
        const std::optional<LocalisationResult> result =
            localiser.localise(message.see, place.side);
        ASSERT_TRUE(result) << text;
        // Directions arrive rounded to whole degrees: at the distances of the landmarks used
        // that adds up to about 0.1 m beyond the distance error.
        EXPECT_LE(std::abs(result->x - place.x), result->errorX + 0.1) << text;
        EXPECT_LE(std::abs(result->y - place.y), result->errorY + 0.1) << text;
        EXPECT_LE(result->errorX, 0.7);
        EXPECT_LE(result->errorY, 0.7);
        EXPECT_LE(angleGap(result->headDirection, place.head), 1.0) << text;
        ++checked;
    }
    EXPECT_GE(checked, 4);
}

INSTANTIATE_TEST_SUITE_P(
    KnownPlaces, RealServerLocalisation,
    ::testing::Values(KnownPlace{"v9-left-known-position.tsv", "TestTeam", 1, 45.0, 0.0, 0.0},
                      // Absolute (49, 4) facing -150: turned by 180 degrees.
                      KnownPlace{"v9-right-known-position.tsv", "Other", 2, -49.0, -4.0, 30.0}));

}  // namespace
}  // namespace zamo
