#pragma once
// Reads the system-wide handle table once per Enumerate and hands the entries
// of the processes its user wants, each with the name of its object where one
// can be found, to a feedback. Entries of other processes cost no name query,
// nor do objects of types that never carry a name.
// NT 4.0 (build 1381), 2000 and XP are read in the old table's layout with
// their fixed type numbers; 5.2 and later in the extended table, whose object
// types the kernel names; on other versions nothing is delivered.
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>

#include "native/handle_replies.h"
#include "native/native_api.h"

namespace kvt {

// One entry of the table and the name of its object (lent for the call;
// empty when none was found).
using THandleFeedback =
    std::function<void(const THandleTableEntry& entry, const std::string& name)>;

class TqxHandleEnumerator {
 public:
  explicit TqxHandleEnumerator(TNativeApi& native) : native_(native) {}

  THandleFeedback OnHandle;
  // The owner processes whose entries are wanted; set before Enumerate.
  std::unordered_set<uint64_t> WantedProcessIds;
  // A File handle whose name came back empty gets a second try through the
  // guarded file-name query; that name is UTF-8.
  bool QueryFileNamesInThread = false;

  // Reads the table afresh and calls OnHandle once per wanted entry, on this
  // thread. False when a read of the table was made and failed (a status
  // other than success, a table past the cap or the tries, no memory for
  // it): then OnHandle is never called. Raises EError when OnHandle is empty.
  bool Enumerate();

  // After Enumerate: the wanted processes that could not be opened to name
  // their handles (no right to), so names were missing for want of rights.
  const std::unordered_set<uint64_t>& UnreachableProcessIds() const { return unreachable_; }
  // Those of them that refused the opening for want of rights.
  const std::unordered_set<uint64_t>& DeniedProcessIds() const { return denied_; }

 private:
  class TProcessHandles;
  class TObjectHandle;
  bool ScanHandleTable(const THandleTableLayout& layout);
  std::string NameOf(const THandleTableEntry& entry, TProcessHandles& processes);

  TNativeApi& native_;
  TOsVersionInfo version_;  // read by every Enumerate
  std::unordered_set<uint64_t> unreachable_;
  std::unordered_set<uint64_t> denied_;
};

}  // namespace kvt
