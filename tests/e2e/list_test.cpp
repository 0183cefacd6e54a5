// windows.h first: tlhelp32.h needs its types.
#include "e2e_support.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cstdio>
#include <map>
#include <sstream>

namespace kvt_e2e {
namespace {

std::string ListOutput(const std::string& lines) {
  return std::string(kBanner) + "Processes:\r\n" + kProcessHeader + lines;
}

TEST(Usage, BareStartAndHelpSwitches) {
  for (const char* arguments : {"", "/?", "-HELP"}) {
    const TRunResult run = RunKvtProc(arguments);
    EXPECT_EQ(run.ExitCode, 0u) << arguments;
    EXPECT_EQ(run.Out, std::string(kBanner) + kUsage) << arguments;
    EXPECT_EQ(run.Err, "") << arguments;
  }
}

TEST(List, AProcessStartedByTheTest) {
  TChildProcess child;
  const std::string expected = ListOutput(ProcessLine(child.Pid(), GetCurrentProcessId(), child.Path()));
  char hex[32];
  for (const char* format : {"/list %lu", "/list $%lX", "/LIST 0x%lx", "-list x%lX"}) {
    char arguments[64];
    std::snprintf(arguments, sizeof arguments, format, static_cast<unsigned long>(child.Pid()));
    const TRunResult run = RunKvtProc(arguments);
    EXPECT_EQ(run.ExitCode, 0u) << arguments;
    EXPECT_EQ(run.Out, expected) << arguments;
  }
  std::snprintf(hex, sizeof hex, "%lu", static_cast<unsigned long>(child.Pid()));
  EXPECT_EQ(RunKvtProc(std::string("/list ") + hex + "abc").Out, ListOutput(""));
}

TEST(List, AnUnknownProcessIdListsNothing) {
  const TRunResult run = RunKvtProc("/list 2147483000");
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(run.Out, ListOutput(""));
}

struct TListedProcess {
  DWORD ParentPid;
  std::string Name;
};

// Reads the PID, PPID and file name columns of every /list line.
std::map<DWORD, TListedProcess> ParseList(const std::string& out) {
  std::map<DWORD, TListedProcess> listed;
  std::istringstream lines(out.substr(out.find(kProcessHeader) + std::string(kProcessHeader).size()));
  std::string line;
  while (std::getline(lines, line)) {
    EXPECT_EQ(line.back(), '\r');
    unsigned long pid = 0, parent = 0;
    char name[26] = {};
    EXPECT_GE(line.size(), 39u) << line;
    if (std::sscanf(line.c_str(), "%4lu", &pid) != 1 ||
        std::sscanf(line.c_str() + 33, "(%4lu)", &parent) != 1) {
      ADD_FAILURE() << "unreadable line: " << line;
      continue;
    }
    std::snprintf(name, sizeof name, "%s", line.substr(6, 25).c_str());
    std::string trimmed(name);
    trimmed.erase(trimmed.find_last_not_of(' ') + 1);
    listed[pid] = {parent, trimmed};
  }
  return listed;
}

std::map<DWORD, PROCESSENTRY32> Snapshot() {
  std::map<DWORD, PROCESSENTRY32> processes;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    processes[entry.th32ProcessID] = entry;
  CloseHandle(snapshot);
  return processes;
}

TEST(List, EveryRunningProcessWithItsTrueIdAndParent) {
  TChildProcess child;
  const auto before = Snapshot();
  const TRunResult run = RunKvtProc("/list");
  const auto after = Snapshot();
  ASSERT_EQ(run.ExitCode, 0u);
  ASSERT_EQ(run.Out.rfind(ListOutput(""), 0), 0u);
  const auto listed = ParseList(run.Out);
  size_t compared = 0;
  for (const auto& process : before) {
    if (!after.count(process.first)) continue;  // ended meanwhile
    const auto found = listed.find(process.first);
    ASSERT_NE(found, listed.end()) << process.second.szExeFile << " is missing";
    EXPECT_EQ(found->second.ParentPid, process.second.th32ParentProcessID) << found->second.Name;
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, found->second.Name.c_str(), -1,
                             process.second.szExeFile, -1),
              CSTR_EQUAL)
        << found->second.Name << " vs " << process.second.szExeFile;
    ++compared;
  }
  EXPECT_GE(compared, 3u);
  bool services = false;
  for (const auto& process : listed) services |= process.second.Name == "services.exe";
  EXPECT_TRUE(services) << run.Out;
}

TEST(License, ComesAfterTheList) {
  TChildProcess child;
  const TRunResult run = RunKvtProc("/license /list");
  EXPECT_EQ(run.ExitCode, 0u);
  // Switches alone name no process: every one is listed, then the notice.
  const std::string childLine = ProcessLine(child.Pid(), GetCurrentProcessId(), child.Path());
  EXPECT_EQ(run.Out.rfind(ListOutput(""), 0), 0u) << run.Out;
  const size_t listed = run.Out.find(childLine);
  ASSERT_NE(listed, std::string::npos) << run.Out;
  const std::string license = kLicense;
  ASSERT_GE(run.Out.size(), license.size());
  EXPECT_EQ(run.Out.substr(run.Out.size() - license.size()), license);
  EXPECT_LT(listed, run.Out.size() - license.size());
}

TEST(UnhandledError, AFailingStandardOutputEndsWithExitCodeOne) {
  char path[MAX_PATH];
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, "kvt", 0, path);
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  // Opened for reading only, so that every write to it fails.
  HANDLE readOnly = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(readOnly, INVALID_HANDLE_VALUE);
  const TRunResult run = RunKvtProc("/list", readOnly);
  CloseHandle(readOnly);
  DeleteFileA(path);
  EXPECT_EQ(run.ExitCode, 1u);
  const std::string prefix = "Exception EWriteError in module " + kProgramFile + " at ";
  ASSERT_EQ(run.Err.rfind(prefix, 0), 0u) << run.Err;
  const std::string rest = run.Err.substr(prefix.size());
  // The code address: eight digits, or sixteen in the 64-bit program.
  const size_t digits = rest.find('.');
  ASSERT_TRUE(digits == 8 || digits == 16) << rest;
  EXPECT_EQ(rest.substr(0, digits).find_first_not_of("0123456789ABCDEF"), std::string::npos)
      << rest;
  EXPECT_EQ(rest.substr(digits), ".\r\nWriting to standard output failed.\r\n\r\n");
}

}  // namespace
}  // namespace kvt_e2e
