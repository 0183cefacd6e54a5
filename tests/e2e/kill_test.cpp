#include <gtest/gtest.h>

#include "e2e_support.h"

namespace kvt_e2e {
namespace {

TEST(Kill, ATestProcessByIdIsListedThenEnded) {
  TChildProcess child;
  const TRunResult run = RunKvtProc("/kill " + std::to_string(child.Pid()));
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(run.Out, std::string(kBanner) + "Trying to kill process with PID " +
                         std::to_string(child.Pid()) + "...\r\n1 matches found:\r\n" +
                         kProcessHeader +
                         ProcessLine(child.Pid(), GetCurrentProcessId(), child.Path()) +
                         "Terminated.\r\n");
  EXPECT_EQ(WaitForSingleObject(child.Handle(), 5000), WAIT_OBJECT_0);
}

TEST(Kill, WithoutASelectorNothingIsTerminated) {
  TChildProcess child;
  const TRunResult run = RunKvtProc("/kill");
  EXPECT_EQ(run.ExitCode, 1u);
  EXPECT_EQ(run.Out, kBanner);
  EXPECT_EQ(run.Err, "/kill needs a process id or a file name; nothing was terminated.\r\n");
  EXPECT_EQ(WaitForSingleObject(child.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(Kill, AnUnknownProcessIdMatchesNothing) {
  const TRunResult run = RunKvtProc("/kill $7FFFFF00");
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(run.Out, std::string(kBanner) +
                         "Trying to kill process with PID 2147483392...\r\n0 matches found:\r\n");
}

TEST(Kill, ItselfLosesNoLineWrittenBefore) {
  const TRunResult run = RunKvtProc("/kill " + kProgramFile);
  EXPECT_EQ(run.ExitCode, 0u);
  const std::string head = std::string(kBanner) + "Trying to kill processes with filename \"" +
                           kProgramFile + "\"...\r\n1 matches found:\r\n" + kProcessHeader;
  ASSERT_EQ(run.Out.rfind(head, 0), 0u) << run.Out;
  const std::string own = run.Out.substr(head.size());
  EXPECT_EQ(own.substr(4, 29), "  " + kProgramFile + std::string(27 - kProgramFile.size(), ' '))
      << own;
  EXPECT_EQ(own.find("\r\n"), own.size() - 2) << "nothing after its own line: " << own;
}

}  // namespace
}  // namespace kvt_e2e
