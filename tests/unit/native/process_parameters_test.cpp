#include "native/process_parameters.h"

#include <gtest/gtest.h>

#include "fake_processes.h"
#include "os/scoped_handle.h"

namespace kvt {
namespace {

// Blanks, quotes and Cyrillic letters: "C:\Тест\child.exe" "a b" --имя="x y"
const std::string kCommandLine =
    "\"C:\\\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82\\child.exe\" \"a b\" "
    "--\xD0\xB8\xD0\xBC\xD1\x8F=\"x y\"";

// Each way a program reaches a process's command line, and where it cannot.
TEST(ProcessCommandLineTest, FromTheKernelOrTheParameterBlockAtEitherWidth) {
  struct TCase {
    const char* What;
    uint32_t ProgramWidth;
    bool ProgramWow64;
    bool Process64;
    bool KernelAnswers;
    bool Expected;
    bool ReadsMemory;
  };
  const TCase cases[] = {
      {"64-bit program, 64-bit process", 8, false, true, false, true, true},
      {"64-bit program, WOW64 process: its 32-bit blocks", 8, false, false, false, true, true},
      {"32-bit program on a 32-bit Windows", 4, false, false, false, true, true},
      {"32-bit program under WOW64, 32-bit process", 4, true, false, false, true, true},
      {"32-bit program under WOW64, 64-bit process: out of reach", 4, true, true, false, false,
       false},
      {"the kernel tells it", 8, false, true, true, true, false},
      {"the 32-bit program under WOW64 leaves a 64-bit process alone", 4, true, true, true, false,
       false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    FakeOs os;
    os.ProgramPointerSize = c.ProgramWidth;
    os.Wow64 = c.ProgramWow64;
    os.CommandLineClassAnswered = c.KernelAnswers;
    TFakeProcess& process = AddFakeProcess(os, 700, 4, "C:\\child.exe");
    process.Is64Bit = c.Process64;
    process.CommandLine = kCommandLine;
    const TScopedHandle opened(
        os, os.OpenProcess(kProcessQueryInformation | kProcessVmRead, false, 700));
    TCommandLineReach reach;
    reach.PointerSize = c.ProgramWidth;
    reach.ProgramWow64 = c.ProgramWow64;
    reach.ClassSixty = true;
    const TCommandLineText line = ReadProcessCommandLine(os, opened.Get(), reach);
    EXPECT_EQ(line.Text, c.Expected ? kCommandLine : std::string());
    EXPECT_FALSE(line.Denied);  // out of reach is no refusal
    EXPECT_EQ(os.CallCount("ReadProcessMemory") != 0, c.ReadsMemory);
  }
}

// Without the read right the command line is refused; without the entry
// point it is simply not there.
TEST(ProcessCommandLineTest, EmptyWithoutTheReadRightOrTheEntryPoint) {
  for (const bool bound : {true, false}) {
    FakeOs os;
    os.NtQueryInformationProcessBound = bound;
    AddFakeProcess(os, 700, 4, "C:\\child.exe").CommandLine = kCommandLine;
    const TScopedHandle opened(
        os, os.OpenProcess(bound ? kProcessQueryInformation : kProcessQueryInformation |
                                                                  kProcessVmRead,
                           false, 700));
    const TCommandLineText line = ReadProcessCommandLine(os, opened.Get(), TCommandLineReach());
    EXPECT_EQ(line.Text, "") << bound;
    EXPECT_EQ(line.Denied, bound);
  }
}

}  // namespace
}  // namespace kvt
