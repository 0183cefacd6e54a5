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

// A test child started from Path by the native call beneath CreateProcessW:
// the Win32 call looks the program up in room for MAX_PATH only.
class TNativeChild {
 public:
  explicit TNativeChild(const std::string& path) {
    using TCreateParameters = NTSTATUS(NTAPI*)(void**, UNICODE_STRING*, UNICODE_STRING*,
                                              UNICODE_STRING*, UNICODE_STRING*, void*,
                                              UNICODE_STRING*, UNICODE_STRING*, UNICODE_STRING*,
                                              UNICODE_STRING*);
    using TDestroyParameters = NTSTATUS(NTAPI*)(void*);
    using TCreateUserProcess = NTSTATUS(NTAPI*)(UNICODE_STRING*, ULONG, void*, void*, void*,
                                               HANDLE, BOOLEAN, HANDLE, HANDLE, void*);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto createParameters = reinterpret_cast<TCreateParameters>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlCreateProcessParameters")));
    const auto destroyParameters = reinterpret_cast<TDestroyParameters>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlDestroyProcessParameters")));
    const auto createUserProcess = reinterpret_cast<TCreateUserProcess>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlCreateUserProcess")));
    if (!createParameters || !destroyParameters || !createUserProcess) return;
    std::wstring image = Wide(path);
    std::wstring line = Wide("\"" + path + "\"");
    std::wstring native = L"\\??\\" + image;
    UNICODE_STRING imageText = Counted(image), lineText = Counted(line),
                   nativeText = Counted(native);
    void* parameters = nullptr;
    if (createParameters(&parameters, &imageText, nullptr, nullptr, &lineText, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != 0)
      return;
    const NTSTATUS status = createUserProcess(&nativeText, OBJ_CASE_INSENSITIVE, parameters,
                                              nullptr, nullptr, nullptr, FALSE, nullptr, nullptr,
                                              &info_);
    destroyParameters(parameters);
    if (status != 0) return;
    // The first thread waits to be resumed.
    ResumeThread(info_.Thread);
    Sleep(300);
  }
  ~TNativeChild() {
    if (info_.Process == nullptr) return;
    TerminateProcess(info_.Process, 0);
    WaitForSingleObject(info_.Process, 5000);
    CloseHandle(info_.Process);
    CloseHandle(info_.Thread);
  }
  TNativeChild(const TNativeChild&) = delete;
  TNativeChild& operator=(const TNativeChild&) = delete;

  DWORD Pid() const { return info_.Process ? GetProcessId(info_.Process) : 0; }

 private:
  static UNICODE_STRING Counted(std::wstring& text) {
    const USHORT bytes = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    return {bytes, bytes, &text[0]};
  }
  // RTL_USER_PROCESS_INFORMATION; the image information that ends it is not read.
  struct {
    ULONG Length = sizeof *this;
    HANDLE Process = nullptr;
    HANDLE Thread = nullptr;
    CLIENT_ID ClientId = {};
    BYTE ImageInformation[128] = {};
  } info_;
};

// A child run from a folder path of over 300 characters lists with its whole
// path and is found by its name. The folders are made and removed in the
// long form, which the platform needs beyond MAX_PATH.
TEST(SelectByName, AChildBeyondMaxPathIsListedWholeAndFoundByName) {
  const std::string root = ExeDirectory() + "kvt long path\\";
  std::vector<std::string> folders = {root};
  while (folders.back().size() < 320) folders.push_back(folders.back() + "a folder far down\\");
  const std::string path = folders.back() + "kvt_longpath_child.exe";
  for (const std::string& folder : folders)
    CreateDirectoryW(Wide("\\\\?\\" + folder).c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(Wide(ExeDirectory() + "kvt_test_child.exe").c_str(),
                        Wide("\\\\?\\" + path).c_str(), FALSE));
  {
    const TNativeChild child(path);
    ASSERT_NE(child.Pid(), 0u);
    const TRunResult run = RunKvtProc("/list KVT_LONGPATH_CHILD.EXE");
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_EQ(run.Out, ListOf(ProcessLine(child.Pid(), GetCurrentProcessId(), path)));
  }
  DeleteFileW(Wide("\\\\?\\" + path).c_str());
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
    RemoveDirectoryW(Wide("\\\\?\\" + *folder).c_str());
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
