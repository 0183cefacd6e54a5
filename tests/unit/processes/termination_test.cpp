#include "processes/termination.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fake_processes.h"
#include "processes/process_list.h"

namespace kvt {
namespace {

class KillProcessTest : public ::testing::Test {
 protected:
  KillProcessTest() : context(os), list(context) {}
  TqxProcessItem& Item(uint32_t id) {
    auto& item = static_cast<TqxProcessItem&>(list.Add());
    item.ProcessID = id;
    return item;
  }
  FakeOs os;
  TProcessContext context;
  TqxProcessList list;
};

TEST_F(KillProcessTest, ProcessIdZeroMakesNoPlatformCall) {
  os.Calls.clear();
  EXPECT_EQ(KillProcess(Item(0), 0), krFailed);
  EXPECT_TRUE(os.Calls.empty());
}

TEST_F(KillProcessTest, TerminatesAndClosesTheHandle) {
  AddFakeProcess(os, 50, 1, "C:\\victim.exe");
  TqxProcessItem& item = Item(50);
  EXPECT_EQ(KillProcess(item, 0), krTerminated);
  EXPECT_FALSE(os.Processes.back().Alive);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
  EXPECT_EQ(list.Count(), 1);          // the item stays
  EXPECT_EQ(KillProcess(item, 0), krFailed);  // already ended
}

TEST_F(KillProcessTest, RefusedRequestsFail) {
  AddFakeProcess(os, 60, 1, "C:\\a.exe").AllowedAccess = kProcessQueryInformation;
  AddFakeProcess(os, 61, 1, "C:\\b.exe").CanTerminate = false;
  EXPECT_EQ(KillProcess(Item(60), 0), krFailed);
  EXPECT_EQ(KillProcess(Item(61), 0), krFailed);
  EXPECT_TRUE(os.FindProcess(61) != nullptr);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

// An id is given again once its process has ended: the process that has it
// at the moment of termination is ended only when it started when the
// listed one did. Where its start cannot be read it is ended as before.
TEST_F(KillProcessTest, AnIdGivenToAnotherProcessIsLeftAlone) {
  AddFakeProcess(os, 70, 1, "C:\\listed.exe").CreateTime = 111;
  AddFakeProcess(os, 71, 1, "C:\\other.exe").CreateTime = 333;
  list.Refresh();
  RecordStartTimes(list);
  list.SelectAll();
  os.Processes[0].Alive = false;
  AddFakeProcess(os, 70, 1, "C:\\newcomer.exe").CreateTime = 222;
  EXPECT_EQ(KillProcess(list.Selected(0), 0), krIdReused);
  EXPECT_EQ(os.CallCount("TerminateProcess"), 0u);
  EXPECT_TRUE(os.FindProcess(70) != nullptr);
  EXPECT_EQ(KillProcess(list.Selected(1), 7), krTerminated);
  EXPECT_EQ(os.Processes[1].ExitCode, 7u);
  // Termination granted, the query refused: no start to compare.
  os.Processes.back().AllowedAccess = kProcessTerminate;
  EXPECT_EQ(KillProcess(list.Selected(0), 0), krTerminated);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

// Whatever the reads of the run may do with the debug privilege, a
// termination has only the rights the program has without it.
TEST(KillProcessWithTheDebugPrivilege, TerminatesWithoutItAndSwitchesItOnAgain) {
  for (const bool staysOn : {false, true}) {
    FakeOs os;
    os.Version.dwMajorVersion = 10;
    os.DebugPrivilegeHeld = true;
    os.DebugPrivilegeStaysOn = staysOn;
    AddFakeProcess(os, 50, 1, "C:\\victim.exe");
    TProcessContext context(os);
    TqxProcessList list(context);
    list.Refresh();
    context.DebugPrivilege.Enable();
    ASSERT_TRUE(os.DebugPrivilegeEnabled());
    list.SelectByProcessID(50);
    // A token that will not switch it off gets no termination at all.
    EXPECT_EQ(KillProcess(list.Selected(0), 0), staysOn ? krFailed : krTerminated);
    EXPECT_EQ(os.CallCount("TerminateProcess"), staysOn ? 0u : 1u);
    const auto& privileged = os.CallsWithDebugPrivilege;
    EXPECT_EQ(std::count(privileged.begin(), privileged.end(), "TerminateProcess"), 0);
    EXPECT_TRUE(os.DebugPrivilegeEnabled());
  }
}

}  // namespace
}  // namespace kvt
