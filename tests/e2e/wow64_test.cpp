// A 64-bit Windows: the 64-bit program and the 32-bit one, which reads the
// files that paths name and hands its work to the 64-bit program beside it,
// but never to a copy of itself.
#include "e2e_support.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <cstdio>

namespace kvt_e2e {
namespace {

// The 32-bit build's folder, with a trailing backslash.
std::string Win32BinDirectory() {
  std::string path = KVT_WIN32_BIN_DIR;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path + "\\";
}
const std::string kWin32Bin = Win32BinDirectory();

std::string WindowsFolder(const char* name) {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  return std::string(windows) + "\\" + name + "\\";
}

// A copy of a file that lives as long as the object.
class TPlacedFile {
 public:
  TPlacedFile(const std::string& from, const std::string& to) : path_(to) {
    EXPECT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
  }
  ~TPlacedFile() { DeleteFileA(path_.c_str()); }
  TPlacedFile(const TPlacedFile&) = delete;
  TPlacedFile& operator=(const TPlacedFile&) = delete;

 private:
  std::string path_;
};

// The 64-bit file under the system folder's name, a 32-bit one of the same
// name with other version strings in the folder of the 32-bit system.
TEST(Wow64, TheThirtyTwoBitProgramReadsTheFileThePathNames) {
  const std::string name = "kvt_wow_" + std::to_string(GetCurrentProcessId()) + ".exe";
  const std::string system = WindowsFolder("system32");
  const TPlacedFile wide(ExeDirectory() + "kvt_versioned_child64.exe", system + name);
  const TPlacedFile narrow(kWin32Bin + "kvt_versioned_child.exe", WindowsFolder("syswow64") + name);
  const TChildProcess child(system + name);
  // Alone in its folder, the 32-bit program does the work itself.
  const TRunResult run = RunProgramFile(kWin32Bin + "kvtProc.exe", "/list " + name);
  char line[512];
  std::snprintf(line, sizeof line, "%4lu  %-25.25s  (%4lu)  %-20.20s  %-16.16s  %-22.22s  %s\r\n",
                child.Pid(), name.c_str(), GetCurrentProcessId(), "64-bit child process",
                "6.2.8.3185", "Halvorsk Test Systems Ltd. (x64)", system.c_str());
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(run.Out, std::string(kBanner) + "Processes:\r\n" + kProcessHeader + line);
}

// The signed 64-bit child under the system folder's name, the unsigned 32-bit
// child of the same name in the folder of the 32-bit system.
TEST(Wow64, TheThirtyTwoBitProgramChecksTheSignatureOfTheFileThePathNames) {
  const std::string name = "kvt_wowsig_" + std::to_string(GetCurrentProcessId()) + ".exe";
  const std::string system = WindowsFolder("system32");
  const TPlacedFile wide(ExeDirectory() + "kvt_signed_child.exe", system + name);
  const TPlacedFile narrow(kWin32Bin + "kvt_test_child.exe", WindowsFolder("syswow64") + name);
  const TChildProcess child(system + name);
  const TRunResult run = RunProgramFile(kWin32Bin + "kvtProc.exe", "/verify " + name);
  char line[512];
  std::snprintf(line, sizeof line, "%4lu  %-25.25s  %-25.25s  %-25.25s  %s\r\n", child.Pid(),
                name.c_str(), "Signed", "kvtProc Test Signer", system.c_str());
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(run.Out, std::string(kBanner) + "Signatures:\r\n" + kSignatureHeader + line);
}

TEST(Wow64, TheThirtyTwoBitProgramHandsOnToTheOneBesideIt) {
  const TPlacedFile beside(kWin32Bin + "kvtProc.exe", ExeDirectory() + "kvtProc.exe");
  const TChildProcess child;
  const std::string pid = std::to_string(child.Pid());
  const std::pair<std::string, DWORD> runs[] = {
      {"/list " + pid, 0}, {"/modules " + pid + " /license", 0}, {"/list \"<regexpr>(\"", 1}};
  for (const auto& [arguments, exitCode] : runs) {
    const TRunResult wide = RunKvtProc(arguments);
    const TRunResult handedOn = RunProgramFile(ExeDirectory() + "kvtProc.exe", arguments);
    EXPECT_EQ(wide.ExitCode, exitCode) << arguments;
    EXPECT_EQ(handedOn.ExitCode, exitCode) << arguments;
    EXPECT_EQ(handedOn.Out, wide.Out) << arguments;
    EXPECT_EQ(handedOn.Err, wide.Err) << arguments;
  }
}

// A 32-bit copy of the program where the 64-bit one should be: the run ends
// at once, with one warning and the 32-bit program's own list.
TEST(Wow64, AThirtyTwoBitCopyNamedAsTheSixtyFourBitProgramIsNotHandedTheRun) {
  const std::string folder =
      ExeDirectory() + "kvt_copy_" + std::to_string(GetCurrentProcessId()) + "\\";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  {
    const TPlacedFile program(kWin32Bin + "kvtProc.exe", folder + "kvtProc.exe");
    const TPlacedFile copy(kWin32Bin + "kvtProc.exe", folder + "kvtProc64.exe");
    const TChildProcess child;
    const std::string arguments = "/list " + std::to_string(child.Pid());
    const ULONGLONG start = GetTickCount64();
    const TRunResult run = RunProgramFile(folder + "kvtProc.exe", arguments);
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_LT(took, 10000u);
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_EQ(run.Err, folder + "kvtProc64.exe is not a 64-bit program; this program does the "
                                "work itself.\r\n");
    EXPECT_EQ(run.Out, std::string(kBanner) + "Processes:\r\n" + kProcessHeader +
                           ProcessLine(child.Pid(), GetCurrentProcessId(), child.Path()));
  }
  RemoveDirectoryA(folder.c_str());
}

// The 32-bit program waits for the 64-bit one it handed the run to: a /kill
// of its name spares it, and its exit code is the 64-bit program's.
TEST(Wow64, KillThroughTheHandOnLeavesTheWaitingProgramRunning) {
  const TPlacedFile beside(kWin32Bin + "kvtProc.exe", ExeDirectory() + "kvtProc.exe");
  const std::string program = ExeDirectory() + "kvtProc.exe";
  const TRunResult run = RunProgramFile(program, "/kill kvtProc.exe");
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.Out, std::string(kBanner) +
                         "Trying to kill processes with filename \"kvtProc.exe\"...\r\n"
                         "1 matches found:\r\n" +
                         kProcessHeader + ProcessLine(run.Pid, GetCurrentProcessId(), program) +
                         "Not terminated: it handed this run on and waits for its end.\r\n");
}

bool LoadedBy(HANDLE process, const char* name) {
  HMODULE modules[1024];
  DWORD needed = 0;
  if (!EnumProcessModulesEx(process, modules, sizeof modules, &needed, LIST_MODULES_ALL))
    return false;
  for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 1024; ++i) {
    char path[MAX_PATH] = {};
    GetModuleBaseNameA(process, modules[i], path, MAX_PATH);
    if (lstrcmpiA(path, name) == 0) return true;
  }
  return false;
}

// What the platform lets the 64-bit program see of a 32-bit process: its
// executable and the library it loaded are listed.
TEST(Wow64, TheSixtyFourBitProgramListsTheModulesOfAThirtyTwoBitProcess) {
  const TChildProcess child(kWin32Bin + "kvt_test_child.exe", "60000 kvt_test_module.dll");
  for (int i = 0; i < 200 && !LoadedBy(child.Handle(), "kvt_test_module.dll"); ++i) Sleep(100);
  const TRunResult run = RunKvtProc("/modules " + std::to_string(child.Pid()));
  EXPECT_EQ(run.ExitCode, 0u);
  const size_t table = run.Out.find("\r\nModules:\r\n");
  ASSERT_NE(table, std::string::npos) << run.Out;
  const std::string modules = run.Out.substr(table);
  EXPECT_NE(modules.find("  kvt_test_child.exe  "), std::string::npos) << modules;
  EXPECT_NE(modules.find("  kvt_test_module.dll  "), std::string::npos) << modules;
  std::printf("%s", modules.c_str());  // what Wine shows, for the record
}

}  // namespace
}  // namespace kvt_e2e
