#include <algorithm>
#include <cstring>

#include "os/fake/fake_bytes.h"
#include "os/fake/fake_os.h"

namespace kvt {
namespace {

// The fixed part of an entry and of each thread record after it, for the
// 32- and the 64-bit program; the fields the platform fills, at their offsets.
struct TFakeProcessLayout {
  uint32_t EntrySize, ThreadSize, ProcessId, ParentId, Handles, SessionId, WorkingSet, Pagefile;
};
constexpr TFakeProcessLayout kFakeLayout32 = {0xB8, 0x40, 0x44, 0x48, 0x4C, 0x50, 0x68, 0x7C};
constexpr TFakeProcessLayout kFakeLayout64 = {0x100, 0x50, 0x50, 0x58, 0x60, 0x64, 0x90, 0xB8};

}  // namespace

uint32_t FakeOs::ProcessInformationReply(uint8_t* buffer, uint32_t size, uint32_t* needed) {
  const uint32_t word = ProgramPointerSize;
  const TFakeProcessLayout& layout = word == 8 ? kFakeLayout64 : kFakeLayout32;
  std::vector<const TFakeProcess*> living;
  uint64_t required = 0;
  for (const TFakeProcess& process : Processes) {
    if (!process.Alive) continue;
    living.push_back(&process);
    required += layout.EntrySize + uint64_t{process.Threads} * layout.ThreadSize;
  }
  *needed = static_cast<uint32_t>(std::min<uint64_t>(required, 0xFFFFFFFFu));
  if (size < required) return kStatusInfoLengthMismatch;
  std::memset(buffer, 0, static_cast<size_t>(required));
  uint8_t* at = buffer;
  for (size_t i = 0; i < living.size(); ++i) {
    const TFakeProcess& process = *living[i];
    const uint32_t length = layout.EntrySize + process.Threads * layout.ThreadSize;
    PutU32(at, i + 1 == living.size() ? 0 : length);
    PutU32(at + 0x04, process.Threads);
    PutU64(at + 0x20, process.CreateTime);
    PutU64(at + 0x28, process.UserTime);
    PutU64(at + 0x30, process.KernelTime);
    PutPointer(at + layout.ProcessId, process.Id, word);
    PutPointer(at + layout.ParentId, process.ParentId, word);
    PutU32(at + layout.Handles, process.HandleCount);
    PutU32(at + layout.SessionId, process.SessionId);
    PutPointer(at + layout.WorkingSet, process.WorkingSet, word);
    PutPointer(at + layout.Pagefile, process.PrivateBytes, word);
    at += length;
  }
  return kStatusSuccess;
}

}  // namespace kvt
