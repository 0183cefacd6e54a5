// windows.h first: tlhelp32.h and psapi.h need its types.
#include "e2e_support.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <vector>

#include "inventory/column_template.h"

namespace kvt_e2e {
namespace {

const char* const kTestModule = "kvt_test_module.dll";

std::string ModuleLine(DWORD moduleId, DWORD pid, uint64_t base, uint64_t size,
                       const std::string& path) {
  const size_t cut = path.find_last_of("\\:") + 1;
  char line[1024];
  std::snprintf(line, sizeof line, "%4lu  %-25.25s  (%4lu)  %s  %s  %s\r\n",
                static_cast<unsigned long>(moduleId), path.substr(cut).c_str(),
                static_cast<unsigned long>(pid), kvt::HexDigits(base).c_str(),
                kvt::HexDigits(size).c_str(), path.substr(0, cut).c_str());
  return line;
}

// A 64-bit program asks for the 32-bit modules of WOW64 processes as well.
const DWORD kSnapshotFlags = TH32CS_SNAPMODULE | (sizeof(void*) == 8 ? TH32CS_SNAPMODULE32 : 0);

std::vector<MODULEENTRY32> ModuleSnapshot(DWORD pid) {
  std::vector<MODULEENTRY32> modules;
  HANDLE snapshot = CreateToolhelp32Snapshot(kSnapshotFlags, pid);
  if (snapshot == INVALID_HANDLE_VALUE) return modules;
  MODULEENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry))
    modules.push_back(entry);
  CloseHandle(snapshot);
  return modules;
}

bool HasModule(const std::vector<MODULEENTRY32>& modules, const char* name) {
  for (const auto& module : modules)
    if (lstrcmpiA(module.szModule, name) == 0) return true;
  return false;
}

// A child that has loaded the test library; starting it may take long under emulation.
class TModuleChild : public TChildProcess {
 public:
  TModuleChild() : TChildProcess("kvt_test_child.exe", std::string("60000 ") + kTestModule) {
    for (int i = 0; i < 200 && !HasModule(ModuleSnapshot(Pid()), kTestModule); ++i) Sleep(100);
  }
};

// The /modules block of a process as the test sees the system itself: the
// module snapshot, then what only the process-status library names.
std::string ModulesBlock(const TChildProcess& child) {
  std::string block = "Process:\r\n" + std::string(kProcessHeader) +
                      ProcessLine(child.Pid(), GetCurrentProcessId(), child.Path()) +
                      "\r\nModules:\r\n" + kModuleHeader;
  std::vector<std::string> names;
  for (const auto& module : ModuleSnapshot(child.Pid())) {
    block += ModuleLine(module.th32ModuleID, module.th32ProcessID,
                        reinterpret_cast<uintptr_t>(module.modBaseAddr), module.modBaseSize,
                        module.szExePath);
    names.push_back(module.szExePath);
  }
  HMODULE handles[1024];
  DWORD needed = 0;
  if (EnumProcessModulesEx(child.Handle(), handles, sizeof handles, &needed, LIST_MODULES_ALL)) {
    for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 1024; ++i) {
      char name[MAX_PATH] = {};
      if (GetModuleFileNameExA(child.Handle(), handles[i], name, MAX_PATH) == 0) continue;
      bool known = false;
      for (const auto& listed : names) known |= listed == name;
      if (known) continue;
      block += ModuleLine(0, 0, 0, 0, name);
      names.push_back(name);
    }
  }
  return block + "\r\n";
}

TEST(Modules, AsTheModuleSnapshotOfTheTestShowsThem) {
  TModuleChild child;
  const std::vector<MODULEENTRY32> snapshot = ModuleSnapshot(child.Pid());
  for (const char* name : {"kvt_test_child.exe", "ntdll.dll", "kernel32.dll", kTestModule})
    EXPECT_TRUE(HasModule(snapshot, name)) << name;
  const std::string expected = ModulesBlock(child);
  const TRunResult run = RunKvtProc("/modules " + std::to_string(child.Pid()));
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(run.Out, kBanner + expected);
  EXPECT_EQ(run.Err, "");
  // The process named after two switches is the selector all the same.
  const TRunResult listed = RunKvtProc("/list /modules " + std::to_string(child.Pid()));
  EXPECT_NE(listed.Out.find(expected), std::string::npos) << listed.Out;
}

TEST(Modules, AnEmptySelectionWritesNothing) {
  EXPECT_EQ(RunKvtProc("/modules 2147483000").Out, kBanner);
  EXPECT_EQ(RunKvtProc("/modules no_such_program.exe").Out, kBanner);
}

TEST(Modules, TwoSelectedProcessesGiveTwoBlocksInSelectionOrder) {
  TModuleChild first;
  TModuleChild second;
  const std::string list = RunKvtProc("/list kvt_test_child.exe").Out;
  const size_t firstAt = list.find(ProcessLine(first.Pid(), GetCurrentProcessId(), first.Path()));
  const size_t secondAt =
      list.find(ProcessLine(second.Pid(), GetCurrentProcessId(), second.Path()));
  ASSERT_NE(firstAt, std::string::npos) << list;
  ASSERT_NE(secondAt, std::string::npos) << list;
  const std::string expected = firstAt < secondAt ? ModulesBlock(first) + ModulesBlock(second)
                                                  : ModulesBlock(second) + ModulesBlock(first);
  const TRunResult run = RunKvtProc("/modules kvt_test_child.exe");
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(run.Out, kBanner + expected);
}

}  // namespace
}  // namespace kvt_e2e
