#include "monitor/monitor_options.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zamo::monitor {
namespace {

std::optional<MonitorOptions> parse(std::vector<std::string_view> args,
                                    std::string* error = nullptr) {
    std::string reason;
    auto options = parseMonitorOptions(args, reason);
    if (error != nullptr) {
        *error = reason;
    }
    return options;
}

TEST(MonitorOptionsTest, LiveOnTheLocalServerUnlessALogFileIsGiven) {
    const auto live = parse({});
    ASSERT_TRUE(live);
    EXPECT_FALSE(live->replay());
    EXPECT_EQ(live->host, "127.0.0.1");
    EXPECT_EQ(live->port, 6000);
    EXPECT_EQ(parse({"--host", "field.local", "--port=6100"})->port, 6100);
    const auto o = parse({"match.rcg.gz", "--cycle", "57", "--screenshot", "out.png", "--size",
                          "640x480", "--stamina"});
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->replay());
    EXPECT_EQ(o->logPath, "match.rcg.gz");
    EXPECT_EQ(o->cycle, 57);
    EXPECT_EQ(o->screenshotPath, "out.png");
    EXPECT_EQ(o->width, 640);
    EXPECT_EQ(o->height, 480);
    EXPECT_TRUE(o->stamina);
    std::string error;
    EXPECT_FALSE(parse({"match.rcg", "--screenshot", "out.png"}, &error));
    EXPECT_NE(error.find("--cycle"), std::string::npos) << error;
    // A live picture may do without: it takes the first frame.
    EXPECT_TRUE(parse({"--screenshot", "out.png"}));
    EXPECT_FALSE(parse({"match.rcg", "--port", "6000"}, &error));
    EXPECT_NE(error.find("--port"), std::string::npos) << error;
}

TEST(MonitorOptionsTest, BadArgumentsGiveAOneLineReason) {
    const std::vector<std::pair<std::vector<std::string_view>, std::string>> cases = {
        {{"--port", "65536"}, "--port"},
        {{"--port"}, "needs a value"},
        {{"--cycle", "-1"}, "--cycle"},
        {{"--size", "640"}, "--size"},
        {{"--size", "9000x600"}, "--size"},
        {{"--host", "a b"}, "--host"},
        {{"--screenshot="}, "--screenshot"},
        {{"--stamina=yes"}, "takes no value"},
        {{"--colour", "red"}, "unknown argument"},
        {{"one.rcg", "two.rcg"}, "more than one"},
    };
    for (const auto& [args, expected] : cases) {
        std::string error;
        EXPECT_FALSE(parse(args, &error)) << args.front();
        EXPECT_NE(error.find(expected), std::string::npos) << args.front() << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(MonitorOptionsTest, HelpTellsEveryOptionAndKey) {
    const auto help = parse({"--help"});
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->help);
    const std::string_view usage = monitorUsage();
    for (const std::string_view word : {"--host", "--port", "--cycle", "--screenshot", "--size",
                                        "--wait", "--view-cones", "--stamina", "Space", "ULG6"}) {
        EXPECT_NE(usage.find(word), std::string_view::npos) << word;
    }
}

}  // namespace
}  // namespace zamo::monitor
