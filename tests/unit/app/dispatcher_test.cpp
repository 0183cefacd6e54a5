#include "app/dispatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "expected_texts.h"
#include "fake_processes.h"
#include "support/md5.h"
#include "support/text.h"
#include "version_resource_builder.h"

namespace kvt {
namespace {

const std::string kBanner = kvt_expected::kBanner;
const std::string kUsage = kvt_expected::kUsage;
const std::string kListHead = std::string("Processes:\r\n") + kvt_expected::kProcessHeader;

class DispatcherTest : public ::testing::Test {
 protected:
  DispatcherTest() {
    AddFakeProcess(os, 500, 4, "C:\\Windows\\system32\\services.exe");
    AddFakeProcess(os, 612, 500, "C:\\Windows\\explorer.exe");
  }
  int Run(const std::string& commandLine) {
    os.CommandLine = commandLine;
    return RunProgram(os);
  }
  FakeOs os;
};

const std::string kServicesLine =
    " 500  services.exe               (   4)                                                      "
    "            C:\\Windows\\system32\\\r\n";
const std::string kExplorerLine =
    " 612  explorer.exe               ( 500)                                                      "
    "            C:\\Windows\\\r\n";

// Names outside the ANSI code page: a console shows them as they are; in a
// file or pipe the table is in the ANSI code page, "?" for what it lacks, and
// every column keeps its width in characters; the forms carry them in UTF-8.
TEST_F(DispatcherTest, NamesOutsideTheAnsiCodePageInEachOutput) {
  // "C:\Пользователь\сон.exe", then CJK and a character outside the BMP.
  const std::string folder = "C:\\\xD0\x9F\xD0\xBE\xD0\xBB\xD1\x8C\\";
  const std::string name = "\xD1\x81\xD0\xBE\xD0\xBD\xE5\x8A\xA9\xF0\x90\x90\xB7.exe";
  AddFakeProcess(os, 700, 612, folder + name);
  // Nine characters of file name, padded to 25.
  const std::string tail = std::string(16, ' ') + "  ( 612)" + std::string(66, ' ');
  const std::string ansi = " 700  ?????.exe" + tail + "C:\\????\\\r\n";
  const std::string exact = " 700  " + name + tail + folder + "\r\n";

  EXPECT_EQ(Run("kvt /list 700"), 0);
  EXPECT_EQ(os.StdOut.substr(os.StdOut.size() - ansi.size()), ansi);

  os.StdOut.clear();
  os.StdOutIsConsole = true;
  EXPECT_EQ(Run("kvt /list 700"), 0);
  EXPECT_EQ(os.StdOut, "");
  EXPECT_EQ(os.Console.substr(os.Console.size() - exact.size()), exact);

  os.Console.clear();
  EXPECT_EQ(Run("kvt /csv /list 700"), 0);
  EXPECT_EQ(os.Console, "");
  EXPECT_NE(os.StdOut.find(",612," + name + "," + folder + name + ","), std::string::npos)
      << os.StdOut;
}

// Only the machine-readable forms show the digest, so only they hash: each
// distinct executable once, shared by the processes that run it.
TEST_F(DispatcherTest, ExecutablesAreHashedOnlyForTheForms) {
  AddFakeProcess(os, 700, 612, "C:\\Windows\\explorer.exe");
  os.File("C:\\Windows\\explorer.exe").Bytes = std::string(3000, 'e');
  os.File("C:\\Windows\\system32\\services.exe").Bytes = std::string(5000, 's');
  for (const char* arguments : {"/list", "/modules 612", "/handles 612", "/kill 123 /list"}) {
    os.BytesRead = 0;
    EXPECT_EQ(Run(std::string("kvtProc.exe ") + arguments), 0);
    EXPECT_EQ(os.BytesRead, 0u) << arguments;
  }
  os.StdOut.clear();
  os.BytesRead = 0;
  EXPECT_EQ(Run("kvtProc.exe /csv /list"), 0);
  EXPECT_EQ(os.BytesRead, 3000u + 5000u);
  // Both processes of the one executable show its digest.
  const std::string explorerDigest =
      ",11EF726BB87C4BCAE0EBF7E6411C9C43,"
      "138988658AC3CE47C78CEEF9C9FA534360FCB5ECC798E5E36D5D976D9BA9A164\r\n";
  const size_t first = os.StdOut.find(explorerDigest);
  ASSERT_NE(first, std::string::npos) << os.StdOut;
  EXPECT_NE(os.StdOut.find(explorerDigest, first + 1), std::string::npos) << os.StdOut;
}

TEST_F(DispatcherTest, BareStartWritesBannerAndUsageOnly) {
  EXPECT_EQ(Run("kvtProc.exe"), 0);
  EXPECT_EQ(os.StdOut, kBanner + kUsage);
  EXPECT_GT(os.CallCount("EnumProcesses"), 0u);  // the inventory is built all the same
}

// The drives are probed, and an executable's file read, only for a run that
// writes what they tell; each file once, however many processes run it.
TEST_F(DispatcherTest, FileFactsAreReadForTheProcessesWrittenOnly) {
  AddFakeProcess(os, 700, 612, "C:\\Windows\\explorer.exe");
  os.File("C:\\Windows\\explorer.exe").Bytes = PeFileWithStrings({{"FileVersion", "6.0"}});
  os.File("C:\\Windows\\system32\\services.exe").Bytes = PeFileWithStrings({{"FileVersion", "5.1"}});
  const struct {
    const char* Arguments;
    size_t VersionReads;
  } cases[] = {{"/?", 0}, {"/license", 0}, {"/csv", 0}, {"/list 612", 1}, {"/list", 2}};
  for (const auto& test : cases) {
    os.Calls.clear();
    Run(std::string("kvtProc.exe ") + test.Arguments);
    EXPECT_EQ(os.CallCount("GetFileVersionInfoSizeW"), test.VersionReads) << test.Arguments;
    if (test.VersionReads > 0) continue;
    EXPECT_EQ(os.CallCount("GetVolumeInformationW"), 0u) << test.Arguments;
    EXPECT_EQ(os.CallCount("CreateFileW"), 0u) << test.Arguments;
  }
}

TEST_F(DispatcherTest, HelpSwitchesInAnyCase) {
  EXPECT_EQ(Run("kvtProc.exe /?"), 0);
  EXPECT_EQ(os.StdOut, kBanner + kUsage);
  os.StdOut.clear();
  EXPECT_EQ(Run("kvtProc.exe -HELP"), 0);
  EXPECT_EQ(os.StdOut, kBanner + kUsage);
}

TEST_F(DispatcherTest, ListAllAndOnce) {
  EXPECT_EQ(Run("kvtProc.exe /LIST"), 0);
  EXPECT_EQ(os.StdOut, kBanner + kListHead + kServicesLine + kExplorerLine);
  os.StdOut.clear();
  // Switches alone name no process: every one is listed.
  EXPECT_EQ(Run("kvtProc.exe -list /list"), 0);
  EXPECT_EQ(os.StdOut, kBanner + kListHead + kServicesLine + kExplorerLine);
}

TEST_F(DispatcherTest, ListShowsTheVersionResourceOfEveryExecutable) {
  os.File("C:\\Windows\\explorer.exe").Bytes =
      PeFileWithStrings({{"FileDescription", "Desktop shell with taskbar"},
                         {"FileVersion", "6.0.2900.5512 (sp3.080413-2105)"},
                         {"CompanyName", "Example Systems Corporation"}});
  EXPECT_EQ(Run("kvtProc.exe /list 612"), 0);
  EXPECT_EQ(os.StdOut, kBanner + kListHead +
                           " 612  explorer.exe               ( 500)  Desktop shell with t  "
                           "6.0.2900.5512 (s  Example Systems Corpor  C:\\Windows\\\r\n");
}

TEST_F(DispatcherTest, ListByProcessIdInDecimalAndHex) {
  Run("kvtProc.exe /list $264");
  EXPECT_EQ(os.StdOut, kBanner + kListHead + kExplorerLine);
  os.StdOut.clear();
  Run("kvtProc.exe /list 0x1f4");
  EXPECT_EQ(os.StdOut, kBanner + kListHead + kServicesLine);
  os.StdOut.clear();
  Run("kvtProc.exe /list 123");
  EXPECT_EQ(os.StdOut, kBanner + kListHead);
}

TEST_F(DispatcherTest, NamesAndZeroAreFileNamePatterns) {
  for (const char* line : {"kvtProc.exe /list 0", "kvtProc.exe /list 500abc"}) {
    os.StdOut.clear();
    Run(line);
    EXPECT_EQ(os.StdOut, kBanner + kListHead) << line;
  }
}

TEST_F(DispatcherTest, ListByFileNameInAnyCaseAndByWildcard) {
  Run("kvtProc.exe /list EXPLORER.EXE");
  EXPECT_EQ(os.StdOut, kBanner + kListHead + kExplorerLine);
  os.StdOut.clear();
  Run("kvtProc.exe /list \"*R*.exe\"");
  EXPECT_EQ(os.StdOut, kBanner + kListHead + kServicesLine + kExplorerLine);
  os.StdOut.clear();
  Run("kvtProc.exe /list <substr>plor");
  EXPECT_EQ(os.StdOut, kBanner + kListHead + kExplorerLine);
}

// A path beyond the platform's fixed records and MAX_PATH: listed whole,
// selected by its file name, sized, hashed and its version read, while the
// table keeps its column widths.
TEST_F(DispatcherTest, ALongPathIsReadWholeThroughEveryView) {
  std::string folder = "C:\\";
  while (folder.size() < 980) folder += "a folder far down\\";
  const std::string path = folder + "longpath.exe";
  AddFakeProcess(os, 700, 612, path);
  const std::string bytes = PeFileWithStrings({{"FileDescription", "Long way down"}});
  os.File(path).Bytes = bytes;

  EXPECT_EQ(Run("kvtProc.exe /list LONGPATH.exe"), 0);
  EXPECT_EQ(os.StdOut, kBanner + kListHead + " 700  longpath.exe               ( 612)  " +
                           "Long way down         " + std::string(16 + 2 + 22 + 2, ' ') +
                           folder + "\r\n");

  os.StdOut.clear();
  EXPECT_EQ(Run("kvtProc.exe /csv /list longpath.exe"), 0);
  TMD5 md5;
  md5.Update(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  const std::string sizeAndDigest = std::to_string(bytes.size()) + "," +
                                    AsciiUpperCase(DigestToHex(md5.Final())) + ",";
  EXPECT_NE(os.StdOut.find("," + path + ",Long way down,,," + sizeAndDigest), std::string::npos)
      << os.StdOut;
}

TEST_F(DispatcherTest, KillByFileNameEndsEveryCopy) {
  AddFakeProcess(os, 700, 612, "C:\\Apps\\child.exe");
  AddFakeProcess(os, 701, 612, "C:\\Apps\\child.exe");
  const auto line = [](const char* id) {
    return std::string(id) +
           "  child.exe                  ( 612)                                                 "
           "                 C:\\Apps\\\r\n";
  };
  EXPECT_EQ(Run("kvtProc.exe /kill CHILD.exe"), 0);
  EXPECT_EQ(os.StdOut, kBanner +
                           "Trying to kill processes with filename \"CHILD.exe\"...\r\n"
                           "2 matches found:\r\n" +
                           kListHead.substr(12) + line(" 700") + "Terminated.\r\n" +
                           line(" 701") + "Terminated.\r\n");
  EXPECT_EQ(os.FindProcess(700), nullptr);  // only live processes are found
  EXPECT_EQ(os.FindProcess(701), nullptr);
  EXPECT_NE(os.FindProcess(612), nullptr);
}

// A code address of the report: eight upper-case hexadecimal digits, or
// sixteen for one that does not fit in 32 bits.
void ExpectCodeAddress(const std::string& address) {
  EXPECT_EQ(address.find_first_not_of("0123456789ABCDEF"), std::string::npos) << address;
  if (address.size() != 8) {
    EXPECT_EQ(address.size(), 16u) << address;
    EXPECT_NE(address.substr(0, 8), "00000000") << address;
  }
}

TEST_F(DispatcherTest, BadRegularExpressionEndsTheRunWithAReport) {
  EXPECT_EQ(Run("kvtProc.exe /kill \"<regexpr>(\" /list"), 1);
  EXPECT_EQ(os.CallCount("TerminateProcess"), 0u);
  EXPECT_EQ(os.StdOut, kBanner);  // written before the report
  const std::string head = "Exception ERegExprError in module kvtProc.exe at ";
  ASSERT_EQ(os.StdErr.compare(0, head.size(), head), 0) << os.StdErr;
  const size_t message = os.StdErr.find(".\r\n") + 3;
  ExpectCodeAddress(os.StdErr.substr(head.size(), message - 3 - head.size()));
  // The message is the engine's own; it only has to be there, and end the report.
  EXPECT_GT(os.StdErr.size(), message + 5);
  EXPECT_EQ(os.StdErr.substr(os.StdErr.size() - 5), ".\r\n\r\n");

  os.StdOut.clear();
  os.StdErr.clear();
  EXPECT_EQ(Run("kvtProc.exe /list <regexpr>"), 1);
  EXPECT_EQ(os.StdErr.substr(os.StdErr.find(".\r\n") + 3), "Empty regular expression.\r\n\r\n");
}

TEST_F(DispatcherTest, FormsRefuseKillAndEachOtherBeforeAnythingIsDone) {
  const char* kKill = "/kill cannot be combined with /csv, /xml or /json; nothing was terminated.\r\n";
  const struct {
    const char* Line;
    const char* Message;
  } kCases[] = {
      {"kvtProc.exe /csv /kill 612", kKill},
      {"kvtProc.exe /kill 612 -XML", kKill},
      {"kvtProc.exe /json /kill 612", kKill},
      {"kvtProc.exe /CSV /xml /list", "/csv and /xml cannot be combined; give one of them.\r\n"},
      {"kvtProc.exe /list /JSON /xml", "/xml and /json cannot be combined; give one of them.\r\n"},
  };
  for (const auto& c : kCases) {
    os.Calls.clear();
    os.StdErr.clear();
    EXPECT_EQ(Run(c.Line), 1) << c.Line;
    EXPECT_EQ(os.StdOut, "") << c.Line;
    EXPECT_EQ(os.StdErr, c.Message) << c.Line;
    EXPECT_EQ(os.CallCount("EnumProcesses"), 0u) << c.Line;
  }
  EXPECT_TRUE(os.Processes.back().Alive);
  // Other errors are reported as in the text form, and the document is not begun.
  os.StdErr.clear();
  EXPECT_EQ(Run("kvtProc.exe /csv /list <regexpr>"), 1);
  EXPECT_EQ(os.StdOut, "");
  EXPECT_EQ(os.StdErr.rfind("Exception ERegExprError in module kvtProc.exe at ", 0), 0u);
}

// Nothing to write, so nothing to learn: the only calls made are those that
// read the command line and decide on the hand-on.
TEST_F(DispatcherTest, AFormWithoutATableReadsNoProcessFact) {
  for (const char* line :
       {"kvtProc.exe /csv", "kvtProc.exe /xml 612", "kvtProc.exe /license -XML"}) {
    os.Calls.clear();
    EXPECT_EQ(Run(line), 0) << line;
    EXPECT_EQ(os.StdOut, "") << line;
    for (const std::string& call : os.Calls)
      EXPECT_TRUE(call == "CompareStringW" || call == "IsWow64Process" || call == "GetEnvironmentVariableW")
          << line << ": " << call;
  }
}

TEST_F(DispatcherTest, UnknownParametersWriteOnlyTheBanner) {
  EXPECT_EQ(Run("kvtProc.exe /lists extra"), 0);
  EXPECT_EQ(os.StdOut, kBanner);
}

TEST_F(DispatcherTest, KillByIdListsTerminatesAndReports) {
  os.Processes.back().CanTerminate = true;
  EXPECT_EQ(Run("kvtProc.exe /kill $264"), 0);
  EXPECT_EQ(os.StdOut, kBanner +
                           "Trying to kill process with PID 612...\r\n"
                           "1 matches found:\r\n" +
                           kListHead.substr(12) + kExplorerLine + "Terminated.\r\n");
  EXPECT_FALSE(os.Processes.back().Alive);
}

TEST_F(DispatcherTest, KillWritesEverythingBeforeTheRequestGoesOut) {
  size_t writtenBeforeTerminate = 0;
  os.Processes.back().CanTerminate = false;
  EXPECT_EQ(Run("kvtProc.exe /kill 612"), 2);  // a script can tell
  for (const std::string& call : os.Calls) {
    if (call == "TerminateProcess") break;
    if (call == "WriteStdOut") ++writtenBeforeTerminate;
  }
  EXPECT_GE(writtenBeforeTerminate, 1u);
  const std::string before = os.StdOut.substr(0, os.StdOut.find("Error terminating process!"));
  EXPECT_NE(before.find(kExplorerLine), std::string::npos);
  EXPECT_NE(os.StdOut.find(kExplorerLine + "Error terminating process!\r\n"), std::string::npos);
}

// A termination that names no process, or every one, or that holds a word
// the program does not understand, changes nothing; the other commands of
// the run still do their work.
TEST_F(DispatcherTest, KillThatNamesNoProcessOrEveryOneTerminatesNothing) {
  AddFakeProcess(os, 700, 612, "C:\\Apps\\child.exe");
  const struct {
    const char* Line;
    const char* Said;  // how standard error begins
  } kCases[] = {
      {"/kill", "/kill needs a process id or a file name"},
      {"/kill \"\"", "/kill needs a process id or a file name"},
      {"/kill \"<bm>\"", "/kill needs a process id or a file name"},
      {"/kill \"<regexpr>  \"", "/kill needs a process id or a file name"},
      {"/kill *", "/kill \"*\" selects every process"},
      {"/kill \"*.exe\"", "/kill \"*.exe\" selects every process"},
      {"/kill /intervall 612", "Unknown switch /intervall"},
      {"/kill 612 700", "\"700\" is neither a switch nor the selector"},
      {"/kill /all /all 612", "/all is given twice"},
  };
  for (const auto& c : kCases) {
    os.StdOut.clear();
    os.StdErr.clear();
    EXPECT_EQ(Run(std::string("kvtProc.exe ") + c.Line), 1) << c.Line;
    EXPECT_EQ(os.StdErr.rfind(c.Said, 0), 0u) << c.Line << ": " << os.StdErr;
    EXPECT_EQ(os.CallCount("TerminateProcess"), 0u) << c.Line;
  }
  // Switches alone: every process listed, none terminated.
  os.StdOut.clear();
  EXPECT_EQ(Run("kvtProc.exe /list /kill"), 1);
  EXPECT_NE(os.StdOut.find(kExplorerLine), std::string::npos);
  EXPECT_EQ(os.CallCount("TerminateProcess"), 0u);
}

// This program among the targets goes last, so that ending itself leaves
// none of the others running, and it ends with the code the others earned.
TEST_F(DispatcherTest, KillOfThisProgramComesLastWithTheRunsExitCode) {
  AddFakeProcess(os, os.CurrentProcessId, 612, "C:\\Tools\\kvtProc.exe");
  AddFakeProcess(os, 701, 612, "C:\\Apps\\stubborn.exe").CanTerminate = false;
  EXPECT_EQ(Run("kvtProc.exe /kill * /all"), 2);
  const size_t own = os.StdOut.find("kvtProc.exe ");
  ASSERT_NE(own, std::string::npos);
  EXPECT_GT(own, os.StdOut.find("stubborn.exe"));
  EXPECT_EQ(os.StdOut.substr(os.StdOut.rfind("\\Tools\\")), "\\Tools\\\r\nTerminated.\r\n");
  EXPECT_EQ(os.Processes[2].ExitCode, 2u);
  EXPECT_FALSE(os.Processes[0].Alive);
}

TEST_F(DispatcherTest, CommandsRunInTheFixedOrder) {
  const std::string license = kvt_expected::kLicense;
  Run("kvtProc.exe /license x /list");  // x: a selector matching nothing
  EXPECT_EQ(os.StdOut, kBanner + kListHead + license);
}

const std::string kModulesHead = std::string("\r\nModules:\r\n") + kvt_expected::kModuleHeader;

const std::string kHandlesHead = std::string("\r\nHandles:\r\n") + kvt_expected::kHandleHeader;

std::string ProcessBlock(const std::string& line) {
  return "Process:\r\n" + std::string(kvt_expected::kProcessHeader) + line;
}

TEST_F(DispatcherTest, ModulesOfTheSelectedProcessesInSelectionOrder) {
  AddFakeModule(os.Processes[0], "C:\\Windows\\system32\\services.exe", 0x1000000, 0x1C000)
      .ModuleId = 1;
  AddFakeModule(os.Processes[1], "C:\\Windows\\explorer.exe", 0x400000, 0xFF000).ModuleId = 2;
  AddFakeModule(os.Processes[1], "C:\\Windows\\system32\\ntdll.dll", 0x7C900000, 0xAF000)
      .ModuleId = 3;
  AddFakeModule(os.Processes[1], "shell32.dll", 0x7CA00000, 0x817000).InSnapshot = false;
  EXPECT_EQ(Run("kvtProc.exe /modules"), 0);
  EXPECT_EQ(os.StdOut,
            kBanner + ProcessBlock(kServicesLine) + kModulesHead +
                "   1  services.exe               ( 500)  01000000  0001C000  "
                "C:\\Windows\\system32\\\r\n"
                "\r\n" +
                ProcessBlock(kExplorerLine) + kModulesHead +
                "   2  explorer.exe               ( 612)  00400000  000FF000  C:\\Windows\\\r\n"
                "   3  ntdll.dll                  ( 612)  7C900000  000AF000  "
                "C:\\Windows\\system32\\\r\n"
                "   0  shell32.dll                (   0)  00000000  00000000  \r\n"
                "\r\n");
}

TEST_F(DispatcherTest, ModulesOfAnEmptySelectionWriteNothing) {
  EXPECT_EQ(Run("kvtProc.exe /modules 123"), 0);
  EXPECT_EQ(os.StdOut, kBanner);
}

TEST_F(DispatcherTest, AProcessWhoseModulesCannotBeReadStillGetsItsBlock) {
  os.Processes[1].ModuleSnapshotFails = true;
  os.Processes[1].EnumModulesFails = true;
  EXPECT_EQ(Run("kvtProc.exe /modules 612 /list"), 0);
  EXPECT_EQ(os.StdOut, kBanner + kListHead + kExplorerLine + ProcessBlock(kExplorerLine) +
                           kModulesHead + "\r\n");
}

TEST_F(DispatcherTest, ModulesComeAfterKillAndListWhatTheEndedProcessStillYields) {
  AddFakeModule(os.Processes[1], "C:\\Windows\\explorer.exe", 0x400000, 0xFF000);
  EXPECT_EQ(Run("kvtProc.exe /modules 612 /kill"), 0);
  EXPECT_EQ(os.StdOut, kBanner +
                           "Trying to kill process with PID 612...\r\n"
                           "1 matches found:\r\n" +
                           kListHead.substr(12) + kExplorerLine + "Terminated.\r\n" +
                           ProcessBlock(kExplorerLine) + kModulesHead + "\r\n");
}

TEST_F(DispatcherTest, HandlesAfterListWithTheProcessBlockAndTheHandleTable) {
  AddFakeHandle(os, 612, 0x1C, 28, u"\\Device\\HarddiskVolume1\\Windows\\log.txt").GrantedAccess =
      0x120089;
  AddFakeHandle(os, 500, 0x20, 9, u"\\BaseNamedObjects\\other");
  AddFakeHandle(os, 612, 0x24, 9, u"");
  EXPECT_EQ(Run("kvtProc.exe /handles 612 /list"), 0);
  EXPECT_EQ(os.StdOut,
            kBanner + kListHead + kExplorerLine + ProcessBlock(kExplorerLine) + kHandlesHead +
                "  28: File                  \\Device\\HarddiskVolume1\\Windows\\  ( 612)  0000001C  "
                "00120089      0\r\n"
                "   9: Event                                                   ( 612)  00000024  "
                "00000000      0\r\n"
                "\r\n");
  os.StdOut.clear();
  EXPECT_EQ(Run("kvtProc.exe /handles nothing"), 0);
  EXPECT_EQ(os.StdOut, kBanner);
}

TEST_F(DispatcherTest, EveryModuleBlockComesBeforeTheFirstHandleBlock) {
  AddFakeModule(os.Processes[0], "C:\\Windows\\system32\\services.exe", 0x1000000, 0x1C000);
  AddFakeModule(os.Processes[1], "C:\\Windows\\explorer.exe", 0x400000, 0xFF000);
  AddFakeHandle(os, 500, 0x20, 9, u"\\BaseNamedObjects\\s");
  AddFakeHandle(os, 612, 0x24, 9, u"\\BaseNamedObjects\\e");
  EXPECT_EQ(Run("kvtProc.exe /handles *.exe /modules"), 0);
  EXPECT_EQ(os.StdOut,
            kBanner + ProcessBlock(kServicesLine) + kModulesHead +
                "   1  services.exe               ( 500)  01000000  0001C000  "
                "C:\\Windows\\system32\\\r\n\r\n" +
                ProcessBlock(kExplorerLine) + kModulesHead +
                "   1  explorer.exe               ( 612)  00400000  000FF000  C:\\Windows\\\r\n\r\n" +
                ProcessBlock(kServicesLine) + kHandlesHead +
                "   9: Event                 \\BaseNamedObjects\\s               ( 500)  00000020  "
                "00000000      0\r\n\r\n" +
                ProcessBlock(kExplorerLine) + kHandlesHead +
                "   9: Event                 \\BaseNamedObjects\\e               ( 612)  00000024  "
                "00000000      0\r\n\r\n");
  EXPECT_EQ(os.CallCount("NtQuerySystemInformation"), 1u);  // one table for both
}

// Windows 10 and the 64-bit program: the extended table, read once for every
// selected process, an id above 65535, the kernel's type names; a File handle
// of this program whose name query would block goes to the worker, and the
// run ends in time.
TEST_F(DispatcherTest, HandlesOnWindows10) {
  os.ProgramPointerSize = 8;
  os.Version.dwMajorVersion = 10;
  os.Version.dwMinorVersion = 0;
  os.Version.dwBuildNumber = 19045;
  os.ObjectTypeNames = {{37, u"File"}, {16, u"Event"}};
  AddFakeProcess(os, 70000, 612, "C:\\Apps\\big.exe");
  AddFakeProcess(os, os.CurrentProcessId, 612, "C:\\Tools\\kvtProc.exe");
  AddFakeHandle(os, 70000, 0x10004, 16, u"\\BaseNamedObjects\\big").GrantedAccess = 0x1F0003;
  TFakeHandle& pipe = AddFakeHandle(os, os.CurrentProcessId, 0x8, 37, u"\\Device\\NamedPipe\\in");
  pipe.Stalls = true;
  pipe.GrantedAccess = 0x120089;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Run("kvtProc.exe /handles *.exe"), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  const auto line = [](const char* pid, const char* name, const char* path) {
    char text[256];
    std::snprintf(text, sizeof text, "%s  %-25s  ( 612)  %62s  %s\r\n", pid, name, "", path);
    return std::string(text);
  };
  EXPECT_EQ(os.StdOut,
            kBanner + ProcessBlock(kServicesLine) + kHandlesHead + "\r\n" +
                ProcessBlock(kExplorerLine) + kHandlesHead + "\r\n" +
                ProcessBlock(line("70000", "big.exe", "C:\\Apps\\")) + kHandlesHead +
                "  16: Event                 \\BaseNamedObjects\\big             (70000)  00010004  "
                "001F0003      0\r\n\r\n" +
                ProcessBlock(line(" 100", "kvtProc.exe", "C:\\Tools\\")) + kHandlesHead +
                "  37: File                                                    ( 100)  00000008  "
                "00120089      0\r\n\r\n");
  EXPECT_EQ(os.CallCount("NtQuerySystemInformation"), 1u);
  EXPECT_EQ(os.StallsOnCallerThread, 0u);
  EXPECT_EQ(os.AbandonedWorkerCount(), 1u);
}

// /find's pattern is taken out before the selector is read: a number is a
// name fragment, and a selector in its usual place narrows the search.
class FindCommandTest : public DispatcherTest {
 protected:
  FindCommandTest() {
    AddFakeModule(*os.FindProcess(612), "C:\\Windows\\shell2024.dll", 0x7E000000, 0x1000);
    AddFakeHandle(os, 500, 0x1C, 28, u"\\Device\\HarddiskVolume1\\logs\\2024.log");
    AddFakeHandle(os, 612, 0x20, 28, u"\\Device\\HarddiskVolume1\\Users\\me\\2024.txt");
    AddFakeHandle(os, 612, 0x24, 9, u"\\BaseNamedObjects\\other");
  }
};

TEST_F(FindCommandTest, TextTableOfHitsWithTheirNumber) {
  EXPECT_EQ(Run("kvt /find 2024 explorer.exe"), 0);
  EXPECT_EQ(os.StdOut, kBanner +
                           "Handles and modules whose names match \"2024\":\r\n"
                           "PID     Filename                  Kind          Handle            Name\r\n"
                           "612     explorer.exe              File          00000020          "
                           "C:\\Users\\me\\2024.txt\r\n"
                           "612     explorer.exe              Module        7E000000          "
                           "C:\\Windows\\shell2024.dll\r\n"
                           "2 matches found.\r\n\r\n");
  os.StdOut.clear();
  EXPECT_EQ(Run("kvt /find 2024"), 0);  // every process: services.exe's log too
  EXPECT_NE(os.StdOut.find("3 matches found.\r\n"), std::string::npos) << os.StdOut;
  os.StdOut.clear();
  EXPECT_EQ(Run("kvt /find nothing-like-this"), 0);
  EXPECT_NE(os.StdOut.find("\"nothing-like-this\":\r\nNo handle or module matches.\r\n"),
            std::string::npos);
  EXPECT_EQ(os.StdErr, "");
}

TEST_F(FindCommandTest, WithoutAPatternNothingIsSearched) {
  for (const char* line : {"kvt /find", "kvt /csv /find", "kvt /list /FIND"}) {
    os.StdOut.clear();
    os.StdErr.clear();
    EXPECT_EQ(Run(line), 1) << line;
    EXPECT_EQ(os.StdOut, "") << line;
    EXPECT_EQ(os.StdErr, std::string(kvt_expected::kFindUsage) + "\r\n") << line;
  }
  EXPECT_EQ(os.CallCount("NtQuerySystemInformation"), 0u);
}

// The forms: the hits' table after the others, the count of processes not
// searched on standard error.
TEST_F(FindCommandTest, CsvAndXmlFormsAndTheCountOfProcessesNotSearched) {
  os.FindProcess(500)->AllowedAccess = kProcessQueryInformation;
  EXPECT_EQ(Run("kvt /csv /find 2024"), 0);
  EXPECT_EQ(os.StdOut,
            "PID,Filename,Kind,Handle,Name\r\n"
            "612,explorer.exe,File,00000020,C:\\Users\\me\\2024.txt\r\n"
            "612,explorer.exe,Module,7E000000,C:\\Windows\\shell2024.dll\r\n");
  const std::string unsearched =
      "1 process could not be searched: its handles or modules could not be read.\r\n";
  EXPECT_EQ(os.StdErr, unsearched);
  os.StdOut.clear();
  EXPECT_EQ(Run("kvt /xml /find shell2024"), 0);
  EXPECT_NE(os.StdOut.find("  <TqxFindList>\r\n    <TqxFindItem ProcessID=\"612\" "
                           "Filename=\"explorer.exe\" Kind=\"Module\" Handle=\"7E000000\" "
                           "Name=\"C:\\Windows\\shell2024.dll\" />"),
            std::string::npos)
      << os.StdOut;
  os.StdOut.clear();
  EXPECT_EQ(Run("kvt /find 2024"), 0);
  EXPECT_NE(os.StdOut.find("2 matches found.\r\n" + unsearched), std::string::npos);
}

// A table that cannot be read is said on standard error with exit code 1:
// no empty handle lists, no "nothing found"; what came before stands, and a
// form writes nothing.
TEST_F(FindCommandTest, AnUnreadableHandleTableEndsTheRunWithOne) {
  os.HandleTableFailure = 0xC0000017u;  // no memory
  const std::string message = "The system handle table could not be read.\r\n";
  EXPECT_EQ(Run("kvt /list 612 /handles"), 1);
  EXPECT_EQ(os.StdOut, kBanner + kListHead + kExplorerLine);
  EXPECT_EQ(os.StdErr, message);
  for (const char* line : {"kvt /find 2024", "kvt /csv /handles", "kvt /xml /handles",
                           "kvt /csv /find x"}) {
    os.StdOut.clear();
    os.StdErr.clear();
    EXPECT_EQ(Run(line), 1) << line;
    EXPECT_EQ(os.StdOut.find("match"), std::string::npos) << line;
    if (std::string(line).find("/csv") != std::string::npos ||
        std::string(line).find("/xml") != std::string::npos) {
      EXPECT_EQ(os.StdOut, "") << line;
    }
    EXPECT_EQ(os.StdErr, message) << line;
  }
}

TEST_F(DispatcherTest, UnhandledErrorFlushesReportsInOemAndExitsWithOne) {
  os.StdOutFails = true;
  os.OwnModuleFileName = "C:\\Tools\\kv\xC3\xA4tProc.exe";
  EXPECT_EQ(Run("kvtProc.exe /list"), 1);
  const std::string& report = os.StdErr;
  EXPECT_EQ(report.rfind("Exception EWriteError in module kv\x84tProc.exe at ", 0), 0u) << report;
  const size_t period = report.find(".\r\n");
  ASSERT_NE(period, std::string::npos);
  ExpectCodeAddress(report.substr(report.find(" at ") + 4, period - report.find(" at ") - 4));
  EXPECT_EQ(report.substr(period), ".\r\nWriting to standard output failed.\r\n\r\n");
}

}  // namespace
}  // namespace kvt

namespace kvt {
namespace {

// /details: the process line, then a line for each fact with its value in
// one column; the forms write the same facts after the file facts, and only
// when asked for.
class DetailsTest : public DispatcherTest {
 protected:
  DetailsTest() {
    os.Version.dwMajorVersion = 6;
    os.Version.dwMinorVersion = 1;
    os.Accounts = {{"S-1-5-21-1000-2000-3000-1001", "OFFICE\\anna"}};
    os.Services = {{"Dnscache", 500}, {"Schedule", 500}};
    os.LocalTimeBias = int64_t{3600} * 10000000;  // an hour east of UTC
    TFakeProcess& process = *os.FindProcess(500);
    process.CommandLine = "services.exe \"a b\"";
    process.SessionId = 1;
    process.CreateTime = 133537700960000000u;  // 2024-03-01 12:34:56 UTC
    process.UserTime = 12340000;
    process.KernelTime = 10000;
    process.WorkingSet = 12345 * 1024;
    process.PrivateBytes = 2048;
    process.Threads = 7;
    process.HandleCount = 99;
  }
};

TEST_F(DetailsTest, TextBlockOfEveryFact) {
  EXPECT_EQ(Run("kvt /details 500"), 0);
  const std::string block = "Process:\r\n" + std::string(kvt_expected::kProcessHeader) +
                            kServicesLine +
                            "  Command line:  services.exe \"a b\"\r\n"
                            "  User:          OFFICE\\anna\r\n"
                            "  Integrity:     Medium\r\n"
                            "  Session:       1\r\n"
                            "  Started:       2024-03-01 13:34:56\r\n"
                            "  CPU time:      0:00:01.235\r\n"
                            "  Working set:   12,345 K\r\n"
                            "  Private bytes: 2 K\r\n"
                            "  Threads:       7\r\n"
                            "  Handles:       99\r\n"
                            "  Services:      Dnscache, Schedule\r\n"
                            "\r\n";
  EXPECT_EQ(os.StdOut, kBanner + block);
}

TEST_F(DetailsTest, FormsCarryTheFactsOnlyWithDetails) {
  EXPECT_EQ(Run("kvt /csv /details 500"), 0);
  const size_t header = os.StdOut.find("\r\n");
  EXPECT_EQ(os.StdOut.substr(0, header),
            "PID,PPID,Filename,Path,Description,Version,Company,Size,MD5,SHA256,CommandLine,"
            "User,Integrity,Session,Started,CpuSeconds,WorkingSet,PrivateBytes,Threads,Handles,"
            "Services");
  EXPECT_NE(os.StdOut.find(",\"services.exe \"\"a b\"\"\",OFFICE\\anna,Medium,1,"
                           "2024-03-01T12:34:56Z,1.235,12641280,2048,7,99,Dnscache;Schedule\r\n"),
            std::string::npos)
      << os.StdOut;

  os.StdOut.clear();
  EXPECT_EQ(Run("kvt /xml /details 500"), 0);
  EXPECT_NE(os.StdOut.find("CommandLine=\"services.exe &quot;a b&quot;\" User=\"OFFICE\\anna\""),
            std::string::npos)
      << os.StdOut;
  EXPECT_NE(os.StdOut.find("Services=\"Dnscache;Schedule\""), std::string::npos);

  // The figures are numbers in JSON, the texts strings.
  os.StdOut.clear();
  EXPECT_EQ(Run("kvt /json /details 500"), 0);
  for (const char* member : {"\"CpuSeconds\": 1.235,", "\"Threads\": 7,", "\"Session\": 1,",
                             "\"Integrity\": \"Medium\","})
    EXPECT_NE(os.StdOut.find(member), std::string::npos) << member << os.StdOut;

  // Without /details no form reads a token or asks for an account.
  const auto factCalls = [this] {
    return os.CallCount("GetTokenInformation") + os.CallCount("LookupAccountSidW") +
           os.CallCount("EnumServicesStatusExW") + os.CallCount("NtQueryInformationProcess");
  };
  for (const char* form : {"kvt /csv /list 500", "kvt /xml /list 500"}) {
    os.StdOut.clear();
    const size_t before = factCalls();
    EXPECT_EQ(Run(form), 0);
    EXPECT_EQ(os.StdOut.find("CommandLine"), std::string::npos) << form;
    EXPECT_EQ(factCalls(), before) << form;
  }
}

}  // namespace
}  // namespace kvt
