#include "native/process_information.h"

#include "native/system_information.h"
#include "os/layouts/process_information.h"

namespace kvt {
namespace {

TProcessInformationEntry EntryAt(const uint8_t* at, const TProcessInformationLayout& layout) {
  TProcessInformationEntry entry;
  entry.ProcessId = static_cast<uint32_t>(FieldAt(at, layout.ProcessId));
  entry.ParentProcessId = static_cast<uint32_t>(FieldAt(at, layout.ParentProcessId));
  entry.SessionId = static_cast<uint32_t>(FieldAt(at, layout.SessionId));
  entry.Threads = static_cast<uint32_t>(FieldAt(at, layout.Threads));
  entry.Handles = static_cast<uint32_t>(FieldAt(at, layout.Handles));
  entry.CreateTime = FieldAt(at, layout.CreateTime);
  entry.CpuTime = FieldAt(at, layout.UserTime) + FieldAt(at, layout.KernelTime);
  entry.WorkingSet = FieldAt(at, layout.WorkingSet);
  entry.PrivateBytes = FieldAt(at, layout.PrivateBytes);
  entry.ReadBytes = FieldAt(at, layout.ReadTransfer);
  entry.WriteBytes = FieldAt(at, layout.WriteTransfer);
  return entry;
}

}  // namespace

std::vector<TProcessInformationEntry> ProcessInformationFromReply(const uint8_t* data,
                                                                  size_t size,
                                                                  uint32_t pointerSize) {
  const TProcessInformationLayout& layout = ProcessInformationLayout(pointerSize);
  std::vector<TProcessInformationEntry> entries;
  // Each step moves at least one fixed part forwards, so the loop ends
  // within Size / EntrySize steps whatever the offsets say.
  for (uint64_t offset = 0; offset <= size && size - offset >= layout.EntrySize;) {
    const uint8_t* at = data + offset;
    entries.push_back(EntryAt(at, layout));
    const uint64_t next = FieldAt(at, layout.NextEntryOffset);
    if (next < layout.EntrySize) break;  // 0 ends the chain; less would overlap
    offset += next;
  }
  return entries;
}

bool ReadProcessInformation(Os& os, const TOsVersionInfo& version,
                            std::vector<TProcessInformationEntry>& processes) {
  if (version.dwMajorVersion < 5) return false;
  if (!os.IsBound(TOptionalEntry::NtQuerySystemInformation)) return false;
  std::vector<uint8_t> reply;
  if (!ReadSystemInformation(os, kSystemProcessInformation, reply)) return false;
  processes = ProcessInformationFromReply(reply.data(), reply.size(), os.PointerSize());
  return true;
}

}  // namespace kvt
