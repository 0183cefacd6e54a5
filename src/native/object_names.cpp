#include "native/object_names.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "native/handle_replies.h"
#include "support/utf8.h"

namespace kvt {
namespace {

// The header of the 64-bit program, the longest name a counted string can
// hold, and its terminator.
constexpr uint32_t kMaxObjectNameReply = 16 + 0xFFFE + 2;
// The same after the fixed part of a type-information record.
constexpr uint32_t kMaxObjectTypeReply = 104 + 0xFFFE + 2;
// FILE_NAME_INFORMATION: its length, the longest path and a terminator.
constexpr uint32_t kFileNameReplySize = 4 + 2 * kMaxNameUnits + 2;
// Room for the names most objects have, so that one query usually answers;
// a longer name costs a second one of the size the first reported.
constexpr uint32_t kFirstReplySize = 1024;

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

// Runs a job of type TJob on the guarded worker for Copy; the job when it
// ended in time with status 0, else null. Stalled tells that the worker was
// abandoned with the copy.
template <typename TJob>
std::unique_ptr<TJob> RunGuarded(TNativeApi& native, uint32_t processId, OsHandle handle,
                                 OsHandle copy, bool& stalled) {
  auto typed = std::make_unique<TJob>(native.Sys);
  typed->Copy = copy;
  std::unique_ptr<TWorkerJob> job = std::move(typed);
  const TWorkerResult result = native.Worker.Run(job, kGuardedQueryLimitMs);
  if (result == TWorkerResult::Abandoned) {
    // The copy is a handle of this process now, in the table like any other,
    // and must never be asked for its name directly.
    native.StalledHandles.insert({processId, handle});
    native.StalledHandles.insert({native.Sys.GetCurrentProcessId(), copy});
    stalled = true;
    return nullptr;
  }
  std::unique_ptr<TJob> done(static_cast<TJob*>(job.release()));
  if (result != TWorkerResult::Finished || done->Status != kStatusSuccess) return nullptr;
  return done;
}

// The reply of a direct query for InfoClass, never believed beyond MaxSize;
// empty when the query failed.
std::vector<uint8_t> QueryObjectReply(Os& os, OsHandle handle, uint32_t infoClass,
                                      uint32_t maxSize) {
  std::vector<uint8_t> reply(kFirstReplySize);
  uint32_t needed = 0;
  uint32_t status = os.NtQueryObject(handle, infoClass, reply.data(), kFirstReplySize, &needed);
  if (status != kStatusSuccess && needed > kFirstReplySize) {
    const uint32_t size = std::min(needed, maxSize);
    reply.assign(size, 0);
    status = os.NtQueryObject(handle, infoClass, reply.data(), size, &needed);
  }
  if (status != kStatusSuccess) return {};
  return reply;
}

}  // namespace

OsHandle DuplicateIntoOwnProcess(Os& os, OsHandle process, OsHandle handle) {
  OsHandle copy = 0;
  if (process == 0 || !os.DuplicateHandle(process, handle, os.GetCurrentProcess(), &copy, 0,
                                          false, kDuplicateSameAccess))
    return 0;
  return copy;
}

std::string QueryObjectName(Os& os, OsHandle handle) {
  if (!os.IsBound(TOptionalEntry::NtQueryObject)) return std::string();
  const auto reply = QueryObjectReply(os, handle, kObjectNameInformation, kMaxObjectNameReply);
  return Utf16ToUtf8(ObjectNameFromReply(reply.data(), reply.size(), os.PointerSize()));
}

std::string QueryObjectTypeName(Os& os, OsHandle handle) {
  if (!os.IsBound(TOptionalEntry::NtQueryObject)) return std::string();
  const auto reply = QueryObjectReply(os, handle, kObjectTypeInformation, kMaxObjectTypeReply);
  return Utf16ToUtf8(TypeNameFromReply(reply.data(), reply.size(), os.PointerSize()));
}

TGuardedName GuardedObjectName(TNativeApi& native, uint32_t processId, OsHandle handle,
                               OsHandle copy) {
  TGuardedName result;
  if (!native.Sys.IsBound(TOptionalEntry::NtQueryObject)) return result;
  const auto done = RunGuarded<TObjectNameJob>(native, processId, handle, copy, result.Stalled);
  if (done)
    result.Name =
        Utf16ToUtf8(ObjectNameFromReply(done->Reply, sizeof done->Reply, native.PointerSize));
  return result;
}

TGuardedName GuardedFileName(TNativeApi& native, uint32_t processId, OsHandle handle,
                             OsHandle copy) {
  TGuardedName result;
  if (!native.Sys.IsBound(TOptionalEntry::NtQueryInformationFile)) return result;
  const auto done = RunGuarded<TFileNameJob>(native, processId, handle, copy, result.Stalled);
  if (done) result.Name = FileNameFromReply(done->Reply, sizeof done->Reply);
  return result;
}

}  // namespace kvt
