#include "e2e_support.h"

#include <winternl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Starts Path by the native call beneath CreateProcessW, whose look-up of the
// program has room for MAX_PATH only; its process handle, or null.
HANDLE StartNatively(const std::string& path) {
  using TParameters = LONG(NTAPI*)(void**, UNICODE_STRING*, void*, void*, UNICODE_STRING*, void*,
                                   void*, void*, void*, void*);
  using TCreate = LONG(NTAPI*)(UNICODE_STRING*, ULONG, void*, void*, void*, HANDLE, BOOLEAN,
                               HANDLE, HANDLE, void*);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto parameters = reinterpret_cast<TParameters>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlCreateProcessParameters")));
  const auto create = reinterpret_cast<TCreate>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlCreateUserProcess")));
  std::wstring texts[] = {Wide(path), Wide("\"" + path + "\""), L"\\??\\" + Wide(path)};
  UNICODE_STRING counted[3];
  for (int i = 0; i < 3; ++i) {
    const auto bytes = static_cast<USHORT>(texts[i].size() * sizeof(wchar_t));
    counted[i] = {bytes, bytes, &texts[i][0]};
  }
  // RTL_USER_PROCESS_INFORMATION; its image information is not read.
  struct {
    ULONG Length = sizeof *this;
    HANDLE Process = nullptr, Thread = nullptr;
    CLIENT_ID ClientId = {};
    BYTE ImageInformation[128] = {};
  } info;
  void* block = nullptr;
  if (!parameters || !create ||
      parameters(&block, &counted[0], nullptr, nullptr, &counted[1], nullptr, nullptr, nullptr,
                 nullptr, nullptr) != 0 ||
      create(&counted[2], OBJ_CASE_INSENSITIVE, block, nullptr, nullptr, nullptr, FALSE, nullptr,
             nullptr, &info) != 0)
    return nullptr;
  ResumeThread(info.Thread);  // the first thread waits to be resumed
  CloseHandle(info.Thread);
  return info.Process;
}

// A child run from a folder path of over 300 characters lists with its whole
// path and is found by its name. Folders and file are made and removed in
// the long form, which the platform needs beyond MAX_PATH.
TEST(SelectByName, AChildBeyondMaxPathIsListedWholeAndFoundByName) {
  std::vector<std::string> folders = {ExeDirectory() + "kvt long path\\"};
  while (folders.back().size() < 320) folders.push_back(folders.back() + "a folder far down\\");
  const std::string path = folders.back() + "kvt_longpath_child.exe";
  const auto longForm = [](const std::string& name) { return Wide("\\\\?\\" + name); };
  for (const std::string& folder : folders) CreateDirectoryW(longForm(folder).c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(Wide(ExeDirectory() + "kvt_test_child.exe").c_str(),
                        longForm(path).c_str(), FALSE));
  const HANDLE child = StartNatively(path);
  ASSERT_NE(child, nullptr);
  Sleep(300);
  const TRunResult run = RunKvtProc("/list KVT_LONGPATH_CHILD.EXE");
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(run.Out, ListOf(ProcessLine(GetProcessId(child), GetCurrentProcessId(), path)));
  TerminateProcess(child, 0);
  WaitForSingleObject(child, 5000);
  CloseHandle(child);
  DeleteFileW(longForm(path).c_str());
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
    RemoveDirectoryW(longForm(*folder).c_str());
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
