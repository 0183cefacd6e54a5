#include "native/process_information.h"

#include "native/reply_fields.h"
#include "native/system_information.h"

namespace kvt {
namespace {

// The fixed part of an entry (its threads follow it) and the fields read.
// Process ids are handle-sized; the memory counters are pointer-sized.
struct TProcessInformationLayout {
  uint16_t EntrySize;
  TReplyField NextEntryOffset, Threads, CreateTime, UserTime, KernelTime, ProcessId,
      ParentProcessId, Handles, SessionId, WorkingSet, PrivateBytes;
};

// Windows 2000 and later. The image name is a counted string of 8 or 16
// bytes, so everything after it moves with the width; private bytes are the
// page-file usage of the memory counters.
constexpr TProcessInformationLayout kLayout32 = {
    0xB8,       {0x00, 4}, {0x04, 4}, {0x20, 8}, {0x28, 8}, {0x30, 8},
    {0x44, 4},  {0x48, 4}, {0x4C, 4}, {0x50, 4}, {0x68, 4}, {0x7C, 4}};
constexpr TProcessInformationLayout kLayout64 = {
    0x100,      {0x00, 4}, {0x04, 4}, {0x20, 8}, {0x28, 8}, {0x30, 8},
    {0x50, 8},  {0x58, 8}, {0x60, 4}, {0x64, 4}, {0x90, 8}, {0xB8, 8}};

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
  return entry;
}

}  // namespace

std::vector<TProcessInformationEntry> ProcessInformationFromReply(const uint8_t* data,
                                                                  size_t size,
                                                                  uint32_t pointerSize) {
  const TProcessInformationLayout& layout = pointerSize == 8 ? kLayout64 : kLayout32;
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
