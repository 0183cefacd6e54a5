// /find under Wine: a child holds a file open and has a library loaded, both
// with names no other process has; a fragment of those names finds exactly
// them, with the values the child itself reads.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <vector>

#include "handle_holder.h"
#include "inventory/column_template.h"

namespace kvt_e2e {
namespace {

class FindTest : public ::testing::Test {
 protected:
  FindTest()
      : unique_("kvtFind_" + std::to_string(GetCurrentProcessId())),
        library_("C:\\" + unique_ + ".dll") {
    CopyFileA((ExeDirectory() + "kvt_test_module.dll").c_str(), library_.c_str(), FALSE);
    holder_ = std::make_unique<THandleHolder>(unique_, library_);
  }
  ~FindTest() override {
    holder_.reset();
    DeleteFileA(library_.c_str());
  }

  // The file and the library, not the event: the fragment ends with a dot.
  std::string Fragment() const { return unique_ + "."; }

  // The two rows the child's file and library make, as PID, Filename, Kind,
  // Handle and Name fields.
  std::vector<std::vector<std::string>> ExpectedRows() const {
    const auto own = holder_->OwnEntries();
    if (own.size() != 4) return {};
    const std::string pid = std::to_string(holder_->Child().Pid());
    return {{pid, "kvt_handle_child.exe", "File", kvt::HexDigits(own[1].Handle),
             holder_->FilePath()},
            {pid, "kvt_handle_child.exe", "Module", kvt::HexDigits(own[3].Handle), library_}};
  }

  std::string unique_;
  std::string library_;
  std::unique_ptr<THandleHolder> holder_;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

TEST_F(FindTest, TheTextTableListsExactlyTheFileAndTheLibrary) {
  const auto expected = ExpectedRows();
  ASSERT_EQ(expected.size(), 2u) << "the child could not report its handles and library";
  const TRunResult run = RunKvtProc("/find " + Fragment());
  EXPECT_EQ(run.ExitCode, 0u) << run.Err;
  std::vector<std::string> rows;
  for (const auto& fields : expected) {
    char row[512];
    std::snprintf(row, sizeof row, "%-6s  %-24s  %-12s  %-16s  %s", fields[0].c_str(),
                  fields[1].c_str(), fields[2].c_str(), fields[3].c_str(), fields[4].c_str());
    rows.push_back(row);
  }
  const auto lines = Lines(run.Out);
  const std::string title = "Handles and modules whose names match \"" + Fragment() + "\":";
  std::vector<std::string> found;
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == title && i + 1 < lines.size())
      for (size_t j = i + 2; j < lines.size() && lines[j].find(" match") == std::string::npos; ++j)
        found.push_back(lines[j]);
  EXPECT_EQ(found, rows) << run.Out;
  EXPECT_NE(run.Out.find("\r\n2 matches found.\r\n"), std::string::npos) << run.Out;
}

TEST_F(FindTest, TheCsvFormParsesToTheSameRows) {
  const auto expected = ExpectedRows();
  ASSERT_EQ(expected.size(), 2u) << "the child could not report its handles and library";
  const TRunResult run = RunKvtProc("/csv /find " + Fragment());
  EXPECT_EQ(run.ExitCode, 0u) << run.Err;
  const auto lines = Lines(run.Out);
  ASSERT_FALSE(lines.empty()) << run.Out;
  EXPECT_EQ(lines[0], "PID,Filename,Kind,Handle,Name");
  std::vector<std::vector<std::string>> rows;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> fields;
    std::istringstream record(lines[i]);
    for (std::string field; std::getline(record, field, ',');) fields.push_back(field);
    rows.push_back(fields);
  }
  EXPECT_EQ(rows, expected) << run.Out;
}

}  // namespace
}  // namespace kvt_e2e
