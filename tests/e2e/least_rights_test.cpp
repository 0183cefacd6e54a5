// A child that denies everyone the rights to query it and to read it, as the
// processes of other users deny a program that is not elevated: listed with
// its path and the facts of its file all the same, its modules said to be
// denied.
#include <gtest/gtest.h>

#include <string>

#include "e2e_support.h"

namespace kvt_e2e {
namespace {

bool OpensForQuery(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (process == nullptr) return false;
  CloseHandle(process);
  return true;
}

class TGuardedChild : public TChildProcess {
 public:
  explicit TGuardedChild(const std::string& arguments = "")
      : TChildProcess("kvt_guarded_child.exe", arguments) {
    // Its descriptor is in place once this test, too, is refused.
    for (int i = 0; i < 100 && OpensForQuery(Pid()); ++i) Sleep(100);
  }
};

TEST(Forms, AGuardedChildListsWithItsPathAndTheFactsOfItsFile) {
  for (const char* name : {"forms_guarded.md5", "forms_guarded.sha256"})
    DeleteFileA((ExeDirectory() + name).c_str());
  TGuardedChild child;
  ASSERT_FALSE(OpensForQuery(child.Pid())) << "the child's descriptor is not enforced";
  const TRunResult run = RunKvtProc("/csv /verify " + std::to_string(child.Pid()));
  ASSERT_EQ(run.ExitCode, 0u) << run.Err;
  EXPECT_EQ(run.Err, "");
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ASSERT_TRUE(GetFileAttributesExW(Wide(child.Path()).c_str(), GetFileExInfoStandard, &data));
  const std::string head =
      "PID,PPID,Filename,Path,Description,Version,Company,Size,MD5,SHA256,Signature,Signer\r\n" +
      std::to_string(child.Pid()) + "," + std::to_string(GetCurrentProcessId()) +
      ",kvt_guarded_child.exe," + child.Path() +
      ",Child process with a version resource,3.1.4.1592,"
      "Halvorsk Test Systems Ltd.," +
      std::to_string(data.nFileSizeLow) + ",";
  ASSERT_EQ(run.Out.substr(0, head.size()), head);
  // The signature, too, is read from the file the path names.
  EXPECT_EQ(run.Out.substr(head.size() + 32 + 1 + 64), ",Unsigned,\r\n") << run.Out;
  // md5sum and sha256sum read the file on the Linux side.
  WriteBesideThePrograms("forms_guarded.md5",
                         run.Out.substr(head.size(), 32) + "  kvt_guarded_child.exe\n");
  WriteBesideThePrograms("forms_guarded.sha256",
                         run.Out.substr(head.size() + 33, 64) + "  kvt_guarded_child.exe\n");
}

TEST(LeastRights, TheModulesOfAGuardedChildAreSaidToBeDenied) {
  TGuardedChild child;
  ASSERT_FALSE(OpensForQuery(child.Pid())) << "the child's descriptor is not enforced";
  const std::string pid = std::to_string(child.Pid());
  const TRunResult run = RunKvtProc("/modules " + pid);
  ASSERT_EQ(run.ExitCode, 0u) << run.Err;
  const std::string title = "\r\nModules:\r\n";
  EXPECT_EQ(run.Out.substr(run.Out.find(title)), title + "Access denied.\r\n\r\n") << run.Out;
  EXPECT_NE(run.Out.find("kvt_guarded_child.exe"), std::string::npos) << run.Out;

  const TRunResult csv = RunKvtProc("/csv /modules " + pid);
  EXPECT_EQ(csv.Out, "PID,MID,Filename,Address,Size,Path\r\n");
  EXPECT_EQ(csv.Err, "Access denied: the modules of process " + pid + " could not be read.\r\n");
}

// A script can tell a termination that failed: exit code 2.
TEST(LeastRights, AChildThatRefusesTerminationMakesKillExitWithTwo) {
  TGuardedChild child("60000 terminate");
  ASSERT_FALSE(OpensForQuery(child.Pid())) << "the child's descriptor is not enforced";
  const TRunResult run = RunKvtProc("/kill " + std::to_string(child.Pid()));
  EXPECT_EQ(run.ExitCode, 2u) << run.Out;
  EXPECT_NE(run.Out.find("\r\nError terminating process!\r\n"), std::string::npos) << run.Out;
  EXPECT_EQ(WaitForSingleObject(child.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

}  // namespace
}  // namespace kvt_e2e
