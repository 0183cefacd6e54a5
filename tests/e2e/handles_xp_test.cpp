// /handles on Windows XP as Wine reports it to kvtProc.exe alone: the old
// table, its fixed type numbers and their texts.
#include <gtest/gtest.h>

#include <cstdio>

#include "handle_holder.h"
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
    EXPECT_EQ(row, HandleRow(number, kvt::GetObjectTypeName(xp, static_cast<uint16_t>(number)),
                             name, pid, handle, access));
    return;
  }
  ADD_FAILURE() << name << " is not listed";
}

std::string HolderName(const char* suffix) {
  return "kvtE2E_" + std::to_string(GetCurrentProcessId()) + suffix;
}

TEST(HandlesOnXp, TheEventAndTheFileAreListedWithTheirNames) {
  const TWindowsXpForKvtProc xp;
  const THandleHolder holder(HolderName("_b"));
  const DWORD pid = holder.Child().Pid();
  const TRunResult run = RunKvtProc("/handles " + std::to_string(pid));
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(run.Out.rfind(std::string(kBanner) + HandleBlockHead(holder.Child()), 0), 0u);
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

TEST(HandlesOnXp, TwoSelectedProcessesAfterAllTheirModuleBlocks) {
  const TWindowsXpForKvtProc xp;
  const THandleHolder first(HolderName("_c"));
  const THandleHolder second(HolderName("_d"));
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
