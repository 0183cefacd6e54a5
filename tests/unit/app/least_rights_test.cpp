// Runs on Windows 6.0 and later among processes that grant this program less
// than it asks for: what each output says of them, and where the debug
// privilege is on.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/dispatcher.h"
#include "expected_texts.h"
#include "fake_processes.h"
#include "support/md5.h"
#include "support/sha256.h"
#include "support/text.h"
#include "version_resource_builder.h"

namespace kvt {
namespace {

const std::string kGuardedPath = "C:\\Services\\guarded.exe";

class LeastRightsTest : public ::testing::Test {
 protected:
  LeastRightsTest() {
    os.Version.dwMajorVersion = 10;
    os.Version.dwMinorVersion = 0;
    os.Version.dwBuildNumber = 19045;
    os.ObjectTypeNames = {{37, u"File"}};
    AddFakeModule(AddFakeProcess(os, 612, 500, "C:\\Windows\\explorer.exe"),
                  "C:\\Windows\\explorer.exe", 0x400000, 0xFF000);
    DenyQueryAndRead(AddFakeProcess(os, 700, 612, kGuardedPath)).AllowedAccess &=
        ~kProcessDupHandle;
    AddFakeModule(os.Processes.back(), kGuardedPath, 0x400000, 0x8000);
    AddFakeHandle(os, 700, 0x1C, 37, u"\\Device\\HarddiskVolume1\\Services\\guarded.log");
    AddFakeHandle(os, 612, 0x20, 37, u"\\Device\\HarddiskVolume1\\Windows\\shell.log");
    os.File(kGuardedPath).Bytes =
        PeFileWithStrings({{"FileDescription", "Guarded service"}, {"FileVersion", "2.7"},
                           {"CompanyName", "Example Systems"}});
  }
  std::string Run(const std::string& commandLine) {
    os.CommandLine = "kvtProc.exe " + commandLine;
    os.StdOut.clear();
    os.StdErr.clear();
    EXPECT_EQ(RunProgram(os), 0) << commandLine;
    return os.StdOut;
  }
  bool CalledWithDebugPrivilege(const char* call) const {
    const auto& calls = os.CallsWithDebugPrivilege;
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }

  FakeOs os;
};

TEST_F(LeastRightsTest, AGuardedProcessListsWithTheFactsOfItsFile) {
  const std::string& bytes = os.File(kGuardedPath).Bytes;
  TMD5 md5;
  md5.Update(bytes.data(), bytes.size());
  TSHA256 sha256;
  sha256.Update(bytes.data(), bytes.size());
  os.Signature(kGuardedPath).Embedded = 0;
  os.Signature(kGuardedPath).CommonName = "Example Systems Signing";
  EXPECT_EQ(Run("/csv /verify 700"),
            "PID,PPID,Filename,Path,Description,Version,Company,Size,MD5,SHA256,Signature,Signer\r\n"
            "700,612,guarded.exe," + kGuardedPath + ",Guarded service,2.7,Example Systems," +
                std::to_string(bytes.size()) + "," + AsciiUpperCase(DigestToHex(md5.Final())) +
                "," + AsciiUpperCase(DigestToHex(sha256.Final())) +
                ",Signed,Example Systems Signing\r\n");
}

TEST_F(LeastRightsTest, ModulesThatCannotBeReadAreSaidToBeDenied) {
  const std::string modulesTitle = "\r\nModules:\r\n";
  const std::string out = Run("/modules *.exe");
  const size_t guarded = out.find(" 700  guarded.exe");
  ASSERT_NE(guarded, std::string::npos) << out;
  EXPECT_EQ(out.substr(out.find(modulesTitle, guarded)),
            modulesTitle + "Access denied.\r\n\r\n");
  // The process that could be read keeps its table.
  EXPECT_NE(out.find(modulesTitle + kvt_expected::kModuleHeader +
                     "   1  explorer.exe               ( 612)  00400000  000FF000  "),
            std::string::npos)
      << out;
  EXPECT_EQ(os.StdErr, "");
  // Windows XP keeps the empty table.
  os.Version.dwMajorVersion = 5;
  os.Version.dwMinorVersion = 1;
  os.FindProcess(700)->AllowedAccess |= kProcessQueryInformation;  // XP's id pass needs it
  EXPECT_EQ(Run("/modules 700").find("Access denied."), std::string::npos);
}

TEST_F(LeastRightsTest, HandleRowsStayAndALineSaysTheirNamesWereDenied) {
  const std::string out = Run("/handles *.exe");
  const std::string guardedRow =
      "  37: File                                                    ( 700)  0000001C  "
      "00000000      0\r\n";
  EXPECT_NE(out.find(guardedRow +
                     "Access denied: the names of these handles could not be read.\r\n\r\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("Access denied"), out.rfind("Access denied")) << out;  // only there
  EXPECT_NE(out.find("\\Device\\HarddiskVolume1\\Windows\\"), std::string::npos) << out;
}

TEST_F(LeastRightsTest, TheFormsSayEachDenialOnStandardError) {
  const std::string denials =
      "Access denied: the modules of process 700 could not be read.\r\n"
      "Access denied: the handle names of process 700 could not be read.\r\n";
  const std::string csv = Run("/csv /handles *.exe /modules");
  EXPECT_EQ(os.StdErr, denials);
  EXPECT_NE(csv.find("\r\n700,0000001C,37,File,,00000000,0\r\n"), std::string::npos) << csv;
  Run("/xml /modules *.exe /handles");
  EXPECT_EQ(os.StdErr, denials);
  // Only the tables asked for, and nothing for what could be read.
  Run("/xml /modules *.exe");
  EXPECT_EQ(os.StdErr, "Access denied: the modules of process 700 could not be read.\r\n");
  Run("/csv /list /modules 612");
  EXPECT_EQ(os.StdErr, "");
}

// A process that grants nothing: its facts that need an opening are said to
// be denied; a fact it simply lacks (it hosts no service) stays empty.
TEST_F(LeastRightsTest, DetailsTheRightsRefuseAreSaidToBeDenied) {
  AddFakeProcess(os, 800, 612, "C:\\Services\\sealed.exe").AllowedAccess = 0;
  const std::string out = Run("/details 800");
  for (const char* line : {"\r\n  Command line:  Access denied.\r\n",
                           "\r\n  User:          Access denied.\r\n",
                           "\r\n  Integrity:     Access denied.\r\n", "\r\n  Threads:       1\r\n",
                           "\r\n  Services:\r\n"})
    EXPECT_NE(out.find(line), std::string::npos) << line << out;
  EXPECT_EQ(os.StdErr, "");

  const std::string denial = "Access denied: some details of process 800 could not be read.\r\n";
  // The kernel tells the guarded process's command line for the limited right.
  os.CommandLineClassAnswered = true;
  Run("/csv /details *.exe");
  EXPECT_EQ(os.StdErr, denial);  // none for the processes that open
  const std::string json = Run("/json /details 800");
  EXPECT_EQ(os.StdErr, denial);
  for (const char* member : {"\"CommandLine\": null,", "\"User\": null,", "\"Integrity\": null,",
                             "\"Services\": \"\""})
    EXPECT_NE(json.find(member), std::string::npos) << member << json;
}

TEST_F(LeastRightsTest, TheDebugPrivilegeIsOnForEveryReadButNeverForATermination) {
  for (const bool held : {false, true}) {
    os.DebugPrivilegeHeld = held;
    os.CallsWithDebugPrivilege.clear();
    os.Calls.clear();
    // It survives the request, so that its modules are read after it.
    AddFakeProcess(os, 800, 612, "C:\\Apps\\victim.exe").CanTerminate = false;
    // Kill comes before modules in the fixed order.
    os.CommandLine = "kvtProc.exe /modules 800 /kill";
    EXPECT_EQ(RunProgram(os), 2) << held;  // the refused termination
    EXPECT_EQ(os.CallCount("TerminateProcess"), 1u) << held;
    EXPECT_FALSE(CalledWithDebugPrivilege("TerminateProcess")) << held;
    EXPECT_EQ(CalledWithDebugPrivilege("EnumProcesses"), held);
    EXPECT_EQ(CalledWithDebugPrivilege("Module32First"), held);
    EXPECT_FALSE(os.DebugPrivilegeEnabled()) << held;  // off when the run ends
  }
}

}  // namespace
}  // namespace kvt
