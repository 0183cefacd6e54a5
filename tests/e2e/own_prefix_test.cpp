// Tests run in a Wine prefix of their own (in-own-prefix): should what they
// check ever regress, they end every process there, the tests' own included.
#include <gtest/gtest.h>

#include "e2e_support.h"

namespace kvt_e2e {
namespace {

// A script's "<bm>$NAME" with an empty NAME: the tag alone would match every
// name, yet names no process.
TEST(OwnPrefix, ATagAloneTerminatesNothing) {
  TChildProcess child;
  for (const char* selector : {"\"<bm>\"", "\"<wc> \"", "*"}) {
    const TRunResult run = RunKvtProc(std::string("/kill ") + selector);
    EXPECT_EQ(run.ExitCode, 1u) << selector;
    EXPECT_NE(run.Err.find("nothing was terminated."), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out.find("Terminated."), std::string::npos) << run.Out;
    EXPECT_EQ(WaitForSingleObject(child.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  }
}

}  // namespace
}  // namespace kvt_e2e
