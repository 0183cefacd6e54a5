#include "native/handle_enumerator.h"

#include <exception>
#include <vector>

#include "native/object_names.h"
#include "native/object_types.h"
#include "native/system_information.h"
#include "support/errors.h"
#include "support/version_record.h"

namespace kvt {
namespace {

constexpr const char* kFileTypeName = "File";

}  // namespace

// A handle of this process for the object of an entry: the entry's own
// handle when it belongs to this program, else a copy made on first use and
// closed with the object.
class TqxHandleEnumerator::TObjectHandle {
 public:
  TObjectHandle(TNativeApi& native, uint32_t processId, OsHandle handle, bool own)
      : native_(native), processId_(processId), handle_(handle), own_(own) {}
  ~TObjectHandle() {
    if (!own_ && copy_ != 0) native_.Sys.CloseHandle(copy_);
  }
  TObjectHandle(const TObjectHandle&) = delete;
  TObjectHandle& operator=(const TObjectHandle&) = delete;

  // 0 when the object cannot be reached.
  OsHandle Get() {
    if (own_) return handle_;
    if (!tried_) copy_ = DuplicateIntoOwnProcess(native_, processId_, handle_);
    tried_ = true;
    return copy_;
  }

 private:
  TNativeApi& native_;
  const uint32_t processId_;
  const OsHandle handle_;
  const bool own_;
  bool tried_ = false;
  OsHandle copy_ = 0;
};

void TqxHandleEnumerator::Enumerate() {
  if (!OnHandle) throw EError("Enumerating handles without a feedback method is useless!");
  version_ = ReadVersionRecord(native_.Sys);
  switch (HandleTableKindOf(version_)) {
    case THandleTableKind::Classic:
      ScanHandleTable(HandleTableLayout(kSystemHandleInformation, native_.PointerSize));
      break;
    case THandleTableKind::Extended:
      ScanHandleTable(HandleTableLayout(kSystemExtendedHandleInformation, native_.PointerSize));
      break;
    case THandleTableKind::None:
      break;
  }
}

void TqxHandleEnumerator::ScanHandleTable(const THandleTableLayout& layout) {
  Os& os = native_.Sys;
  if (!os.IsBound(TOptionalEntry::NtQuerySystemInformation)) return;
  std::vector<uint8_t> table;
  if (!ReadSystemInformation(os, layout.InfoClass, table)) return;
  const THandleTableReply reply(layout, table.data(), table.size());
  const uint32_t ownProcessId = os.GetCurrentProcessId();
  for (size_t i = 0; i < reply.Count(); ++i) {
    const THandleTableEntry entry = reply.Entry(i);
    if (WantedProcessIds.count(entry.ProcessId) == 0) continue;
    OnHandle(entry, NameOf(entry, ownProcessId));
  }
}

std::string TqxHandleEnumerator::NameOf(const THandleTableEntry& entry, uint32_t ownProcessId) {
  const auto processId = static_cast<uint32_t>(entry.ProcessId);
  if (native_.StalledHandles.count({processId, entry.Handle}) != 0) return std::string();
  Os& os = native_.Sys;
  std::string name;
  try {
    TObjectHandle object(native_, processId, entry.Handle, processId == ownProcessId);
    const bool file = IsFile(entry, object);
    // NT 4.0 is read but never asked for names. A File handle, also one of
    // this program's own, is where a name query can block: it goes to the
    // guarded worker.
    if (version_.dwMajorVersion > 4 && os.IsBound(TOptionalEntry::NtQueryObject)) {
      if (file)
        name = GuardedObjectName(native_, processId, entry.Handle);
      else if (object.Get() != 0)
        name = QueryObjectName(os, object.Get());
    }
    if (QueryFileNamesInThread && name.empty() && file)
      name = GuardedFileName(native_, processId, entry.Handle);
  } catch (const std::exception&) {
    name.clear();  // the entry is delivered all the same
  }
  return name;
}

bool TqxHandleEnumerator::IsFile(const THandleTableEntry& entry, TObjectHandle& object) {
  if (HandleTableKindOf(version_) != THandleTableKind::Extended)
    return IsFileObjectType(version_, entry.ObjectType);
  auto known = native_.KernelTypeNames.find(entry.ObjectType);
  if (known == native_.KernelTypeNames.end() &&
      native_.Sys.IsBound(TOptionalEntry::NtQueryObject) && object.Get() != 0) {
    // One handle of a type tells its name for the whole run.
    const std::string name = QueryObjectTypeName(native_.Sys, object.Get());
    if (!name.empty()) known = native_.KernelTypeNames.emplace(entry.ObjectType, name).first;
  }
  return known != native_.KernelTypeNames.end() && known->second == kFileTypeName;
}

}  // namespace kvt
