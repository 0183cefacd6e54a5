// /top under Wine: a child that keeps a processor busy heads the frame, an
// idle one stays near zero; the forms hold the same frames.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "e2e_support.h"

namespace kvt_e2e {
namespace {

// The CPU share the frame gives Pid, or -1 where it has no row of it.
double CpuOf(const std::string& out, DWORD pid) {
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    unsigned long id = 0;
    char name[64];
    double cpu = 0;
    if (std::sscanf(line.c_str(), "%lu %63s %lf", &id, name, &cpu) == 3 && id == pid) return cpu;
  }
  return -1;
}

TEST(Top, ABusyChildHeadsTheFrame) {
  const TChildProcess busy("kvt_test_child.exe", "busy");
  const TChildProcess idle("kvt_test_child.exe", "60000");
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const TRunResult run = RunKvtProc("/top /interval 1000");
  ASSERT_EQ(run.ExitCode, 0u) << run.Err;
  const size_t header = run.Out.find("Processes by CPU:\r\nPID ");
  ASSERT_NE(header, std::string::npos) << run.Out;
  const size_t firstRow = run.Out.find("\r\n", run.Out.find("\r\n", header) + 2) + 2;
  EXPECT_EQ(std::strtoul(run.Out.c_str() + firstRow, nullptr, 10), busy.Pid()) << run.Out;
  EXPECT_GE(CpuOf(run.Out, busy.Pid()), 0.4 * 100 / system.dwNumberOfProcessors) << run.Out;
  const double idleCpu = CpuOf(run.Out, idle.Pid());
  EXPECT_GE(idleCpu, 0.0) << run.Out;
  EXPECT_LT(idleCpu, 5.0) << run.Out;
}

TEST(Top, TheFormsParseFrameByFrame) {
  const TChildProcess idle("kvt_test_child.exe", "60000");
  const std::string pid = std::to_string(idle.Pid());
  const TRunResult json = RunKvtProc("/json /top " + pid + " /interval 500 /for 1");
  ASSERT_EQ(json.ExitCode, 0u) << json.Err;
  std::istringstream lines(json.Out);
  int frames = 0;
  for (std::string line; std::getline(lines, line); ++frames) {
    const nlohmann::json frame = nlohmann::json::parse(line);
    ASSERT_EQ(frame.at("TqxTopList").size(), 1u) << line;
    EXPECT_EQ(frame.at("TqxTopList")[0].at("ProcessID"), idle.Pid());
    EXPECT_TRUE(frame.at("BusyPercent").is_number());
  }
  EXPECT_EQ(frames, 2);

  const TRunResult csv = RunKvtProc("/csv /top " + pid + " /interval 500 /for 1");
  ASSERT_EQ(csv.ExitCode, 0u) << csv.Err;
  const std::vector<std::string> titles = CsvFields(csv.Out, 0);
  ASSERT_EQ(titles.size(), 11u);
  EXPECT_EQ(titles[0], "Time");
  size_t rows = 0;
  for (size_t row = csv.Out.find("\r\n") + 2; row < csv.Out.size(); row = csv.Out.find("\r\n", row) + 2) {
    EXPECT_EQ(CsvFields(csv.Out, row)[1], pid);
    ++rows;
  }
  EXPECT_EQ(rows, 2u);
}

}  // namespace
}  // namespace kvt_e2e
