#include "agent/ui/menu_rules.h"

#include <gtest/gtest.h>

namespace zamo {
namespace {

// The enabling of every command in every state is checked through the window's actions.
TEST(MenuRules, CheckMarks) {
    ConnectionFlags flags;
    for (const int side : {0, 1, 2}) {
        flags.side = side;
        EXPECT_EQ(commandState(MenuCommand::kPlayLeft, flags).checked, side == 1);
        EXPECT_EQ(commandState(MenuCommand::kPlayRight, flags).checked, side == 2);
    }
    EXPECT_FALSE(commandState(MenuCommand::kDrawWorldModel, flags).checked);
    flags.drawWorldModel = true;
    EXPECT_TRUE(commandState(MenuCommand::kDrawWorldModel, flags).checked);
    EXPECT_FALSE(commandState(MenuCommand::kConnect, flags).checked);
}

}  // namespace
}  // namespace zamo
