// /handles under Wine's own version, a current Windows: the extended table,
// the kernel's type names, handle values and access as the process itself
// reads them from the table.
#include <gtest/gtest.h>

#include <cstdio>

#include "handle_holder.h"
#include "inventory/column_template.h"

namespace kvt_e2e {
namespace {

// The row of the holder's handle whose value is Entry's, with its type
// number as the row states it.
void ExpectRow(const std::vector<std::string>& rows, const THandleHolder::TOwnEntry& entry,
               const char* typeText, const std::string& name, DWORD pid) {
  const std::string handle = kvt::HexDigits(entry.Handle);
  for (const std::string& row : rows) {
    if (row.size() < 70 + handle.size() || row.compare(70, handle.size(), handle) != 0) continue;
    unsigned number = 0;
    ASSERT_EQ(std::sscanf(row.c_str(), "%4u", &number), 1) << row;
    EXPECT_EQ(row, HandleRow(number, typeText, name, pid, entry.Handle, entry.Access));
    return;
  }
  ADD_FAILURE() << name << " (" << handle << ") is not listed";
}

TEST(Handles, TheKernelNamesTheTypesAndTheProcessSeesTheSameValues) {
  const THandleHolder holder("kvtE2E_" + std::to_string(GetCurrentProcessId()) + "_a");
  const auto own = holder.OwnEntries();
  ASSERT_EQ(own.size(), 3u) << "the child could not read its own handles";
  const DWORD pid = holder.Child().Pid();
  const TRunResult run = RunKvtProc("/handles " + std::to_string(pid));
  EXPECT_EQ(run.ExitCode, 0u);
  EXPECT_EQ(run.Out.rfind(std::string(kBanner) + HandleBlockHead(holder.Child()), 0), 0u);
  const auto rows = HandleRows(run.Out, holder.Child());
  ExpectRow(rows, own[0], "Event", holder.EventName(), pid);
  ExpectRow(rows, own[1], "File", holder.FileName(), pid);
  ExpectRow(rows, own[2], "Event", "", pid);
}

}  // namespace
}  // namespace kvt_e2e
