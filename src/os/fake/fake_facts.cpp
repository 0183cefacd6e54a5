#include <algorithm>
#include <cstring>

#include "os/fake/fake_bytes.h"
#include "os/fake/fake_os.h"
#include "os/layouts/loader_list.h"
#include "os/layouts/object_replies.h"
#include "os/layouts/process_blocks.h"
#include "os/layouts/process_information.h"
#include "os/layouts/token_replies.h"
#include "support/text.h"
#include "support/utf8.h"

namespace kvt {
namespace {

constexpr uint32_t kStatusInvalidInfoClass = 0xC0000003u;

// Where a process of either width keeps its blocks: the environment block,
// the parameter block a page above it, the command line's text a page above
// that. A 64-bit process's lie past the 32-bit program's reach.
constexpr uint64_t kBlocks32 = 0x7FFD0000u;
constexpr uint64_t kBlocks64 = 0x7FF700000000u;
// What the kernel answers a 64-bit program for the 64-bit block of a WOW64
// process: nothing the fake keeps there, so only its 32-bit blocks tell.
constexpr uint64_t kUnmapped = 0x7FF600000000u;

constexpr uint64_t kPage = 0x1000;

uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// The loader list at Offset of Memory (whose first byte lies at Base): the
// loader data, then each entry followed by its name's text.
void PutLoaderList(const TFakeProcess& process, uint64_t base, uint64_t offset,
                   std::vector<uint8_t>& memory) {
  const uint32_t word = process.Is64Bit ? 8 : 4;
  const TLoaderListLayout& layout = LoaderListLayout(word);
  const TCountedStringLayout& string = CountedStringLayout(word);
  // A WOW64 process's own list holds its 32-bit modules.
  const bool wow64 = RunsUnderWow64(process);
  std::vector<const TFakeModule*> listed;
  for (const TFakeModule& module : process.Modules)
    if (module.InSnapshot && (!wow64 || module.Wow64Module))
      listed.push_back(&module);
  std::vector<std::u16string> names;
  std::vector<uint64_t> entries;  // offsets in Memory
  uint64_t at = offset + 0x40;    // past the loader data
  for (const TFakeModule* module : listed) {
    names.push_back(Utf8ToUtf16(module->Path.data(), module->Path.size()));
    entries.push_back(at);
    at += AlignUp(layout.EntrySize, 8) + AlignUp(2 * names.back().size(), 8);
  }
  memory.resize(AlignUp(at, kPage), 0);  // the heap's pages are committed whole
  const uint64_t head = base + offset + layout.LoadOrderInLoaderData;
  const uint64_t nowhere = base - kPage;  // below the environment block nothing is kept
  if (process.LoaderFault != TLoaderFault::NoLoaderData)
    PutPointer(memory.data() + layout.LoaderDataInEnvironmentBlock, base + offset, word);
  PutPointer(memory.data() + offset + layout.LoadOrderInLoaderData,
             entries.empty() ? head : base + entries.front(), word);
  for (size_t i = 0; i < entries.size(); ++i) {
    uint8_t* entry = memory.data() + entries[i];
    const bool last = i + 1 == entries.size();
    uint64_t next = last ? head : base + entries[i + 1];
    const uint64_t slot = entries[i] + AlignUp(layout.EntrySize, 8);  // the name's text
    uint64_t text = base + slot;
    if (last && process.LoaderFault == TLoaderFault::LoopsBack) next = base + entries.front();
    if (i == 1 && process.LoaderFault == TLoaderFault::LoopsOnItself) next = base + entries[i];
    if (last && process.LoaderFault == TLoaderFault::EndsUnmapped) next = nowhere;
    if (last && process.LoaderFault == TLoaderFault::NameUnmapped) text = nowhere;
    PutField(entry, layout.NextEntry, next);
    PutField(entry, layout.DllBase, listed[i]->Base);
    PutField(entry, layout.SizeOfImage, listed[i]->Size);
    PutField(entry + layout.FullDllName, string.Length, 2 * names[i].size());
    PutField(entry + layout.FullDllName, string.MaximumLength, 2 * names[i].size() + 2);
    PutField(entry + layout.FullDllName, string.Buffer, text);
    for (size_t u = 0; u < names[i].size(); ++u)
      PutU16(memory.data() + slot + 2 * u, names[i][u]);
  }
}

// The memory of Process at its blocks: the environment block, the parameter
// block a page above it, the command line's text a page above that, and the
// loader list after the text.
std::vector<uint8_t> Blocks(const TFakeProcess& process, uint64_t& base) {
  const bool wide = process.Is64Bit;
  const uint32_t word = wide ? 8 : 4;
  const TProcessBlockLayout& layout = ProcessBlockLayout(word);
  const TCountedStringLayout& string = CountedStringLayout(word);
  base = wide ? kBlocks64 : kBlocks32;
  const std::u16string text = Utf8ToUtf16(process.CommandLine.data(), process.CommandLine.size());
  std::vector<uint8_t> memory(0x2000 + 2 * text.size() + 2, 0);
  PutPointer(memory.data() + layout.ParametersInEnvironmentBlock, base + 0x1000, word);
  uint8_t* counted = memory.data() + 0x1000 + layout.CommandLineInParameters;
  PutField(counted, string.Length, 2 * text.size());
  PutField(counted, string.MaximumLength, 2 * text.size() + 2);
  PutField(counted, string.Buffer, base + 0x2000);
  for (size_t i = 0; i < text.size(); ++i) PutU16(memory.data() + 0x2000 + 2 * i, text[i]);
  PutLoaderList(process, base, AlignUp(memory.size(), 16), memory);
  return memory;
}

// The SID of its text ("S-1-5-…"), as the platform lays it out.
std::vector<uint8_t> SidBytes(const std::string& text) {
  std::vector<uint64_t> parts;
  for (size_t at = 2; at <= text.size();) {
    const size_t end = std::min(text.find('-', at), text.size());
    parts.push_back(std::stoull(text.substr(at, end - at)));
    at = end + 1;
  }
  std::vector<uint8_t> sid(kSidHeaderSize + 4 * (parts.size() - 2), 0);
  sid[kSidRevision] = static_cast<uint8_t>(parts[0]);
  sid[kSidSubAuthorityCount] = static_cast<uint8_t>(parts.size() - 2);
  for (size_t i = 0; i < kSidAuthorityWidth; ++i)
    sid[kSidAuthority + i] = static_cast<uint8_t>(parts[1] >> (8 * (kSidAuthorityWidth - 1 - i)));
  for (size_t i = 2; i < parts.size(); ++i)
    PutU32(sid.data() + kSidHeaderSize + 4 * (i - 2), static_cast<uint32_t>(parts[i]));
  return sid;
}

// SID_AND_ATTRIBUTES and the SID after it, its pointer pointing there.
bool PutSidReply(const std::vector<uint8_t>& sid, uint8_t* buffer, uint32_t size,
                 uint32_t* returned, uint32_t word) {
  const TSidAndAttributesLayout& layout = SidAndAttributesLayout(word);
  *returned = static_cast<uint32_t>(layout.Size + sid.size());
  if (size < *returned) return false;
  PutField(buffer, layout.Sid, reinterpret_cast<uintptr_t>(buffer + layout.Size));
  PutField(buffer, layout.Attributes, 0x60);
  std::copy(sid.begin(), sid.end(), buffer + layout.Size);
  return true;
}

}  // namespace

uint32_t FakeOs::ProcessInformationReply(uint8_t* buffer, uint32_t size, uint32_t* needed) {
  const uint32_t word = ProgramPointerSize;
  const TProcessInformationLayout& layout = ProcessInformationLayout(word);
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
    PutField(at, layout.NextEntryOffset, i + 1 == living.size() ? 0 : length);
    PutField(at, layout.Threads, process.Threads);
    PutField(at, layout.CreateTime, process.CreateTime);
    PutField(at, layout.UserTime, process.UserTime);
    PutField(at, layout.KernelTime, process.KernelTime);
    PutField(at, layout.ProcessId, process.Id);
    PutField(at, layout.ParentProcessId, process.ParentId);
    PutField(at, layout.Handles, process.HandleCount);
    PutField(at, layout.SessionId, process.SessionId);
    PutField(at, layout.WorkingSet, process.WorkingSet);
    PutField(at, layout.PrivateBytes, process.PrivateBytes);
    PutField(at, layout.ReadTransfer, process.ReadBytes);
    PutField(at, layout.WriteTransfer, process.WriteBytes);
    at += length;
  }
  return kStatusSuccess;
}

const TFakeProcess* FakeOs::TargetOf(OsHandle handle, THandle::Kind kind,
                                     const THandle** found) {
  *found = Find(handle, kind);
  return *found == nullptr ? nullptr : FindProcess((*found)->ProcessId);
}

uint32_t FakeOs::NtQueryInformationProcess(OsHandle process, uint32_t infoClass,
                                           uint8_t* buffer, uint32_t size, uint32_t* returned) {
  Record("NtQueryInformationProcess");
  if (!NtQueryInformationProcessBound) return kStatusNotImplemented;
  const THandle* handle = nullptr;
  const TFakeProcess* target = TargetOf(process, THandle::Process, &handle);
  if (target == nullptr ||
      (handle->Access & (kProcessQueryLimitedInformation | kProcessQueryInformation)) == 0)
    return kStatusAccessDenied;
  const uint32_t word = ProgramPointerSize;
  switch (infoClass) {
    case kProcessBasicInformation: {
      const TProcessBlockLayout& layout = ProcessBlockLayout(word);
      *returned = layout.BasicInformationSize;
      if (size < *returned) return kStatusInfoLengthMismatch;
      std::memset(buffer, 0, *returned);
      const bool sameWidth = target->Is64Bit == (word == 8);
      PutField(buffer, layout.PebBaseAddress,
               sameWidth ? (word == 8 ? kBlocks64 : kBlocks32) : kUnmapped);
      PutField(buffer, layout.UniqueProcessId, target->Id);
      return kStatusSuccess;
    }
    case kProcessWow64Information:
      *returned = word;
      if (size < word) return kStatusInfoLengthMismatch;
      PutPointer(buffer, word == 8 && !target->Is64Bit ? kBlocks32 : 0, word);
      return kStatusSuccess;
    case kProcessCommandLineInformation: {
      if (!CommandLineClassAnswered) return kStatusInvalidInfoClass;
      const std::u16string text =
          Utf8ToUtf16(target->CommandLine.data(), target->CommandLine.size());
      const TCountedStringLayout& string = CountedStringLayout(word);
      *returned = static_cast<uint32_t>(string.Size + 2 * text.size() + 2);
      if (size < *returned) return kStatusInfoLengthMismatch;
      std::memset(buffer, 0, *returned);
      PutField(buffer, string.Length, 2 * text.size());
      PutField(buffer, string.MaximumLength, 2 * text.size() + 2);
      PutField(buffer, string.Buffer, reinterpret_cast<uintptr_t>(buffer + string.Size));
      for (size_t i = 0; i < text.size(); ++i) PutU16(buffer + string.Size + 2 * i, text[i]);
      return kStatusSuccess;
    }
    default:
      return kStatusInvalidInfoClass;
  }
}

bool FakeOs::ReadProcessMemory(OsHandle process, uint64_t address, uint8_t* buffer,
                               uint32_t size, uint32_t* bytesRead) {
  Record("ReadProcessMemory");
  *bytesRead = 0;
  const THandle* handle = nullptr;
  const TFakeProcess* target = TargetOf(process, THandle::Process, &handle);
  if (target == nullptr || (handle->Access & kProcessVmRead) == 0) {
    lastError_ = kErrorAccessDenied;
    return false;
  }
  uint64_t base = 0;
  const std::vector<uint8_t> memory = Blocks(*target, base);
  const bool reachable = ProgramPointerSize == 8 || address + size <= 0x100000000u;
  if (!reachable || address < base || address - base > memory.size() ||
      memory.size() - (address - base) < size) {
    lastError_ = kErrorPartialCopy;
    return false;
  }
  std::copy_n(memory.begin() + static_cast<ptrdiff_t>(address - base), size, buffer);
  *bytesRead = size;
  return true;
}

bool FakeOs::GetTokenInformation(OsHandle token, uint32_t infoClass, uint8_t* buffer,
                                 uint32_t size, uint32_t* returned) {
  Record("GetTokenInformation");
  const THandle* handle = nullptr;
  const TFakeProcess* target = TargetOf(token, THandle::Token, &handle);
  const bool vista = Version.dwMajorVersion >= 6;
  lastError_ = kErrorInvalidParameter;
  if (target == nullptr) return false;
  switch (infoClass) {
    case kTokenUser:
      return PutSidReply(SidBytes(target->UserSid), buffer, size, returned, ProgramPointerSize);
    case kTokenIntegrityLevel:
      return vista && PutSidReply(SidBytes("S-1-16-" + std::to_string(target->IntegrityLevel)),
                                  buffer, size, returned, ProgramPointerSize);
    case kTokenIsAppContainer:
      *returned = 4;
      if (!vista || size < 4) return false;
      PutU32(buffer, target->AppContainer ? 1 : 0);
      return true;
    default:
      return false;
  }
}

bool FakeOs::LookupAccountSidW(const uint8_t* sid, char* name, uint32_t* nameSize, char* domain,
                               uint32_t* domainSize) {
  Record("LookupAccountSidW");
  if (AccountLookupStalls) {
    Stall();  // until the fake is destroyed, on a worker
    return false;
  }
  const std::vector<uint8_t> bytes(
      sid, sid + kSidHeaderSize + 4 * size_t{sid[kSidSubAuthorityCount]});
  const auto account = std::find_if(Accounts.begin(), Accounts.end(), [&bytes](const auto& known) {
    return SidBytes(known.first) == bytes;
  });
  if (account == Accounts.end()) {
    lastError_ = 1332;  // ERROR_NONE_MAPPED
    return false;
  }
  const size_t slash = account->second.find('\\');
  const std::string domainText = slash == std::string::npos ? "" : account->second.substr(0, slash);
  const std::string nameText =
      slash == std::string::npos ? account->second : account->second.substr(slash + 1);
  if (nameText.size() >= *nameSize || domainText.size() >= *domainSize) {
    *nameSize = static_cast<uint32_t>(nameText.size() + 1);
    *domainSize = static_cast<uint32_t>(domainText.size() + 1);
    lastError_ = kErrorInsufficientBuffer;
    return false;
  }
  *nameSize = CopyTextToBuffer(nameText, name, *nameSize);
  *domainSize = CopyTextToBuffer(domainText, domain, *domainSize);
  return true;
}

bool FakeOs::FileTimeToLocalFileTime(uint64_t fileTime, uint64_t* localFileTime) {
  *localFileTime = static_cast<uint64_t>(static_cast<int64_t>(fileTime) + LocalTimeBias);
  return true;
}

uint64_t FakeOs::GetSystemTimeAsFileTime() {
  Record("GetSystemTimeAsFileTime");
  return SystemTime;
}

bool FakeOs::QueryPerformanceCounter(uint64_t* count) {
  *count = PerformanceCounter;
  return true;
}

bool FakeOs::QueryPerformanceFrequency(uint64_t* frequency) {
  *frequency = 10000000;
  return true;
}

}  // namespace kvt
