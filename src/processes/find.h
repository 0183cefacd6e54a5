#pragma once
// Who holds a name: the open handles and loaded modules of processes whose
// names match a pattern, from one read of the system handle table.
#include <cstdint>
#include <string>
#include <vector>

namespace kvt {

class TqxProcessItem;
class TqxProcessList;

// One hit: a handle (Kind is the kernel's type name, Handle its value) or a
// module (Kind "Module", Handle its base address) of process ProcessID.
struct TqxFindItem {
  uint32_t ProcessID = 0;
  std::string Filename;  // the process's file name, without its directory
  std::string Kind;
  uint64_t Handle = 0;
  std::string Name;  // File handles and modules in drive form where there is one
};

struct TFindResult {
  // By process in the order of Items; a process's handles in table order, then its modules.
  std::vector<TqxFindItem> Hits;
  // Processes whose handles could not be named or whose modules could not be
  // read for want of rights: they were not searched, not found clean.
  int UnsearchedCount = 0;
};

// Searches the handles and modules of Items for names that match Pattern: a
// case-ignoring substring unless a method tag starts it. Raises ERegExprError
// for an expression that cannot be used before anything is read, and
// EHandleTableError when the handle table could not be read.
TFindResult FindByName(TqxProcessList& list, const std::vector<TqxProcessItem*>& items,
                       const std::string& pattern);

}  // namespace kvt
