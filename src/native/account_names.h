#pragma once
// DOMAIN\name of the SIDs the run meets, each looked up once. The look-up
// may wait on a domain controller that does not answer: it runs on a
// guarded worker for at most kAccountLookupLimitMs, and a SID it does not
// name in time is shown as its "S-1-…" text.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "native/guarded_worker.h"
#include "native/token_facts.h"
#include "os/os.h"

namespace kvt {

constexpr uint32_t kAccountLookupLimitMs = 1000;
// Abandoned look-ups per run, at most: past that the rest are shown as
// their SID texts, so an unreachable domain costs at most this many waits.
constexpr size_t kMaxAbandonedLookups = 2;

class TAccountNames {
 public:
  explicit TAccountNames(Os& os) : worker_(os) {}
  // DOMAIN\name (or the name alone where there is no domain), the SID text
  // when the look-up fails or overruns; empty for an empty SID.
  std::string NameOf(const TSid& sid);

 private:
  std::string LookUp(const TSid& sid);
  TGuardedWorker worker_;
  std::map<TSid, std::string> known_;
  size_t abandoned_ = 0;
};

}  // namespace kvt
