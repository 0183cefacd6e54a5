#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "e2e_support.h"
#include "native/object_types.h"

namespace kvt_e2e {
namespace {

constexpr DWORD kEventAllAccess = 0x001F0003;
constexpr DWORD kFileGenericRead = 0x00120089;

// While it exists, Wine reports Windows XP (5.1, build 2600) to kvtProc.exe
// alone: the version whose handle table the program reads.
class TWindowsXpForKvtProc {
 public:
  TWindowsXpForKvtProc() {
    RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key_,
                    nullptr);
    RegSetValueExA(key_, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("winxp"), 6);
  }
  ~TWindowsXpForKvtProc() {
    RegCloseKey(key_);
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
  }

 private:
  static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\kvtProc.exe";
  HKEY key_ = nullptr;
};

// A child holding the named event Global\<name> and the file C:\<name>.txt,
// both short enough for the 32-character name column.
class THandleHolder {
 public:
  explicit THandleHolder(const std::string& name)
      : event_("Global\\" + name), file_("C:\\" + name + ".txt"), child_(Start(name)) {}
  ~THandleHolder() { DeleteFileA(file_.c_str()); }

  const TChildProcess& Child() const { return *child_; }
  std::string EventName() const { return "\\BaseNamedObjects\\" + event_.substr(7); }
  std::string FileName() const { return "\\??\\" + file_; }

 private:
  std::unique_ptr<TChildProcess> Start(const std::string& name) {
    HANDLE file = CreateFileA(("C:\\" + name + ".txt").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
    return std::make_unique<TChildProcess>("kvt_handle_child.exe",
                                           "Global\\" + name + " C:\\" + name + ".txt");
  }

  std::string event_;
  std::string file_;
  std::unique_ptr<TChildProcess> child_;
};

std::string ProcessBlockHead(const TChildProcess& child) {
  return std::string("Process:\r\n") + kProcessHeader +
         ProcessLine(child.Pid(), GetCurrentProcessId(), child.Path()) + "\r\nHandles:\r\n" +
         kvt_expected::kHandleHeader;
}

// The handle rows of the child's block in Out, one text a row.
std::vector<std::string> HandleRows(const std::string& out, const TChildProcess& child) {
  std::vector<std::string> rows;
  const std::string head = ProcessBlockHead(child);
  const size_t at = out.find(head);
  if (at == std::string::npos) return rows;
  const size_t end = out.find("\r\n\r\n", at + head.size() - 2);
  for (size_t row = at + head.size(); row < end; row = out.find("\r\n", row) + 2)
    rows.push_back(out.substr(row, out.find("\r\n", row) - row));
  return rows;
}

// The row of the handle named Name, checked against what it must show: the
// type text of its number under Windows XP, the name, the process, the handle
// value and the access mask as eight upper-case hexadecimal digits, flags 0.
void ExpectRow(const std::vector<std::string>& rows, const std::string& name, DWORD pid,
               DWORD access) {
  for (const std::string& row : rows) {
    if (row.size() < 95 || row.compare(28, name.size() + 1, name + " ") != 0) continue;
    unsigned number = 0, handle = 0;
    ASSERT_EQ(std::sscanf(row.c_str(), "%4u", &number), 1) << row;
    ASSERT_EQ(std::sscanf(row.c_str() + 70, "%8X", &handle), 1) << row;
    kvt::TOsVersionInfo xp;
    xp.dwMajorVersion = 5;
    xp.dwMinorVersion = 1;
    char expected[256];
    std::snprintf(expected, sizeof expected, "%4u: %-20.20s  %-32.32s  (%4lu)  %08X  %08lX      0",
                  number, kvt::GetObjectTypeName(xp, static_cast<uint8_t>(number)).c_str(),
                  name.c_str(), static_cast<unsigned long>(pid), handle,
                  static_cast<unsigned long>(access));
    EXPECT_EQ(row, expected);
    return;
  }
  ADD_FAILURE() << name << " is not listed";
}

TEST(Handles, WithoutAKnownVersionTheListStaysEmpty) {
  const THandleHolder holder("kvtE2E_" + std::to_string(GetCurrentProcessId()) + "_a");
  const TRunResult run = RunKvtProc("/handles " + std::to_string(holder.Child().Pid()));
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(run.Out, std::string(kBanner) + ProcessBlockHead(holder.Child()) + "\r\n");
}

TEST(Handles, OnWindowsXpTheEventAndTheFileAreListedWithTheirNames) {
  const TWindowsXpForKvtProc xp;
  const THandleHolder holder("kvtE2E_" + std::to_string(GetCurrentProcessId()) + "_b");
  const DWORD pid = holder.Child().Pid();
  const TRunResult run = RunKvtProc("/handles " + std::to_string(pid));
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(run.Out.rfind(std::string(kBanner) + ProcessBlockHead(holder.Child()), 0), 0u);
  EXPECT_EQ(run.Out.substr(run.Out.size() - 4), "\r\n\r\n");
  const auto rows = HandleRows(run.Out, holder.Child());
  ExpectRow(rows, holder.EventName(), pid, kEventAllAccess);
  ExpectRow(rows, holder.FileName(), pid, kFileGenericRead);
  char pidColumn[16];
  std::snprintf(pidColumn, sizeof pidColumn, "(%4lu)", static_cast<unsigned long>(pid));
  for (const std::string& row : rows) EXPECT_EQ(row.substr(62, 6), pidColumn) << row;
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(Handles, TwoSelectedProcessesAfterAllTheirModuleBlocks) {
  const TWindowsXpForKvtProc xp;
  const std::string prefix = "kvtE2E_" + std::to_string(GetCurrentProcessId());
  const THandleHolder first(prefix + "_c");
  const THandleHolder second(prefix + "_d");
  const TRunResult run = RunKvtProc("/handles kvt_handle_child.exe /modules");
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(Occurrences(run.Out, "\r\nModules:\r\n"), 2u);
  EXPECT_EQ(Occurrences(run.Out, "\r\nHandles:\r\n"), 2u);
  EXPECT_LT(run.Out.rfind("\r\nModules:\r\n"), run.Out.find("\r\nHandles:\r\n"));
  ExpectRow(HandleRows(run.Out, first.Child()), first.EventName(), first.Child().Pid(),
            kEventAllAccess);
  ExpectRow(HandleRows(run.Out, second.Child()), second.EventName(), second.Child().Pid(),
            kEventAllAccess);
}

}  // namespace
}  // namespace kvt_e2e
