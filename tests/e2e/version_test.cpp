// What /list shows from the version resources of the executables.
#include "e2e_support.h"

#include <gtest/gtest.h>

namespace kvt_e2e {
namespace {

std::string Directory(const std::string& path) {
  return path.substr(0, path.find_last_of('\\') + 1);
}

TEST(ListVersion, DescriptionVersionAndCompanyFromTheResource) {
  TChildProcess versioned("kvt_versioned_child.exe");
  TChildProcess plain;
  const std::string parent = std::to_string(GetCurrentProcessId());
  const std::string padded = std::string(4 - parent.size(), ' ') + parent;

  TRunResult run = RunKvtProc("/list " + std::to_string(versioned.Pid()));
  EXPECT_EQ(run.ExitCode, 0u);
  const std::string pid = std::to_string(versioned.Pid());
  EXPECT_EQ(run.Out, std::string(kBanner) + "Processes:\r\n" + kProcessHeader +
                         std::string(4 - pid.size(), ' ') + pid +
                         "  kvt_versioned_child.exe    (" + padded +
                         ")  Child process with a  3.1.4.1592        Halvorsk Test Systems   " +
                         Directory(versioned.Path()) + "\r\n");

  // The same program without the resource: the three columns stay empty.
  run = RunKvtProc("/list " + std::to_string(plain.Pid()));
  EXPECT_EQ(run.Out, std::string(kBanner) + "Processes:\r\n" + kProcessHeader +
                         ProcessLine(plain.Pid(), GetCurrentProcessId(), plain.Path()));
}

}  // namespace
}  // namespace kvt_e2e
