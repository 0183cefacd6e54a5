#include "native/object_names.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "native/handle_replies.h"
#include "os/scoped_handle.h"
#include "support/utf8.h"

namespace kvt {
namespace {

// The header of the 64-bit program, the longest name a counted string can
// hold, and its terminator.
constexpr uint32_t kMaxObjectNameReply = 16 + 0xFFFE + 2;
// The same after the fixed part of a type-information record.
constexpr uint32_t kMaxObjectTypeReply = 104 + 0xFFFE + 2;
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
  if (native.StalledHandles.count(key) != 0 || native.AbandonedWorkers >= kMaxAbandonedWorkers)
    return nullptr;
  auto typed = std::make_unique<TJob>(os);
  const OsHandle copy = DuplicateIntoOwnProcess(native, processId, handle);
  if (copy == 0) return nullptr;
  typed->Copy = copy;
  std::unique_ptr<TWorkerJob> job = std::move(typed);
  const TWorkerResult result = os.RunWorker(job, kGuardedQueryLimitMs);
  if (result == TWorkerResult::Abandoned) {
    // The copy stays open with the worker: closing it could block just as the
    // query did. It is a handle of this process now, in the table like any
    // other, and must never be asked for its name directly.
    native.StalledHandles.insert(key);
    native.StalledHandles.insert({os.GetCurrentProcessId(), copy});
    ++native.AbandonedWorkers;
    return nullptr;
  }
  os.CloseHandle(copy);
  std::unique_ptr<TJob> done(static_cast<TJob*>(job.release()));
  if (result != TWorkerResult::Finished || done->Status != kStatusSuccess) return nullptr;
  return done;
}

// The reply of a direct query for InfoClass, asked for its size first and
// never believed beyond MaxSize; empty when the query failed.
std::vector<uint8_t> QueryObjectReply(Os& os, OsHandle handle, uint32_t infoClass,
                                      uint32_t maxSize) {
  uint32_t needed = 0;
  os.NtQueryObject(handle, infoClass, nullptr, 0, &needed);
  const uint32_t size = std::min(needed, maxSize);
  std::vector<uint8_t> reply(size + 1);
  if (os.NtQueryObject(handle, infoClass, reply.data(), size, &needed) != kStatusSuccess)
    return {};
  reply.resize(size);
  return reply;
}

}  // namespace

OsHandle DuplicateIntoOwnProcess(TNativeApi& native, uint32_t processId, OsHandle handle) {
  Os& os = native.Sys;
  // A handle of this program is copied from its own pseudo-handle.
  const bool own = processId == os.GetCurrentProcessId();
  if (!own && native.DuplicationDenied.count(processId) != 0) return 0;
  const TScopedHandle opened(os, own ? 0 : os.OpenProcess(kProcessDupHandle, false, processId));
  const OsHandle process = own ? os.GetCurrentProcess() : opened.Get();
  if (process == 0) {
    // Its descriptor, not the handle, refused: every other handle of it would be refused too.
    if (os.GetLastError() == kErrorAccessDenied) native.DuplicationDenied.insert(processId);
    return 0;
  }
  OsHandle copy = 0;
  if (!os.DuplicateHandle(process, handle, os.GetCurrentProcess(), &copy, 0, false,
                          kDuplicateSameAccess))
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

std::string GuardedObjectName(TNativeApi& native, uint32_t processId, OsHandle handle) {
  if (!native.Sys.IsBound(TOptionalEntry::NtQueryObject)) return std::string();
  const auto done = RunGuarded<TObjectNameJob>(native, processId, handle);
  if (!done) return std::string();
  return Utf16ToUtf8(ObjectNameFromReply(done->Reply, sizeof done->Reply, native.PointerSize));
}

std::string GuardedFileName(TNativeApi& native, uint32_t processId, OsHandle handle) {
  if (!native.Sys.IsBound(TOptionalEntry::NtQueryInformationFile)) return std::string();
  const auto done = RunGuarded<TFileNameJob>(native, processId, handle);
  return done ? FileNameFromReply(done->Reply, sizeof done->Reply) : std::string();
}

}  // namespace kvt
