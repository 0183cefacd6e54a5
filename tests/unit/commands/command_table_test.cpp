#include "commands/command_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvt {
namespace {

// The commands run in the order of their rows, which is the fixed order;
// the modifiers follow them and run nothing themselves.
TEST(CommandTable, CommandsInTheFixedOrderThenModifiers) {
  std::vector<std::string> commands;
  bool modifierSeen = false;
  for (const TSwitch& entry : Switches()) {
    if (entry.Use == suModifier) {
      modifierSeen = true;
      EXPECT_EQ(entry.Run, nullptr) << entry.Name;
      EXPECT_NE(entry.Given, nullptr) << entry.Name;
      continue;
    }
    EXPECT_FALSE(modifierSeen) << entry.Name << " after a modifier";
    if (entry.Run != nullptr) commands.push_back(entry.Name);
    EXPECT_EQ(entry.Form, nullptr) << entry.Name;
  }
  const std::vector<std::string> fixedOrder = {"list",    "details", "tree",    "top",     "watch",   "verify",
                                               "kill",    "killtree", "modules", "handles",
                                               "net",     "find",     "compare",  "license"};
  EXPECT_EQ(commands, fixedOrder);
}

}  // namespace
}  // namespace kvt
