#include "native/account_names.h"

#include <cstring>
#include <memory>

#include "support/text.h"

namespace kvt {
namespace {

// 256 UTF-16 units at three bytes each and a terminator, for either name.
constexpr uint32_t kAccountTextSize = 3 * 256 + 1;
constexpr size_t kMaxSidSize = 8 + 4 * 15;

// Everything the worker touches lives in the job, which outlives an
// abandoned worker: the SID's copy and both answers.
class TLookupJob : public TWorkerJob {
 public:
  TLookupJob(Os& os, const TSid& sid) : sys_(os) { std::memcpy(Sid, sid.data(), sid.size()); }
  void Run() override {
    Found = sys_.LookupAccountSidW(Sid, Name, &NameSize, Domain, &DomainSize);
  }
  uint8_t Sid[kMaxSidSize] = {};
  char Name[kAccountTextSize] = {};
  char Domain[kAccountTextSize] = {};
  uint32_t NameSize = kAccountTextSize;
  uint32_t DomainSize = kAccountTextSize;
  bool Found = false;

 private:
  Os& sys_;
};

}  // namespace

std::string TAccountNames::NameOf(const TSid& sid) {
  if (sid.empty()) return std::string();
  const auto known = known_.find(sid);
  if (known != known_.end()) return known->second;
  return known_[sid] = LookUp(sid);
}

std::string TAccountNames::LookUp(const TSid& sid) {
  const std::string text = SidText(sid);
  if (text.empty() || sid.size() > kMaxSidSize || abandoned_ >= kMaxAbandonedLookups) return text;
  std::unique_ptr<TWorkerJob> job = std::make_unique<TLookupJob>(worker_.Sys(), sid);
  const TWorkerResult result = worker_.Run(job, kAccountLookupLimitMs);
  if (result == TWorkerResult::Abandoned) {
    ++abandoned_;
    return text;
  }
  const auto& done = static_cast<const TLookupJob&>(*job);
  if (result != TWorkerResult::Finished || !done.Found) return text;
  const std::string name = TextUpToZero(done.Name, sizeof done.Name);
  const std::string domain = TextUpToZero(done.Domain, sizeof done.Domain);
  if (name.empty()) return text;
  return domain.empty() ? name : domain + "\\" + name;
}

}  // namespace kvt
