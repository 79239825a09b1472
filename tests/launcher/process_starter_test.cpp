#include "launcher/process_starter.h"

#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "launcher/launch_plan.h"
#include "launcher_test_support.h"

namespace zamo {
namespace {

TEST(DetachedProcessStarterTest, RunsInItsOwnDirectoryWithEachArgumentWholeOrFails) {
    QTemporaryDir dir;
    const std::string binDirectory = dir.path().toStdString() + "/bin dir";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(binDirectory)));
    // A script that writes where it runs and its arguments, one a line, then ends.
    const std::string script = binDirectory + "/report";
    std::ofstream(script) << "#!/bin/sh\n"
                             "pwd > out.tmp\n"
                             "for a in \"$@\"; do echo \"$a\" >> out.tmp; done\n"
                             "mv out.tmp out.txt\n";
    ASSERT_TRUE(QFile::setPermissions(QString::fromStdString(script),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    DetachedProcessStarter starter;
    EXPECT_FALSE(starter.start(startRequestFor(binDirectory + "/no_such_program")));
    ASSERT_TRUE(starter.start(startRequestFor(script, {"--team_name", "Blue Sky", "--minimized"})));
    const std::string output = binDirectory + "/out.txt";
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return QFileInfo::exists(QString::fromStdString(output)); }, 5000));
    std::stringstream text;
    text << std::ifstream(output).rdbuf();
    EXPECT_EQ(text.str(), binDirectory + "\n--team_name\nBlue Sky\n--minimized\n");
}

}  // namespace
}  // namespace zamo
