// /watch under Wine: a child started once the watch runs, ending two seconds
// later with exit code 7, is seen to start and to end.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <memory>
#include <sstream>

#include "e2e_support.h"

namespace kvt_e2e {
namespace {

// Runs the watch and, once it has begun, a child that ends after 2 s with 7.
TRunResult WatchAChild(const std::string& form, std::unique_ptr<TChildProcess>& child) {
  return RunKvtProcWhile(form + " /watch kvt_test_child.exe /for 6", [&] {
    child = std::make_unique<TChildProcess>("kvt_test_child.exe", "exit 2000 7");
  });
}

TEST(Watch, AChildStartsAndEndsWithItsExitCode) {
  std::unique_ptr<TChildProcess> child;
  const TRunResult run = WatchAChild("", child);
  ASSERT_TRUE(child);
  EXPECT_EQ(run.ExitCode, 0u) << run.Err;
  const std::string pid = std::to_string(child->Pid());
  EXPECT_NE(run.Out.find("\r\nWatching for processes that start or end; Ctrl+C ends.\r\n"),
            std::string::npos);
  const size_t started = run.Out.find("  Started  " + pid);
  ASSERT_NE(started, std::string::npos) << run.Out;
  const std::string line = run.Out.substr(started, run.Out.find("\r\n", started) - started);
  EXPECT_NE(line.find("kvt_test_child.exe"), std::string::npos) << line;
  EXPECT_NE(line.find("command line \"" + child->Path() + "\" exit 2000 7"), std::string::npos)
      << line;
  const size_t ended = run.Out.find("  Ended    " + pid);
  ASSERT_NE(ended, std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("exit code 7  ran 0:00:0", ended), std::string::npos) << run.Out;
}

TEST(Watch, TheFormsParseEventByEvent) {
  std::unique_ptr<TChildProcess> child;
  const TRunResult json = WatchAChild("/json", child);
  ASSERT_TRUE(child);
  ASSERT_EQ(json.ExitCode, 0u) << json.Err;
  std::istringstream lines(json.Out);
  std::vector<std::string> events;
  for (std::string line; std::getline(lines, line);) {
    const nlohmann::json event = nlohmann::json::parse(line);
    if (event.at("ProcessID") != child->Pid()) continue;
    events.push_back(event.at("Event"));
    if (event.at("Event") == "Ended") {
      EXPECT_EQ(event.at("ExitCode"), 7) << line;
    }
  }
  EXPECT_EQ(events, (std::vector<std::string>{"Started", "Ended"})) << json.Out;

  const TRunResult csv = WatchAChild("/csv", child);
  ASSERT_EQ(csv.ExitCode, 0u) << csv.Err;
  ASSERT_EQ(CsvFields(csv.Out, 0).size(), 10u) << csv.Out;
  const std::string pid = std::to_string(child->Pid());
  std::vector<std::string> rows;
  for (size_t row = csv.Out.find("\r\n") + 2; row < csv.Out.size(); row = csv.Out.find("\r\n", row) + 2) {
    const std::vector<std::string> fields = CsvFields(csv.Out, row);
    if (fields[2] == pid) rows.push_back(fields[1] + " " + fields[8]);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"Started ", "Ended 7"})) << csv.Out;
}

}  // namespace
}  // namespace kvt_e2e
