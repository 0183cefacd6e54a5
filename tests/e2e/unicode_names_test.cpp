// Names outside the ANSI code page: a child started from a folder and a file
// named in Cyrillic and CJK letters, with a version resource, a library and an
// open file named the same way. The machine forms carry every name exactly,
// and a selector names the child in any letter case.
#include "e2e_support.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <memory>
#include <vector>

namespace kvt_e2e {
namespace {

const std::string kFolder = "C:\\\xD0\x9F\xD0\xBE\xD0\xBB\xD1\x8C\xD0\xB7\xD0\xBE\xD0\xB2\xD0\xB0"
                            "\xD1\x82\xD0\xB5\xD0\xBB\xD1\x8C \xE5\x8A\xA9\xE6\x89\x8B\\";
const std::string kExeName = "\xD1\x81\xD0\xBE\xD0\xBD\xE5\x8A\xA9.exe";       // son + CJK
const std::string kExeNameUpper = "\xD0\xA1\xD0\x9E\xD0\x9D\xE5\x8A\xA9.EXE";  // the same, upper
const std::string kDllName = "\xD0\xBC\xD0\xBE\xD0\xB4\xE6\xA8\xA1.dll";
const std::string kHeldName = "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB\xE6\x96\x87.txt";

// The folder with the versioned child, the library and the file in it, and
// the child running from there; all of it gone with the object.
class TUnicodeChild {
 public:
  TUnicodeChild() {
    CreateDirectoryW(Wide(kFolder).c_str(), nullptr);
    Copy("kvt_versioned_child.exe", kExeName);
    Copy("kvt_test_module.dll", kDllName);
    Copy("kvt_test_child.exe", kHeldName);
    child_ = std::make_unique<TChildProcess>(
        kFolder + kExeName, "60000 \"" + kFolder + kDllName + "\" \"" + kFolder + kHeldName + "\"");
    // The child loads the library and opens the file before it sleeps.
    for (int i = 0; i < 100 && !Loaded(); ++i) Sleep(50);
  }
  ~TUnicodeChild() {
    child_.reset();
    for (const std::string& name : {kExeName, kDllName, kHeldName})
      DeleteFileW(Wide(kFolder + name).c_str());
    RemoveDirectoryW(Wide(kFolder).c_str());
  }
  TUnicodeChild(const TUnicodeChild&) = delete;
  TUnicodeChild& operator=(const TUnicodeChild&) = delete;

  std::string Pid() const { return std::to_string(child_->Pid()); }

 private:
  void Copy(const char* from, const std::string& to) {
    EXPECT_TRUE(CopyFileW(Wide(ExeDirectory() + from).c_str(), Wide(kFolder + to).c_str(), FALSE))
        << to;
  }
  bool Loaded() const {
    HMODULE modules[256];
    DWORD needed = 0;
    if (!EnumProcessModules(child_->Handle(), modules, sizeof modules, &needed)) return false;
    for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 256; ++i) {
      wchar_t path[MAX_PATH] = {};
      if (GetModuleFileNameExW(child_->Handle(), modules[i], path, MAX_PATH) &&
          Utf8(path).find(kDllName) != std::string::npos)
        return true;
    }
    return false;
  }

  std::unique_ptr<TChildProcess> child_;
};

class UnicodeNames : public testing::Test {
 protected:
  static void SetUpTestSuite() { child_ = new TUnicodeChild; }
  static void TearDownTestSuite() {
    delete child_;
    child_ = nullptr;
  }
  static TUnicodeChild* child_;
};
TUnicodeChild* UnicodeNames::child_ = nullptr;

// The data rows of a CSV table, without the header.
std::vector<std::string> CsvRows(const std::string& out) {
  std::vector<std::string> rows;
  for (size_t at = out.find("\r\n"); at != std::string::npos && at + 2 < out.size();) {
    const size_t end = out.find("\r\n", at + 2);
    rows.push_back(out.substr(at + 2, end - at - 2));
    at = end;
  }
  return rows;
}

TEST_F(UnicodeNames, CsvAndXmlGiveThePathSizeDigestAndVersionStrings) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ASSERT_TRUE(GetFileAttributesExW(Wide(kFolder + kExeName).c_str(), GetFileExInfoStandard, &data));
  const std::string size = std::to_string(data.nFileSizeLow);
  const TRunResult csv = RunKvtProc("/csv /list " + child_->Pid());
  ASSERT_EQ(csv.ExitCode, 0u) << csv.Err;
  const std::string row = child_->Pid() + "," + std::to_string(GetCurrentProcessId()) + "," +
                          kExeName + "," + kFolder + kExeName +
                          ",Child process with a version resource,3.1.4.1592,"
                          "Halvorsk Test Systems Ltd.," + size + ",";
  const auto rows = CsvRows(csv.Out);
  ASSERT_EQ(rows.size(), 1u) << csv.Out;
  ASSERT_EQ(rows[0].substr(0, row.size()), row);
  const std::string digests = rows[0].substr(row.size());
  ASSERT_EQ(digests.size(), 32u + 1 + 64) << rows[0];
  const std::string digest = digests.substr(0, 32);
  // The copy has the versioned child's bytes; md5sum reads the original.
  WriteBesideThePrograms("forms_unicode.md5", digest + "  kvt_versioned_child.exe\n");

  const TRunResult xml = RunKvtProc("/xml /list " + child_->Pid());
  ASSERT_EQ(xml.ExitCode, 0u) << xml.Err;
  const std::string attributes = "Filename=\"" + kFolder + kExeName +
                                 "\" FileDescription=\"Child process with a version resource\" "
                                 "FileVersion=\"3.1.4.1592\" FileCompany=\"Halvorsk Test Systems "
                                 "Ltd.\" Filesize=\"" + size + "\" MD5=\"" + digest +
                                 "\" SHA256=\"" + digests.substr(33) + "\"";
  EXPECT_NE(xml.Out.find(attributes), std::string::npos) << xml.Out;
}

TEST_F(UnicodeNames, ASelectorNamesTheChildInEitherLetterCase) {
  for (const std::string& selector :
       {kExeName, kExeNameUpper, std::string("?\xD0\xBE??.exe"), std::string("<substr>\xD0\xBE\xD0\xBD")}) {
    const TRunResult run = RunKvtProc("/csv /list " + selector);
    ASSERT_EQ(run.ExitCode, 0u) << run.Err;
    const auto rows = CsvRows(run.Out);
    ASSERT_EQ(rows.size(), 1u) << selector << "\n" << run.Out;
    EXPECT_EQ(rows[0].rfind(child_->Pid() + ",", 0), 0u) << rows[0];
  }
}

TEST_F(UnicodeNames, ModulesAndHandlesShowTheLibraryAndTheOpenFile) {
  const TRunResult modules = RunKvtProc("/csv /modules " + child_->Pid());
  ASSERT_EQ(modules.ExitCode, 0u) << modules.Err;
  EXPECT_NE(modules.Out.find("," + kDllName + ","), std::string::npos) << modules.Out;
  EXPECT_NE(modules.Out.find("," + kFolder + kDllName + "\r\n"), std::string::npos) << modules.Out;
  const TRunResult handles = RunKvtProc("/csv /handles " + child_->Pid());
  ASSERT_EQ(handles.ExitCode, 0u) << handles.Err;
  // The kernel names the file by its device path; the folder and name are exact.
  const std::string tail = kFolder.substr(2) + kHeldName + ",";
  EXPECT_NE(handles.Out.find(tail), std::string::npos) << handles.Out;
}

#ifdef KVT_WIN32_BIN_DIR
// Through the 32-bit program beside it, the selector reaches the 64-bit one exactly.
TEST_F(UnicodeNames, TheHandOnPassesTheNameExactly) {
  std::string win32 = KVT_WIN32_BIN_DIR;
  for (char& c : win32)
    if (c == '/') c = '\\';
  const std::string beside = ExeDirectory() + "kvtProc.exe";
  ASSERT_TRUE(CopyFileW(Wide(win32 + "\\kvtProc.exe").c_str(), Wide(beside).c_str(), FALSE));
  const TRunResult run = RunProgramFile(beside, "/csv /list " + kExeName);
  DeleteFileW(Wide(beside).c_str());
  ASSERT_EQ(run.ExitCode, 0u) << run.Err;
  const auto rows = CsvRows(run.Out);
  ASSERT_EQ(rows.size(), 1u) << run.Out;
  EXPECT_EQ(rows[0].rfind(child_->Pid() + ",", 0), 0u) << rows[0];
}
#endif

}  // namespace
}  // namespace kvt_e2e
