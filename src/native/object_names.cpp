#include "native/object_names.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "native/handle_replies.h"
#include "os/scoped_handle.h"

namespace kvt {
namespace {

// The header of the 64-bit program, the longest name a counted string can
// hold, and its terminator.
constexpr uint32_t kMaxObjectNameReply = 16 + 0xFFFE + 2;
constexpr uint32_t kFileNameReplySize = 528;

// What a guarded worker touches: everything lives in the job, which outlives
// an abandoned worker. Run calls one native query into the job's own buffer.
class TGuardedJob : public TWorkerJob {
 public:
  explicit TGuardedJob(Os& os) : Sys(os) {}
  Os& Sys;
  OsHandle Copy = 0;
  uint32_t Status = kStatusUnsuccessful;
};

class TObjectNameJob : public TGuardedJob {
 public:
  using TGuardedJob::TGuardedJob;
  void Run() override {
    Status = Sys.NtQueryObject(Copy, kObjectNameInformation, Reply, sizeof Reply, &Needed);
  }
  uint32_t Needed = 0;  // not read: the reply states its own length
  uint8_t Reply[kMaxObjectNameReply] = {};
};

class TFileNameJob : public TGuardedJob {
 public:
  using TGuardedJob::TGuardedJob;
  void Run() override {
    Status =
        Sys.NtQueryInformationFile(Copy, &IoStatus, Reply, sizeof Reply, kFileNameInformation);
  }
  TIoStatusBlock IoStatus;
  uint8_t Reply[kFileNameReplySize] = {};
};

// Runs a job of type TJob on a worker for a copy of the handle; the job when
// it ended in time with status 0, else null.
template <typename TJob>
std::unique_ptr<TJob> RunGuarded(TNativeApi& native, uint32_t processId, OsHandle handle) {
  Os& os = native.Sys;
  const auto key = std::make_pair(processId, handle);
  if (native.StalledHandles.count(key) != 0 ||
      native.StalledHandles.size() >= kMaxAbandonedWorkers)
    return nullptr;
  auto typed = std::make_unique<TJob>(os);
  const OsHandle copy = DuplicateIntoOwnProcess(os, processId, handle);
  if (copy == 0) return nullptr;
  typed->Copy = copy;
  std::unique_ptr<TWorkerJob> job = std::move(typed);
  const TWorkerResult result = os.RunWorker(job, kGuardedQueryLimitMs);
  if (result == TWorkerResult::Abandoned) {
    // The copy stays open with the worker: closing it could block just as the
    // query did.
    native.StalledHandles.insert(key);
    return nullptr;
  }
  os.CloseHandle(copy);
  std::unique_ptr<TJob> done(static_cast<TJob*>(job.release()));
  if (result != TWorkerResult::Finished || done->Status != kStatusSuccess) return nullptr;
  return done;
}

}  // namespace

OsHandle DuplicateIntoOwnProcess(Os& os, uint32_t processId, OsHandle handle) {
  const TScopedHandle process(os, os.OpenProcess(kProcessDupHandle, false, processId));
  if (process.Get() == 0) return 0;
  OsHandle copy = 0;
  if (!os.DuplicateHandle(process.Get(), handle, os.GetCurrentProcess(), &copy, 0, false,
                          kDuplicateSameAccess))
    return 0;
  return copy;
}

std::string QueryObjectName(Os& os, OsHandle handle) {
  if (!os.IsBound(TOptionalEntry::NtQueryObject)) return std::string();
  uint32_t needed = 0;
  os.NtQueryObject(handle, kObjectNameInformation, nullptr, 0, &needed);
  // No object name is longer; a larger figure is not to be believed.
  const uint32_t size = std::min(needed, kMaxObjectNameReply);
  std::vector<uint8_t> reply(size + 1);
  if (os.NtQueryObject(handle, kObjectNameInformation, reply.data(), size, &needed) !=
      kStatusSuccess)
    return std::string();
  return os.UnicodeToAnsi(ObjectNameFromReply(reply.data(), size, os.PointerSize()));
}

std::string GuardedObjectName(TNativeApi& native, uint32_t processId, OsHandle handle) {
  if (!native.Sys.IsBound(TOptionalEntry::NtQueryObject)) return std::string();
  const auto done = RunGuarded<TObjectNameJob>(native, processId, handle);
  if (!done) return std::string();
  return native.Sys.UnicodeToAnsi(
      ObjectNameFromReply(done->Reply, sizeof done->Reply, native.PointerSize));
}

std::string GuardedFileName(TNativeApi& native, uint32_t processId, OsHandle handle) {
  if (!native.Sys.IsBound(TOptionalEntry::NtQueryInformationFile)) return std::string();
  const auto done = RunGuarded<TFileNameJob>(native, processId, handle);
  return done ? FileNameFromReply(done->Reply, sizeof done->Reply) : std::string();
}

}  // namespace kvt
