#include "native/handle_enumerator.h"

#include <exception>
#include <unordered_map>
#include <vector>

#include "native/object_names.h"
#include "native/object_types.h"
#include "native/system_information.h"
#include "support/errors.h"

namespace kvt {

// The processes of one scan, each opened once for duplicating handles on
// first need and closed with the scan; this program's own is its pseudo-handle.
class TqxHandleEnumerator::TProcessHandles {
 public:
  TProcessHandles(Os& os, std::unordered_set<uint64_t>& denied)
      : os_(os), ownId_(os.GetCurrentProcessId()), denied_(denied) {}
  ~TProcessHandles() {
    for (const auto& opened : opened_)
      if (opened.second != 0) os_.CloseHandle(opened.second);
  }
  TProcessHandles(const TProcessHandles&) = delete;
  TProcessHandles& operator=(const TProcessHandles&) = delete;
  uint32_t OwnId() const { return ownId_; }

  // 0 when the process cannot be opened.
  OsHandle Get(uint32_t processId) {
    if (processId == ownId_) return os_.GetCurrentProcess();
    const auto found = opened_.find(processId);
    if (found != opened_.end()) return found->second;
    const OsHandle process = os_.OpenProcess(kProcessDupHandle, false, processId);
    if (process == 0 && os_.GetLastError() == kErrorAccessDenied) denied_.insert(processId);
    opened_.emplace(processId, process);
    return process;
  }

 private:
  Os& os_;
  const uint32_t ownId_;
  std::unordered_set<uint64_t>& denied_;
  std::unordered_map<uint32_t, OsHandle> opened_;
};

// A handle of this process for the object of an entry: the entry's own
// handle when it belongs to this program, else a copy made on first use and
// closed with the object unless a stalled worker keeps it.
class TqxHandleEnumerator::TObjectHandle {
 public:
  TObjectHandle(Os& os, OsHandle process, OsHandle handle, bool own)
      : os_(os), process_(process), handle_(handle), own_(own) {}
  ~TObjectHandle() {
    if (!own_ && copy_ != 0 && !kept_) os_.CloseHandle(copy_);
  }
  TObjectHandle(const TObjectHandle&) = delete;
  TObjectHandle& operator=(const TObjectHandle&) = delete;

  // 0 when the object cannot be reached.
  OsHandle Get() {
    if (own_) return handle_;
    if (!tried_) copy_ = DuplicateIntoOwnProcess(os_, process_, handle_);
    tried_ = true;
    return copy_;
  }
  void Keep() { kept_ = true; }

 private:
  Os& os_;
  const OsHandle process_;
  const OsHandle handle_;
  const bool own_;
  bool tried_ = false;
  bool kept_ = false;
  OsHandle copy_ = 0;
};

bool TqxHandleEnumerator::Enumerate() {
  if (!OnHandle) throw EError("Enumerating handles without a feedback method is useless!");
  unreachable_.clear();
  denied_.clear();
  version_ = native_.Version;
  switch (HandleTableKindOf(version_)) {
    case THandleTableKind::Classic:
      return ScanHandleTable(HandleTableLayout(kSystemHandleInformation, native_.PointerSize));
    case THandleTableKind::Extended:
      return ScanHandleTable(
          HandleTableLayout(kSystemExtendedHandleInformation, native_.PointerSize));
    case THandleTableKind::None:
      break;
  }
  return true;
}

bool TqxHandleEnumerator::ScanHandleTable(const THandleTableLayout& layout) {
  Os& os = native_.Sys;
  if (!os.IsBound(TOptionalEntry::NtQuerySystemInformation)) return true;
  std::vector<uint8_t> table;
  if (!ReadSystemInformation(os, layout.InfoClass, table)) return false;
  const THandleTableReply reply(layout, table.data(), table.size());
  TProcessHandles processes(os, denied_);
  for (size_t i = 0; i < reply.Count(); ++i) {
    const THandleTableEntry entry = reply.Entry(i);
    if (WantedProcessIds.count(entry.ProcessId) == 0) continue;
    OnHandle(entry, NameOf(entry, processes));
  }
  return true;
}

std::string TqxHandleEnumerator::NameOf(const THandleTableEntry& entry,
                                        TProcessHandles& processes) {
  const auto processId = static_cast<uint32_t>(entry.ProcessId);
  Os& os = native_.Sys;
  // NT 4.0 is read but never asked for names; a handle whose worker was
  // abandoned is never asked again; without the queries nothing is opened.
  const bool queries = os.IsBound(TOptionalEntry::NtQueryObject) ||
                       (QueryFileNamesInThread && os.IsBound(TOptionalEntry::NtQueryInformationFile));
  if (version_.dwMajorVersion <= 4 || !queries ||
      native_.StalledHandles.count({processId, entry.Handle}) != 0)
    return std::string();
  std::string name;
  try {
    // Types are learnt before the kind is known, so the process is opened
    // only when an entry of it can have a name.
    const bool learn = ObjectTypeNameLearnable(native_, entry.ObjectType);
    TObjectTypeKind kind = ObjectTypeKindOf(native_, entry.ObjectType);
    if (kind == TObjectTypeKind::Unnamed) return name;
    const OsHandle process = processes.Get(processId);
    if (process == 0) {
      unreachable_.insert(entry.ProcessId);
      if (learn) LearnObjectTypeName(native_, entry.ObjectType, 0);
      return name;
    }
    TObjectHandle object(os, process, entry.Handle, processId == processes.OwnId());
    if (learn) {
      LearnObjectTypeName(native_, entry.ObjectType, object.Get());
      kind = ObjectTypeKindOf(native_, entry.ObjectType);
      if (kind == TObjectTypeKind::Unnamed) return name;
    }
    if (object.Get() == 0) return name;
    // A File handle, also one of this program's own, is where a name query
    // can block, and a handle of a type not known may be one: both go to
    // the guarded worker.
    const bool guarded = kind == TObjectTypeKind::File || kind == TObjectTypeKind::Unknown;
    if (os.IsBound(TOptionalEntry::NtQueryObject)) {
      if (!guarded) return QueryObjectName(os, object.Get());
      const TGuardedName guardedName =
          GuardedObjectName(native_, processId, entry.Handle, object.Get());
      if (guardedName.Stalled) {
        object.Keep();
        return name;
      }
      name = guardedName.Name;
    }
    if (QueryFileNamesInThread && name.empty() && kind == TObjectTypeKind::File) {
      const TGuardedName fileName = GuardedFileName(native_, processId, entry.Handle, object.Get());
      if (fileName.Stalled) object.Keep();
      name = fileName.Name;
    }
  } catch (const std::exception&) {
    name.clear();  // the entry is delivered all the same
  }
  return name;
}

}  // namespace kvt
