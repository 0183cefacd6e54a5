// /compare under Wine: documents of the prefix saved by /xml and /json, then
// the prefix changed under them.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "e2e_support.h"

namespace kvt_e2e {
namespace {

// The lines of Out's section Title, up to the empty line after it.
std::string Section(const std::string& out, const std::string& title) {
  const size_t start = out.find(title + "\r\n");
  if (start == std::string::npos) return "(no section " + title + ")";
  const size_t body = start + title.size() + 2;
  return out.substr(body, out.find("\r\n\r\n", body) - body);
}

std::string Saved(const std::string& arguments, const std::string& name) {
  const TRunResult run = RunKvtProc(arguments);
  EXPECT_EQ(run.ExitCode, 0u) << run.Err;
  const std::string path = ExeDirectory() + name;
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, run.Out.data(), static_cast<DWORD>(run.Out.size()), &written, nullptr));
  CloseHandle(file);
  return path;
}

const char* const kProcessesTitle = "Processes started (+) and ended (-):";

TEST(Compare, OneStartedAndOneEndedAgainstXmlAndJson) {
  for (const char* form : {"xml", "json"}) {
    SCOPED_TRACE(form);
    TChildProcess staying;
    auto ending = std::make_unique<TChildProcess>();
    const std::string base = Saved(std::string("/") + form + " /list /modules", std::string("compare_base.") + form);

    const TRunResult same = RunKvtProc("/compare " + base);
    EXPECT_EQ(same.ExitCode, 0u) << same.Out << same.Err;
    EXPECT_EQ(Section(same.Out, kProcessesTitle), "none");

    const DWORD ended = ending->Pid();
    ending.reset();
    const TChildProcess started("kvt_versioned_child.exe");
    const TRunResult changed = RunKvtProc("/compare " + base);
    EXPECT_EQ(changed.ExitCode, 3u) << changed.Err;
    const std::string processes = Section(changed.Out, kProcessesTitle);
    EXPECT_EQ(processes.find("+  " + std::to_string(started.Pid()) + " "), 0u) << changed.Out;
    EXPECT_NE(processes.find("\r\n-  " + std::to_string(ended) + " "), std::string::npos) << processes;
    EXPECT_EQ(std::count(processes.begin(), processes.end(), '\n'), 1) << processes;
    EXPECT_NE(changed.Out.find(": 1 process started, 1 ended, "), std::string::npos) << changed.Out;
  }
}

TEST(Compare, AFileReplacedUnderTheSameProcess) {
  const std::string name = "kvt_compare_child.exe";
  const std::string path = ExeDirectory() + name;
  ASSERT_TRUE(CopyFileW(Wide(ExeDirectory() + "kvt_test_child.exe").c_str(), Wide(path).c_str(), FALSE));
  std::string base;
  {
    const TChildProcess before(path);
    base = Saved("/xml /list /verify " + name, "compare_verify.xml");
  }
  ASSERT_TRUE(CopyFileW(Wide(ExeDirectory() + "kvt_signed_child.exe").c_str(), Wide(path).c_str(), FALSE));
  const TChildProcess after(path);
  const TRunResult run = RunKvtProc("/compare " + base);
  EXPECT_EQ(run.ExitCode, 3u) << run.Err;
  EXPECT_EQ(Section(run.Out, kProcessesTitle), "none");
  const std::string files = Section(run.Out, "Files changed (~):");
  EXPECT_NE(files.find(path + "  SHA256: "), std::string::npos) << run.Out;
  EXPECT_NE(files.find(path + "  Signature: Unsigned -> "), std::string::npos) << run.Out;
}

TEST(Compare, ATruncatedBaselineIsAnErrorAndNothingElse) {
  const std::string base = Saved("/json /list", "compare_cut.json");
  const std::string cut = ExeDirectory() + "compare_cut.json";
  HANDLE file = CreateFileW(Wide(cut).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetFilePointer(file, 200, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);
  const TRunResult run = RunKvtProc("/compare " + base);
  EXPECT_EQ(run.ExitCode, 1u);
  EXPECT_EQ(run.Out, "");
  EXPECT_NE(run.Err.find("is no document of this program: parse error at line"), std::string::npos)
      << run.Err;
}

}  // namespace
}  // namespace kvt_e2e
