// The hand-on from the 32-bit program to the 64-bit one, as the whole program
// makes it: which file is handed the run, what it inherits, how its end is
// waited for, and what the program handed on to spares.
#include <gtest/gtest.h>

#include <functional>

#include "app/dispatcher.h"
#include "expected_texts.h"
#include "fake_processes.h"
#include "version_resource_builder.h"

namespace kvt {
namespace {

const std::string kBeside = "C:\\Tools\\kvtProc64.exe";
const std::string kOwnList = std::string(kvt_expected::kBanner) + "Processes:\r\n" +
                             kvt_expected::kProcessHeader +
                             " 612  explorer.exe               ( 500)                       "
                             "                                           C:\\Windows\\\r\n";

// The 32-bit program under WOW64, with a 64-bit program beside it.
void ScriptHandOn(FakeOs& os) {
  AddFakeProcess(os, 612, 500, "C:\\Windows\\explorer.exe");
  os.Wow64 = true;
  os.File(kBeside).Bytes = BuildPeFile("", TPeSpec{true});
  os.CommandLine = "kvtProc.exe /list";
}

class HandOnTest : public ::testing::Test {
 protected:
  HandOnTest() { ScriptHandOn(os); }
  FakeOs os;
};

// Same parameters as written, its output and exit code, nothing of its own;
// the child inherits the mark, this process keeps none.
TEST_F(HandOnTest, TheSixtyFourBitProgramBesideItDoesTheWork) {
  os.StartedOutput = "from the 64-bit program\r\n";
  os.StartedExitCode = 1;
  os.CommandLine = "\"C:\\Tools\\kvtProc.exe\"  /list \"a b\" <regexpr>(";
  EXPECT_EQ(RunProgram(os), 1);
  ASSERT_EQ(os.CreateProcessCalls.size(), 1u);
  const TCreateProcessCall& call = os.CreateProcessCalls[0];
  EXPECT_EQ(call.ApplicationName, kBeside);
  EXPECT_EQ(call.CommandLine, "\"C:\\Tools\\kvtProc64.exe\"  /list \"a b\" <regexpr>(");
  EXPECT_EQ(call.Environment, (TFakeEnvironment{{"KVT_HANDED_ON_BY", "100"}}));
  EXPECT_TRUE(os.Environment.empty());
  EXPECT_EQ(os.StdOut, "from the 64-bit program\r\n");
  EXPECT_EQ(os.StdErr, "");
  EXPECT_EQ(os.CallCount("EnumProcesses"), 0u);
  // It outlives a Ctrl+C that ends the 64-bit program's run, to pass its code
  // on; the handler's event stays for the run, as the platform's does.
  EXPECT_EQ(os.CallCount("SetConsoleCtrlHandler"), 1u);
  EXPECT_EQ(os.OpenHandleCount(), 1u);
}

TEST_F(HandOnTest, OtherwiseTheProgramDoesTheWorkItselfAndSaysWhyWhenTheFileIsAtFault) {
  const std::string notSixtyFour =
      kBeside + " is not a 64-bit program; this program does the work itself.\r\n";
  struct TCase {
    const char* What;
    std::function<void(FakeOs&)> Script;
    std::string Err;
  };
  const TCase cases[] = {
      {"a 32-bit Windows", [](FakeOs& o) { o.Wow64 = false; }, ""},
      {"the 64-bit program", [](FakeOs& o) { o.ProgramPointerSize = 8; }, ""},
      {"a folder of that name beside it",
       [](FakeOs& o) { o.File(kBeside).Attributes = kFileAttributeDirectory; }, ""},
      {"started by a hand-on",
       [](FakeOs& o) { o.Environment.emplace("KVT_HANDED_ON_BY", "1"); }, ""},
      {"its own file", [](FakeOs& o) { o.OwnModuleFileName = kBeside; }, ""},
      {"a 32-bit copy beside it",
       [](FakeOs& o) { o.File(kBeside).Bytes = BuildPeFile("", TPeSpec{false}); }, notSixtyFour},
      {"a 16-bit program beside it", [](FakeOs& o) { o.File(kBeside).Bytes = BuildNeFile(""); },
       notSixtyFour},
      {"an unreadable file beside it", [](FakeOs& o) { o.File(kBeside).OpenFails = true; },
       notSixtyFour},
      {"its start fails", [](FakeOs& o) { o.StartsFail = true; },
       kBeside + " could not be started; this program does the work itself.\r\n"},
  };
  for (const TCase& c : cases) {
    FakeOs fresh;
    ScriptHandOn(fresh);
    c.Script(fresh);
    const TFakeEnvironment before = fresh.Environment;
    EXPECT_EQ(RunProgram(fresh), 0) << c.What;
    EXPECT_EQ(fresh.StdOut, kOwnList) << c.What;
    EXPECT_EQ(fresh.StdErr, c.Err) << c.What;
    EXPECT_EQ(fresh.Environment, before) << c.What;
  }
}

// STILL_ACTIVE is no exit code of the program waited for.
TEST_F(HandOnTest, AFailedWaitEndsTheRunWithAnErrorNotWithAStillActiveCode) {
  const std::string message = "Waiting for " + kBeside + " failed; its exit code is unknown.\r\n";
  os.WaitFails = true;
  EXPECT_EQ(RunProgram(os), 1);
  EXPECT_EQ(os.StdErr, message);
  os.WaitFails = false;
  os.StdErr.clear();
  os.StartedExitCode = kStillActive;
  EXPECT_EQ(RunProgram(os), 1);
  EXPECT_EQ(os.StdErr, message);
  EXPECT_EQ(os.StdOut, "");
  EXPECT_EQ(os.CallCount("EnumProcesses"), 0u);
  EXPECT_EQ(os.OpenHandleCount(), 1u);  // the Ctrl+C handler's event alone
}

// The 64-bit program (id 100) handed on to by kvtProc.exe 90, which waits for it.
TEST(HandedOn, KillSparesTheWaitingParentWhateverTheSelector) {
  const struct {
    const char* Selector;
    const char* Mark;  // null: not set
    bool ParentSpared;
  } cases[] = {
      {"kvtProc.exe", "90", true},
      {"90", "90", true},
      {"*.exe /all", "90", true},
      {"kvtProc.exe", nullptr, false},
      {"kvtProc.exe", "95", false},   // the mark names another process: not its parent
      {"kvtProc.exe", "90x", false},  // no process id
      {"kvtProc.exe", "", false},
  };
  for (const auto& c : cases) {
    FakeOs os;
    os.ProgramPointerSize = 8;
    AddFakeProcess(os, 90, 4, "C:\\Tools\\kvtProc.exe");
    AddFakeProcess(os, 95, 4, "C:\\Other\\kvtProc.exe");
    AddFakeProcess(os, 80, 4, "C:\\Windows\\explorer.exe");
    AddFakeProcess(os, 100, 90, "C:\\Tools\\kvtProc64.exe");
    if (c.Mark != nullptr) os.Environment.emplace("KVT_HANDED_ON_BY", c.Mark);
    os.CommandLine = std::string("kvtProc64.exe /kill ") + c.Selector;
    EXPECT_EQ(RunProgram(os), 0);
    const std::string& out = os.StdOut;
    const size_t parent = out.find("C:\\Tools\\\r\n");
    ASSERT_NE(parent, std::string::npos) << out;
    const std::string after = out.substr(parent + 11, out.find("\r\n", parent + 11) - parent - 11);
    if (c.ParentSpared) {
      EXPECT_NE(os.FindProcess(90), nullptr) << c.Selector;
      EXPECT_EQ(after, "Not terminated: it handed this run on and waits for its end.");
    } else {
      EXPECT_EQ(os.FindProcess(90), nullptr) << c.Selector;
      EXPECT_EQ(after, "Terminated.");
    }
    // Any other copy selected is fair game.
    EXPECT_EQ(os.FindProcess(95) == nullptr, std::string(c.Selector) != "90") << c.Selector;
  }
}

}  // namespace
}  // namespace kvt
