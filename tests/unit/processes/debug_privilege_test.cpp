#include "processes/debug_privilege.h"

#include <gtest/gtest.h>

#include "fake_processes.h"
#include "processes/process_context.h"

namespace kvt {
namespace {

TEST(DebugPrivilege, OnFromWindows6OnWhenTheTokenHoldsItAndOffAtTheEnd) {
  const struct {
    uint32_t Major;
    bool Held;
    bool Enabled;
  } kCases[] = {{5, true, false}, {6, false, false}, {6, true, true}, {10, true, true}};
  for (const auto& c : kCases) {
    FakeOs os;
    os.Version.dwMajorVersion = c.Major;
    os.DebugPrivilegeHeld = c.Held;
    {
      TProcessContext context(os);
      context.DebugPrivilege.Enable();
      EXPECT_EQ(os.DebugPrivilegeEnabled(), c.Enabled) << c.Major << c.Held;
      EXPECT_EQ(context.DebugPrivilege.Enabled(), c.Enabled) << c.Major << c.Held;
      // A token found without it is not asked again.
      context.DebugPrivilege.Disable();
      context.DebugPrivilege.Enable();
      EXPECT_EQ(os.DebugPrivilegeEnabled(), c.Enabled) << c.Major << c.Held;
      EXPECT_EQ(os.CallCount("AdjustTokenPrivileges"), c.Enabled ? 3u : (c.Major < 6 ? 0u : 1u))
          << c.Major << c.Held;
    }
    EXPECT_FALSE(os.DebugPrivilegeEnabled()) << c.Major << c.Held;
    EXPECT_EQ(os.OpenHandleCount(), 0u) << c.Major << c.Held;  // the token is closed
  }
}

TEST(DebugPrivilege, OffForAScopeAndOnAgainOnlyWhenItWasOn) {
  FakeOs os;
  os.Version.dwMajorVersion = 6;
  os.DebugPrivilegeHeld = true;
  TDebugPrivilege privilege(os, true);
  {
    const TWithoutDebugPrivilege off(privilege);
    EXPECT_FALSE(os.DebugPrivilegeEnabled());
  }
  EXPECT_FALSE(os.DebugPrivilegeEnabled());
  privilege.Enable();
  {
    const TWithoutDebugPrivilege off(privilege);
    EXPECT_FALSE(os.DebugPrivilegeEnabled());
  }
  EXPECT_TRUE(os.DebugPrivilegeEnabled());
}

}  // namespace
}  // namespace kvt
