#include "e2e_support.h"

#include <gtest/gtest.h>

namespace kvt_e2e {
namespace {

std::string ListOf(const std::string& lines) {
  return std::string(kBanner) + "Processes:\r\n" + kProcessHeader + lines;
}

TEST(SelectByName, ExactNameInAnotherCaseWildcardsAndEveryTag) {
  TChildProcess child;
  const std::string line = ProcessLine(child.Pid(), GetCurrentProcessId(), child.Path());
  for (const char* selector :
       {"KVT_TEST_CHILD.EXE", "kvt_test_chi*", "\"*test?child*\"", "<wc>KVT_T*CHILD.exe",
        "<substr>TEST_CH", "<bm>st_child.e", "\"<bool>kvt AND child AND NOT e2e\"",
        "\"<regexpr>^kvt_t.st_child\\.exe$\""}) {
    const TRunResult run = RunKvtProc(std::string("/list ") + selector);
    EXPECT_EQ(run.ExitCode, 0u) << selector;
    EXPECT_EQ(run.Out, ListOf(line)) << selector;
  }
  EXPECT_EQ(RunKvtProc("/list kvt_test_child").Out, ListOf(""));  // anchored at both ends
}

TEST(SelectByName, WildcardFindsWinesServiceHost) {
  const TRunResult run = RunKvtProc("/list \"*host*\"");
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_NE(run.Out.find("  svchost.exe  "), std::string::npos) << run.Out;
}

TEST(SelectByName, ABrokenRegularExpressionIsAnUnhandledError) {
  const TRunResult run = RunKvtProc("/list \"<regexpr>(\"");
  EXPECT_EQ(run.ExitCode, 1u);
  EXPECT_EQ(run.Out, kBanner);
  EXPECT_EQ(run.Err.rfind("Exception ERegExprError in module " + kProgramFile + " at ", 0), 0u)
      << run.Err;
  EXPECT_EQ(run.Err.substr(run.Err.size() - 5), ".\r\n\r\n");
}

TEST(SelectByName, KillEndsEveryCopy) {
  TChildProcess first;
  TChildProcess second;
  const std::string firstLine = ProcessLine(first.Pid(), GetCurrentProcessId(), first.Path());
  const std::string secondLine = ProcessLine(second.Pid(), GetCurrentProcessId(), second.Path());
  const TRunResult run = RunKvtProc("/kill Kvt_Test_Child.exe");
  EXPECT_EQ(run.ExitCode, 0u);
  const std::string head = std::string(kBanner) +
                           "Trying to kill processes with filename \"Kvt_Test_Child.exe\"...\r\n"
                           "2 matches found:\r\n" +
                           kProcessHeader;
  const std::string inOrder = head + firstLine + "Terminated.\r\n" + secondLine + "Terminated.\r\n";
  const std::string reversed = head + secondLine + "Terminated.\r\n" + firstLine + "Terminated.\r\n";
  EXPECT_TRUE(run.Out == inOrder || run.Out == reversed) << run.Out;
  EXPECT_EQ(WaitForSingleObject(first.Handle(), 5000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(second.Handle(), 5000), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace kvt_e2e
