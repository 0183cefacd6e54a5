#pragma once
// Reads the system-wide handle table and hands every entry, with the name of
// its object where one can be found, to a feedback. Keeps nothing: the user
// of the feedback decides which entries matter. The table layout and type
// numbering are known for NT 4.0 (build 1381), 5.0 and 5.1; on every other
// version nothing is delivered.
#include <cstdint>
#include <functional>
#include <string>

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
  // A File handle whose name came back empty gets a second try through the
  // guarded file-name query; that name is UTF-8.
  bool QueryFileNamesInThread = false;

  // Reads the table afresh and calls OnHandle once per entry, on this thread.
  // Raises EError when OnHandle is empty.
  void Enumerate();

 private:
  void ScanHandleTable();
  std::string NameOf(const THandleTableEntry& entry, uint32_t ownProcessId);
  std::string GetForeignHandleName(const THandleTableEntry& entry);

  TNativeApi& native_;
  TOsVersionInfo version_;  // read by every Enumerate
};

}  // namespace kvt
