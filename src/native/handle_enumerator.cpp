#include "native/handle_enumerator.h"

#include <exception>
#include <vector>

#include "native/handle_replies.h"
#include "native/object_names.h"
#include "native/object_types.h"
#include "os/scoped_handle.h"
#include "support/errors.h"
#include "support/version_record.h"

namespace kvt {
namespace {

constexpr uint32_t kFirstTableSize = 4096;
// The kernel asks for more room once; a table beyond this is not believed.
constexpr uint32_t kMaxTableSize = 64u << 20;

bool ReadsHandleTable(const TOsVersionInfo& version) {
  const bool nt4 = version.dwMajorVersion == 4 && version.dwMinorVersion == 0 &&
                   version.dwBuildNumber == 1381;
  const bool win2000OrXp = version.dwMajorVersion == 5 && version.dwMinorVersion <= 1;
  return nt4 || win2000OrXp;
}

}  // namespace

void TqxHandleEnumerator::Enumerate() {
  if (!OnHandle) throw EError("Enumerating handles without a feedback method is useless!");
  version_ = ReadVersionRecord(native_.Sys);
  if (ReadsHandleTable(version_)) ScanHandleTable();
}

void TqxHandleEnumerator::ScanHandleTable() {
  Os& os = native_.Sys;
  if (!os.IsBound(TOptionalEntry::NtQuerySystemInformation)) return;
  std::vector<uint8_t> table(kFirstTableSize);
  uint32_t needed = 0;
  uint32_t status = os.NtQuerySystemInformation(kSystemHandleInformation, table.data(),
                                                kFirstTableSize, &needed);
  // One retry with the size the kernel reported; a table that grew again in
  // between is given up.
  if (status == kStatusInfoLengthMismatch && needed <= kMaxTableSize) {
    table.assign(needed, 0);
    status = os.NtQuerySystemInformation(kSystemHandleInformation, table.data(), needed, &needed);
  }
  if (status != kStatusSuccess) return;
  const THandleTableReply reply(HandleTableLayout(native_.PointerSize), table.data(),
                                table.size());
  const uint32_t ownProcessId = os.GetCurrentProcessId();
  for (size_t i = 0; i < reply.Count(); ++i) {
    const THandleTableEntry entry = reply.Entry(i);
    OnHandle(entry, NameOf(entry, ownProcessId));
  }
}

std::string TqxHandleEnumerator::NameOf(const THandleTableEntry& entry, uint32_t ownProcessId) {
  std::string name;
  // NT 4.0 is read but never asked for names.
  if (version_.dwMajorVersion > 4) {
    try {
      name = entry.ProcessId == ownProcessId
                 ? QueryObjectName(native_.Sys, entry.Handle)
                 : GetForeignHandleName(entry);
    } catch (const std::exception&) {
      name.clear();  // the entry is delivered all the same
    }
  }
  if (QueryFileNamesInThread && name.empty() && IsFileObjectType(version_, entry.ObjectType)) {
    try {
      name = GuardedFileName(native_, static_cast<uint32_t>(entry.ProcessId), entry.Handle);
    } catch (const std::exception&) {
      name.clear();
    }
  }
  return name;
}

std::string TqxHandleEnumerator::GetForeignHandleName(const THandleTableEntry& entry) {
  if (!native_.Sys.IsBound(TOptionalEntry::NtQueryObject)) return std::string();
  const auto processId = static_cast<uint32_t>(entry.ProcessId);
  // A File handle of another process is where a name query can block.
  if (IsFileObjectType(version_, entry.ObjectType))
    return GuardedObjectName(native_, processId, entry.Handle);
  const TScopedHandle copy(native_.Sys,
                           DuplicateIntoOwnProcess(native_.Sys, processId, entry.Handle));
  return copy.Get() == 0 ? std::string() : QueryObjectName(native_.Sys, copy.Get());
}

}  // namespace kvt
