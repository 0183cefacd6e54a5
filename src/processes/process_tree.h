#pragma once
// Who started whom: the processes as a forest built from the parent id each
// one was started with and the start times, which tell a parent from a later
// process that was given its id again.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvt {

struct TProcessTreeEntry {
  uint32_t ProcessId = 0;
  uint32_t ParentProcessId = 0;
  uint64_t CreateTime = 0;  // 0: unknown
};

// One process of a walk: its index among the entries and its depth below the
// process the walk began with (0).
struct TProcessTreeLine {
  size_t Index = 0;
  int Depth = 0;
};

class TProcessForest {
 public:
  // A process is the child of the entry that has its parent id unless that
  // one started later (both times known): then the parent has ended and its
  // id was reused, and the process is a root. Parent links that would close
  // a cycle (equal or unknown times allow one) are cut at the earliest
  // started process of the cycle, which becomes a root.
  explicit TProcessForest(const std::vector<TProcessTreeEntry>& entries);

  static constexpr size_t kNoParent = static_cast<size_t>(-1);
  size_t Parent(size_t index) const { return parents_[index]; }

  // The processes Tops with all their descendants, each process once: a top
  // below another top is walked as that one's descendant. Tops and siblings
  // in order of start. Parents before their children, or with ChildrenFirst
  // every process after all of its descendants.
  std::vector<TProcessTreeLine> Walk(const std::vector<size_t>& tops, bool childrenFirst) const;

 private:
  void CutCycles();
  bool StartsBefore(size_t a, size_t b) const;
  void SortByStart(std::vector<size_t>& indexes) const;

  std::vector<TProcessTreeEntry> entries_;
  std::vector<size_t> parents_;
  std::vector<std::vector<size_t>> children_;
};

}  // namespace kvt
