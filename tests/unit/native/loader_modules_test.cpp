#include "native/loader_modules.h"

#include <gtest/gtest.h>

#include "fake_processes.h"
#include "os/scoped_handle.h"

namespace kvt {
namespace {

// "C:\Программы\tool.dll", and a path past the toolhelp record's 260 units.
const std::string kCyrillicPath =
    "C:\\\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3\xD1\x80\xD0\xB0\xD0\xBC\xD0\xBC\xD1\x8B\\tool.dll";
const std::string kLongPath = "C:\\" + std::string(300, 'd') + "\\deep.dll";

TFakeProcess& AddProcess(FakeOs& os, bool is64Bit) {
  TFakeProcess& process = AddFakeProcess(os, 700, 4, "C:\\Apps\\app.exe");
  process.Is64Bit = is64Bit;
  process.CommandLine = "app.exe /quiet";
  AddFakeModule(process, "C:\\Apps\\app.exe", 0x400000, 0x5000);
  AddFakeModule(process, kCyrillicPath, 0x7FFE12340000, 0x21000);
  AddFakeModule(process, kLongPath, 0x10000000, 0x3000);
  return process;
}

// The walk of process 700, opened as /find opens it.
bool Walk(FakeOs& os, std::vector<TLoadedModule>& modules) {
  const TScopedHandle opened(
      os, os.OpenProcess(kProcessQueryInformation | kProcessVmRead, false, 700));
  return ReadLoaderModules(os, opened.Get(), os.Wow64, modules);
}

// Each program width walks the list of a process of its own width, whole
// names and all; where the list it would find is not the snapshot's, it
// leaves the process to the snapshot.
TEST(LoaderModulesTest, AProcessOfTheProgramsWidthIsWalkedInLoadOrder) {
  struct TCase {
    const char* What;
    uint32_t ProgramWidth;
    bool ProgramWow64;
    bool Process64;
    bool Walked;
  };
  const TCase cases[] = {
      {"64-bit program, 64-bit process", 8, false, true, true},
      {"32-bit program on a 32-bit Windows", 4, false, false, true},
      {"64-bit program, WOW64 process: two lists", 8, false, false, false},
      {"32-bit program under WOW64: out of its reach", 4, true, false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    FakeOs os;
    os.ProgramPointerSize = c.ProgramWidth;
    os.Wow64 = c.ProgramWow64;
    TFakeProcess& process = AddProcess(os, c.Process64);
    if (!c.Process64 && (c.ProgramWidth == 8 || c.ProgramWow64))
      for (TFakeModule& module : process.Modules) module.Wow64Module = true;
    std::vector<TLoadedModule> modules;
    ASSERT_EQ(Walk(os, modules), c.Walked);
    if (!c.Walked) continue;
    ASSERT_EQ(modules.size(), 3u);
    EXPECT_EQ(modules[0].FullName, "C:\\Apps\\app.exe");
    EXPECT_EQ(modules[1].FullName, kCyrillicPath);
    EXPECT_EQ(modules[1].Base, c.ProgramWidth == 8 ? 0x7FFE12340000u : 0x12340000u);
    EXPECT_EQ(modules[1].Size, 0x21000u);
    EXPECT_EQ(modules[2].FullName, kLongPath);
  }
}

// A list that does not lead back to its head is not believed, however it
// goes wrong, and the walk ends.
TEST(LoaderModulesTest, AListThatDoesNotComeBackToItsHeadIsNotWalked) {
  const TLoaderFault faults[] = {TLoaderFault::NoLoaderData, TLoaderFault::LoopsBack,
                                 TLoaderFault::LoopsOnItself, TLoaderFault::EndsUnmapped,
                                 TLoaderFault::NameUnmapped};
  for (const uint32_t width : {4u, 8u}) {
    for (const TLoaderFault fault : faults) {
      SCOPED_TRACE(std::to_string(width) + " " + std::to_string(static_cast<int>(fault)));
      FakeOs os;
      os.ProgramPointerSize = width;
      AddProcess(os, width == 8).LoaderFault = fault;
      std::vector<TLoadedModule> modules;
      EXPECT_FALSE(Walk(os, modules));
    }
  }
}

TEST(LoaderModulesTest, NoWalkWithoutTheReadRightOrTheEntryPoint) {
  FakeOs os;
  AddProcess(os, false);
  os.NtQueryInformationProcessBound = false;
  std::vector<TLoadedModule> modules;
  EXPECT_FALSE(Walk(os, modules));
  os.NtQueryInformationProcessBound = true;
  os.FindProcess(700)->AllowedAccess = kProcessQueryInformation;
  const TScopedHandle queryOnly(os, os.OpenProcess(kProcessQueryInformation, false, 700));
  EXPECT_FALSE(ReadLoaderModules(os, queryOnly.Get(), false, modules));
}

TEST(LoaderModulesTest, TheWalkStopsAtItsCap) {
  for (const uint32_t count : {kMaxLoaderEntries, kMaxLoaderEntries + 1}) {
    FakeOs os;
    TFakeProcess& process = AddFakeProcess(os, 700, 4, "C:\\Apps\\app.exe");
    for (uint32_t i = 0; i < count; ++i)
      AddFakeModule(process, "C:\\m\\" + std::to_string(i) + ".dll", 0x10000000 + 0x10000 * i,
                    0x1000);
    std::vector<TLoadedModule> modules;
    EXPECT_EQ(Walk(os, modules), count == kMaxLoaderEntries) << count;
  }
}

// The speed of the walk: entries and names that share pages cost one read
// of the process a page, not one a field (three a module: its entry, its
// name's header and its text).
TEST(LoaderModulesTest, ModulesThatSharePagesCostOneReadAPage) {
  FakeOs os;
  os.ProgramPointerSize = 8;
  TFakeProcess& process = AddFakeProcess(os, 700, 4, "C:\\Apps\\app.exe");
  process.Is64Bit = true;
  constexpr uint32_t kModules = 200;
  for (uint32_t i = 0; i < kModules; ++i)
    AddFakeModule(process, "C:\\WINDOWS\\system32\\library" + std::to_string(i) + ".dll",
                  0x7FF800000000 + 0x100000 * i, 0x1000);
  std::vector<TLoadedModule> modules;
  ASSERT_TRUE(Walk(os, modules));
  ASSERT_EQ(modules.size(), kModules);
  EXPECT_EQ(modules.back().FullName, "C:\\WINDOWS\\system32\\library199.dll");
  // The fake packs about 26 modules a page, as a heap would.
  EXPECT_LT(os.CallCount("ReadProcessMemory") * 10, kModules);
}

}  // namespace
}  // namespace kvt
