#pragma once
// Starting kvtProc and test children from the end-to-end tests.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "expected_texts.h"

namespace kvt_e2e {

// The program under test, kvtProc.exe or kvtProc64.exe, as the build names it.
const std::string kProgramFile = KVT_PROGRAM_FILE;

// UTF-8 and the platform's UTF-16: every text of these helpers is UTF-8.
std::wstring Wide(const std::string& text);
std::string Utf8(const std::wstring& text);

// The folder of the running test program, with a trailing backslash; the
// program under test and the test children are built beside it.
std::string ExeDirectory();

// Leaves a file for check-forms, which reads it on the Linux side.
void WriteBesideThePrograms(const char* name, const std::string& bytes);

struct TRunResult {
  DWORD Pid = 0;
  DWORD ExitCode = 0xFFFFFFFF;
  std::string Out;
  std::string Err;
};

// Runs the program under test with Arguments and collects its standard output
// and error. A non-null StdOut handle replaces the output pipe.
TRunResult RunKvtProc(const std::string& arguments, HANDLE stdOut = nullptr);
// The same for the program file Path.
TRunResult RunProgramFile(const std::string& path, const std::string& arguments,
                          HANDLE stdOut = nullptr);

// The same while the program runs on: WhenStarted is called once its first
// line has come, or once QuietMs have passed without one.
TRunResult RunKvtProcWhile(const std::string& arguments, const std::function<void()>& whenStarted,
                           DWORD quietMs = 1500);

// A test child that runs until it is ended or the object is destroyed. A
// name without a drive is one of the test children built beside the tests.
// Command lines are UTF-8.
class TChildProcess {
 public:
  explicit TChildProcess(const std::string& exeName = "kvt_test_child.exe",
                         const std::string& arguments = "");
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  DWORD Pid() const { return info_.dwProcessId; }
  HANDLE Handle() const { return info_.hProcess; }
  std::string Path() const { return path_; }

 private:
  std::string path_;
  PROCESS_INFORMATION info_ = {};
};

using kvt_expected::kBanner;
using kvt_expected::kLicense;
using kvt_expected::kModuleHeader;
using kvt_expected::kProcessHeader;
using kvt_expected::kSignatureHeader;
using kvt_expected::kUsage;

// The fields of the CSV record that starts at Start (RFC 4180 quoting).
std::vector<std::string> CsvFields(const std::string& text, size_t start);

// The /list line of a process without version information.
std::string ProcessLine(DWORD pid, DWORD parentPid, const std::string& path);

}  // namespace kvt_e2e
