#include "agent/ui/menu_rules.h"

#include <gtest/gtest.h>

#include "menu_expectations.h"

namespace zamo {
namespace {

using test::expectedEnabled;
using test::kStates;

TEST(MenuRules, EnablingInEveryStateWithAndWithoutANumber) {
    for (const auto& state : kStates) {
        for (const bool numberKnown : {false, true}) {
            ConnectionFlags flags = state.flags;
            flags.uniformNumberKnown = numberKnown;
            for (const MenuCommand command : kAllMenuCommands) {
                EXPECT_EQ(commandState(command, flags).enabled,
                          expectedEnabled(state, numberKnown, command))
                    << state.name << " number " << numberKnown << " command "
                    << static_cast<int>(command);
            }
        }
    }
}

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
