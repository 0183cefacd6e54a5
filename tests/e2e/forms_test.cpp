// The CSV and XML forms of a run, read back here and, for the digest and the
// document, by Linux tools that share nothing with the program (check-forms
// reads the files these tests leave beside the programs).
#include <gtest/gtest.h>

#include <string>

#include "e2e_support.h"

namespace kvt_e2e {
namespace {

TEST(Forms, CsvListOfAChildWithItsSizeDigestsAndUtf8Name) {
  for (const char* name : {"forms_child.md5", "forms_child.sha256"})
    DeleteFileA((ExeDirectory() + name).c_str());
  // A copy of the test child named with a letter of the prefix's Western code page.
  const std::string name = "kvt_f\xC3\xB6rm_child.exe";
  const std::string path = ExeDirectory() + name;
  ASSERT_TRUE(CopyFileW(Wide(ExeDirectory() + "kvt_test_child.exe").c_str(), Wide(path).c_str(), FALSE));
  TRunResult run;
  std::string pid;
  {
    TChildProcess child(name);
    pid = std::to_string(child.Pid());
    run = RunKvtProc("/csv /list " + pid);
  }
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ASSERT_TRUE(GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data));
  DeleteFileW(Wide(path).c_str());
  ASSERT_EQ(run.ExitCode, 0u) << run.Err;
  EXPECT_EQ(run.Err, "");
  // Every byte but the digests' is known here; md5sum and sha256sum check those.
  const std::string head = "PID,PPID,Filename,Path,Description,Version,Company,Size,MD5,SHA256\r\n" +
                           pid + "," + std::to_string(GetCurrentProcessId()) + "," + name +
                           "," + ExeDirectory() + name +  // the folder is ASCII
                           ",,,," + std::to_string(data.nFileSizeLow) + ",";
  ASSERT_EQ(run.Out.substr(0, head.size()), head);
  const std::string digest = run.Out.substr(head.size(), 32);
  const std::string sha256 = run.Out.substr(head.size() + 33, 64);
  EXPECT_EQ((digest + sha256).find_first_not_of("0123456789ABCDEF"), std::string::npos) << run.Out;
  EXPECT_EQ(run.Out.substr(head.size() + 32, 1) + run.Out.substr(head.size() + 97), ",\r\n");
  // The copy has the test child's bytes; md5sum and sha256sum read the original.
  WriteBesideThePrograms("forms_child.md5", digest + "  kvt_test_child.exe\n");
  WriteBesideThePrograms("forms_child.sha256", sha256 + "  kvt_test_child.exe\n");
}

TEST(Forms, XmlListWithTheModulesOfAChild) {
  for (const char* name : {"forms_list_modules.xml", "forms_child.pid"})
    DeleteFileA((ExeDirectory() + name).c_str());
  TChildProcess child;
  // The selector is parameter 2 once the form switch has left.
  const TRunResult run = RunKvtProc("/xml /list " + std::to_string(child.Pid()) + " /modules");
  ASSERT_EQ(run.ExitCode, 0u) << run.Err;
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.Out.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Vantora Taken=\"", 0), 0u)
      << run.Out;
  WriteBesideThePrograms("forms_list_modules.xml", run.Out);
  WriteBesideThePrograms("forms_child.pid", std::to_string(child.Pid()) + "\n");
}

// check-forms reads both documents back and compares them.
TEST(Forms, JsonAndXmlOfAChildWithACyrillicName) {
  for (const char* name : {"forms_json.xml", "forms_json.json"})
    DeleteFileA((ExeDirectory() + name).c_str());
  const std::string name = "kvt_\xD0\xB4\xD0\xB6\xD0\xB5\xD0\xB9_child.exe";
  const std::string path = ExeDirectory() + name;
  ASSERT_TRUE(CopyFileW(Wide(ExeDirectory() + "kvt_test_child.exe").c_str(), Wide(path).c_str(), FALSE));
  TRunResult xml;
  TRunResult json;
  {
    TChildProcess child(name);
    const std::string arguments = "/list " + std::to_string(child.Pid()) + " /modules";
    xml = RunKvtProc("/xml " + arguments);
    json = RunKvtProc(arguments + " -JSON");
  }
  DeleteFileW(Wide(path).c_str());
  ASSERT_EQ(xml.ExitCode, 0u) << xml.Err;
  ASSERT_EQ(json.ExitCode, 0u) << json.Err;
  EXPECT_EQ(json.Err, "");
  EXPECT_EQ(json.Out.rfind("{\r\n  \"Taken\": \"", 0), 0u) << json.Out;
  EXPECT_NE(json.Out.find("\r\n  \"TqxProcessList\": [\r\n"), std::string::npos) << json.Out;
  WriteBesideThePrograms("forms_json.xml", xml.Out);
  WriteBesideThePrograms("forms_json.json", json.Out);
}

TEST(Forms, KillWithAFormTerminatesNothing) {
  TChildProcess child;
  const TRunResult run = RunKvtProc("/csv /kill " + std::to_string(child.Pid()));
  EXPECT_EQ(run.ExitCode, 1u);
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(run.Err, "/kill cannot be combined with /csv, /xml or /json; nothing was terminated.\r\n");
  EXPECT_EQ(WaitForSingleObject(child.Handle(), 500), static_cast<DWORD>(WAIT_TIMEOUT));
}

}  // namespace
}  // namespace kvt_e2e
