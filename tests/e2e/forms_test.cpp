// The CSV and XML forms of a run, read back here and, for the digest and the
// document, by Linux tools that share nothing with the program (check-forms
// reads the files these tests leave beside the programs).
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace kvt_e2e {
namespace {

using TRecord = std::vector<std::string>;

// Reads Text as CSV after RFC 4180: every record ends with CR LF. False when
// Text is not such a document.
bool ParseCsv(const std::string& text, std::vector<TRecord>& records) {
  TRecord record;
  std::string field;
  bool inQuotes = false, wasQuoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inQuotes) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        inQuotes = false;
      }
    } else if (c == ',' || c == '\r') {
      record.push_back(field);
      field.clear();
      wasQuoted = false;
      if (c == '\r') {
        if (i + 1 >= text.size() || text[i + 1] != '\n') return false;
        ++i;
        records.push_back(record);
        record.clear();
      }
    } else if (c == '"') {
      if (!field.empty() || wasQuoted) return false;
      inQuotes = wasQuoted = true;
    } else if (c == '\n' || wasQuoted) {
      return false;
    } else {
      field += c;
    }
  }
  return !inQuotes && field.empty() && record.empty();
}

std::wstring Wide(const std::string& ansi) {
  std::wstring wide(ansi.size(), L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, ansi.data(),
                                                      static_cast<int>(ansi.size()), &wide[0],
                                                      static_cast<int>(wide.size()))));
  return wide;
}

std::string Ansi(const std::wstring& wide) {
  std::string ansi(wide.size() * 2, '\0');
  ansi.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, wide.data(),
                                                      static_cast<int>(wide.size()), &ansi[0],
                                                      static_cast<int>(ansi.size()), nullptr,
                                                      nullptr)));
  return ansi;
}

void WriteBesideThePrograms(const char* name, const std::string& bytes) {
  std::ofstream(ExeDirectory() + name, std::ios::binary) << bytes;
}

// A copy of the test child under a name with a letter beyond ASCII.
class TRenamedChild {
 public:
  TRenamedChild() {
    CopyFileW(Wide(ExeDirectory() + "kvt_test_child.exe").c_str(), Path().c_str(), FALSE);
    child_.reset(new TChildProcess(Ansi(kName)));
  }
  ~TRenamedChild() {
    child_.reset();
    DeleteFileW(Path().c_str());
  }
  const TChildProcess& Child() const { return *child_; }
  std::wstring Path() const { return Wide(ExeDirectory()) + kName; }

  static constexpr const wchar_t* kName = L"kvt_f\u00F6rm_child.exe";
  static constexpr const char* kUtf8Name = "kvt_f\xC3\xB6rm_child.exe";

 private:
  std::unique_ptr<TChildProcess> child_;
};

TEST(Forms, CsvListOfAChildWithItsSizeDigestAndUtf8Name) {
  DeleteFileA((ExeDirectory() + "forms_child.md5").c_str());
  TRenamedChild renamed;
  const TRunResult run = RunKvtProc("/csv /list " + std::to_string(renamed.Child().Pid()));
  ASSERT_EQ(run.ExitCode, 0u) << run.Err;
  EXPECT_EQ(run.Err, "");
  std::vector<TRecord> records;
  ASSERT_TRUE(ParseCsv(run.Out, records)) << run.Out;
  ASSERT_EQ(records.size(), 2u) << run.Out;
  EXPECT_EQ(records[0], (TRecord{"PID", "PPID", "Filename", "Path", "Description", "Version",
                                 "Company", "Size", "MD5"}));
  const TRecord& row = records[1];
  ASSERT_EQ(row.size(), 9u);
  EXPECT_EQ(row[0], std::to_string(renamed.Child().Pid()));
  EXPECT_EQ(row[1], std::to_string(GetCurrentProcessId()));
  EXPECT_EQ(row[2], TRenamedChild::kUtf8Name);
  EXPECT_EQ(row[3], ExeDirectory() + TRenamedChild::kUtf8Name);  // the folder is ASCII
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ASSERT_TRUE(GetFileAttributesExW(renamed.Path().c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(row[7], std::to_string(uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow));
  ASSERT_EQ(row[8].size(), 32u);
  // The copy has the test child's bytes; md5sum reads the original.
  WriteBesideThePrograms("forms_child.md5", row[8] + "  kvt_test_child.exe\n");
}

TEST(Forms, XmlListWithTheModulesOfAChild) {
  for (const char* name : {"forms_list_modules.xml", "forms_child.pid"})
    DeleteFileA((ExeDirectory() + name).c_str());
  TChildProcess child;
  // The selector is parameter 2 once the form switch has left.
  const TRunResult run = RunKvtProc("/xml /list " + std::to_string(child.Pid()) + " /modules");
  ASSERT_EQ(run.ExitCode, 0u) << run.Err;
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.Out.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Vantora>\r\n", 0), 0u)
      << run.Out;
  WriteBesideThePrograms("forms_list_modules.xml", run.Out);
  WriteBesideThePrograms("forms_child.pid", std::to_string(child.Pid()) + "\n");
}

TEST(Forms, KillWithAFormTerminatesNothing) {
  TChildProcess child;
  const TRunResult run = RunKvtProc("/csv /kill " + std::to_string(child.Pid()));
  EXPECT_EQ(run.ExitCode, 1u);
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(run.Err, "/kill cannot be combined with /csv or /xml; nothing was terminated.\r\n");
  EXPECT_EQ(WaitForSingleObject(child.Handle(), 500), static_cast<DWORD>(WAIT_TIMEOUT));
}

}  // namespace
}  // namespace kvt_e2e
